// ANSI text (system code page) to UTF-16 and back, through one static buffer per direction. A
// result stays valid until the next conversion in the same direction; only one thread converts
// at a time (the main thread before and after the worker, the worker while it runs).
#pragma once

#include <cstdint>

namespace tamrix {

constexpr int kWideBufferUnits = 520;
constexpr int kNarrowBufferBytes = 260;

// An empty text when the conversion does not fit its buffer.
const char16_t* toWide(const char* text);
const char* toNarrow(const char16_t* text);

}  // namespace tamrix
