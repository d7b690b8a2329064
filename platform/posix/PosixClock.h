// The real clock: monotonic time, real sleeps and the local wall-clock time.
#pragma once

#include "platform/Clock.h"

namespace tavolin::posix {

class PosixClock : public Clock {
 public:
  void SleepMs(int ms) override;
  std::int64_t NowMs() override;
  LocalDateTime LocalNow() override;
};

}  // namespace tavolin::posix
