#include <cstdio>

#include "tools/commands.h"

namespace tamrix::tool {

int runInfo(int, char**) {
    std::fprintf(stderr, "tamrix info: not available yet\n");
    return 1;
}

}  // namespace tamrix::tool
