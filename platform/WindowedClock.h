// The clock of the windowed program: a real clock whose waits keep the window painted.
//
// Long operations (an upload with its reset pulses and answer polls, the banner's and the about
// screen's pauses) wait through the clock without handling the window's events.  A window system
// without compositing (X11 without a compositor, remote X) does not keep the pixels of a covered
// window: when a dialog closes or another window moves away, the window must paint what was
// uncovered, or that area keeps showing whatever covered it until the operation ends.  So each
// wait is cut into slices, and before each slice the platform serves its repaint requests
// (keepPainted), which takes no input, menu or close request from the window: those wait for the
// main loop.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>

#include "platform/Clock.h"

namespace tavolin {

// The longest the window goes unpainted during a wait.
inline constexpr int kPaintSliceMs = 20;

class WindowedClock final : public Clock {
 public:
  WindowedClock(Clock& inner, std::function<void()> keepPainted)
      : inner_(inner), keepPainted_(std::move(keepPainted)) {}

  void SleepMs(int ms) override {
    if (ms <= 0) return;
    const std::int64_t end = inner_.NowMs() + ms;
    while (true) {
      keepPainted_();
      const std::int64_t left = end - inner_.NowMs();
      if (left <= 0) return;
      inner_.SleepMs(static_cast<int>(std::min<std::int64_t>(left, kPaintSliceMs)));
      if (inner_.NowMs() >= end) return;
    }
  }
  std::int64_t NowMs() override { return inner_.NowMs(); }
  LocalDateTime LocalNow() override { return inner_.LocalNow(); }

 private:
  Clock& inner_;
  std::function<void()> keepPainted_;
};

}  // namespace tavolin
