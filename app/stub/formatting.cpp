// std::snprintf of this toolchain goes to the runtime library's own C99 formatter, which brings a
// floating-point converter and multibyte support with it: some 29 KB, a third of the stub. The
// stub formats texts and integers only, with the conversions that the Windows formatters share,
// so here the formatter is the system runtime's _vsnprintf, with the C99 results kept: the output
// is always terminated (cut at size - 1 bytes), and the result is the untruncated length.
#include <cstdarg>
#include <cstddef>
#include <cstdio>

extern "C" int __mingw_vsnprintf(char* out, size_t size, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    int length;
    if (size == 0) {
        length = _vscprintf(format, again);
    } else {
        length = _vsnprintf(out, size, format, args);
        if (length < 0 || size_t(length) >= size) {
            out[size - 1] = 0;
            length = _vscprintf(format, again);
        }
    }
    va_end(again);
    return length;
}
