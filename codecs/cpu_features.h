// What the processor offers beyond the baseline, asked once: the Linux tool's decoders choose a
// copy of their fast loops by it. Only for x86 builds that choose at run time.
#pragma once

namespace tamrix {

inline bool cpuHasBmi2() {
    static const bool have = __builtin_cpu_supports("bmi2");
    return have;
}

inline bool cpuHasAvx512BwVl() {
    static const bool have =
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    return have;
}

}  // namespace tamrix
