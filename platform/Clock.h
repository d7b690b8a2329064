// The clock: every wait of the program goes through here, so tests can run a 2.5 s time-out in
// microseconds with the virtual clock (platform/fake) and the real program sleeps for real
// (platform/posix).
#pragma once

#include <cstdint>

namespace tavolin {

// A broken-down local date and time, as the wall clock of the PC shows it.
struct LocalDateTime {
  int year = 1970;  // four digits
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;     // 0..23
  int minute = 0;   // 0..59
  int second = 0;   // 0..59 (60 on a leap second)
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for ms milliseconds (0 or less returns at once).
  virtual void SleepMs(int ms) = 0;
  // A monotonic millisecond count; only differences mean anything.
  virtual std::int64_t NowMs() = 0;
  // The local wall-clock time.
  virtual LocalDateTime LocalNow() = 0;
};

}  // namespace tavolin
