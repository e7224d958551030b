#include <cstdio>

#include "tools/commands.h"

namespace tamrix::tool {

int runTest(int, char**) {
    std::fprintf(stderr, "tamrix test: not available yet\n");
    return 1;
}

}  // namespace tamrix::tool
