// Until the string table lands: no strings.
#include "ui/strings.h"

namespace tamrix {

int loadString(uint32_t, char* buffer, int size) {
    if (size > 0) buffer[0] = 0;
    return 0;
}

}  // namespace tamrix
