// Where the stub's executable image ends in its file: the package header starts there.
#pragma once

#include <cstdint>

namespace tamrix {

// End of the executable image in its file, from its PE headers. Reads only the first `readable`
// bytes of image and never past the section table; 0 when the headers are not there.
uint32_t findImageEnd(const uint8_t* image, uint32_t readable);

}  // namespace tamrix
