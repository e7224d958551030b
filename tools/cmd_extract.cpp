#include <cstdio>

#include "tools/commands.h"

namespace tamrix::tool {

int runExtract(int, char**) {
    std::fprintf(stderr, "tamrix extract: not available yet\n");
    return 1;
}

}  // namespace tamrix::tool
