// The real clock on Windows: a monotonic millisecond count from the performance counter, sleeps
// with the system timer at 1 ms resolution while the clock exists (the default 15.6 ms would
// stretch every 10 ms poll of the loader by half), and the local wall-clock time.
#pragma once

#include "platform/Clock.h"

namespace tavolin::win32 {

class Win32Clock : public Clock {
 public:
  Win32Clock();
  ~Win32Clock() override;
  Win32Clock(const Win32Clock&) = delete;
  Win32Clock& operator=(const Win32Clock&) = delete;

  void SleepMs(int ms) override;
  std::int64_t NowMs() override;
  LocalDateTime LocalNow() override;

 private:
  bool fineTimer_ = false;
  std::int64_t frequency_ = 1;
};

}  // namespace tavolin::win32
