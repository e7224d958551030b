// The system's limits on file names.
#pragma once

#include <cstdint>

namespace tamrix::platform {

// MAX_PATH: a full path with its NUL.
constexpr uint32_t kPathSize = 260;

}  // namespace tamrix::platform

namespace tamrix {
// The front-end sizes its path buffers with it everywhere.
using platform::kPathSize;
}  // namespace tamrix
