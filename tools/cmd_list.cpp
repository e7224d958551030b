#include <cstdio>

#include "tools/commands.h"

namespace tamrix::tool {

int runList(int, char**) {
    std::fprintf(stderr, "tamrix list: not available yet\n");
    return 1;
}

}  // namespace tamrix::tool
