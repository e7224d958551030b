#include "pack/progress_line.h"

#include <unistd.h>

namespace tamrix::pack {

namespace {
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);

std::string mebibytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", double(bytes) / (1024.0 * 1024.0));
    return text;
}
}  // namespace

bool isTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

ProgressLine::ProgressLine(std::FILE* stream, bool enabled, uint64_t totalFiles,
                           uint64_t totalBytes)
    : stream_(stream),
      enabled_(enabled),
      totalFiles_(totalFiles),
      totalBytes_(totalBytes),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

ProgressLine::~ProgressLine() {
    clear();
}

std::string ProgressLine::format(uint64_t files, uint64_t totalFiles, uint64_t bytes,
                                 uint64_t totalBytes, double seconds) {
    std::string line = "packing: " + std::to_string(files) + "/" + std::to_string(totalFiles) +
                       " files, " + mebibytes(bytes) + "/" + mebibytes(totalBytes) + " MiB";
    if (seconds > 0) line += ", " + mebibytes(uint64_t(double(bytes) / seconds)) + " MiB/s";
    return line;
}

void ProgressLine::update(uint64_t files, uint64_t bytes) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    // Carriage return and erase-to-end keep the line in one place.
    std::fprintf(stream_, "\r%s\033[K",
                 format(files, totalFiles_, bytes, totalBytes_, seconds).c_str());
    std::fflush(stream_);
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    shown_ = false;
}

}  // namespace tamrix::pack
