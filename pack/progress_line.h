// The line that shows how far packing has come (files, bytes, rate) on a terminal. It redraws
// itself in place a few times a second and is cleared when packing ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tamrix::pack {

class ProgressLine {
  public:
    // Draws on `stream` only when `enabled`; callers enable it for a terminal without -q.
    ProgressLine(std::FILE* stream, bool enabled, uint64_t totalFiles, uint64_t totalBytes);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void update(uint64_t files, uint64_t bytes);
    // Removes the line.
    void clear();

    // The text of the line.
    static std::string format(uint64_t files, uint64_t totalFiles, uint64_t bytes,
                              uint64_t totalBytes, double seconds);

  private:
    std::FILE* stream_;
    bool enabled_;
    bool shown_ = false;
    uint64_t totalFiles_;
    uint64_t totalBytes_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// True when `stream` is a terminal.
bool isTerminal(std::FILE* stream);

}  // namespace tamrix::pack
