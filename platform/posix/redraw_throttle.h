// Progress redrawn on every update floods a terminal (tens of thousands of lines a second on a
// fast extraction): a redraw is due at most every 100 ms.
#pragma once

#include <chrono>

namespace tamrix::platform::posix {

class RedrawThrottle {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{100};

    // True when a redraw at `now` is due (the first one always is); a due redraw starts the next
    // interval.
    bool due(Clock::time_point now) {
        if (drawn_ && now - last_ < kInterval) return false;
        drawn_ = true;
        last_ = now;
        return true;
    }
    void reset() { drawn_ = false; }

  private:
    bool drawn_ = false;
    Clock::time_point last_{};
};

}  // namespace tamrix::platform::posix
