#include "paths/text_conversion.h"

#include <cstring>

#include "platform/codepage.h"

namespace tamrix {

namespace {

char16_t wideBuffer[kWideBufferUnits];
char narrowBuffer[kNarrowBufferBytes];

}  // namespace

const char16_t* toWide(const char* text) {
    std::memset(wideBuffer, 0, sizeof wideBuffer);
    // A failed conversion may leave a part without its NUL behind.
    if (!platform::multiByteToWide(text, -1, wideBuffer, kWideBufferUnits)) wideBuffer[0] = 0;
    wideBuffer[kWideBufferUnits - 1] = 0;
    return wideBuffer;
}

const char* toNarrow(const char16_t* text) {
    std::memset(narrowBuffer, 0, sizeof narrowBuffer);
    if (!platform::wideToMultiByte(text, -1, narrowBuffer, kNarrowBufferBytes)) narrowBuffer[0] = 0;
    narrowBuffer[kNarrowBufferBytes - 1] = 0;
    return narrowBuffer;
}

}  // namespace tamrix
