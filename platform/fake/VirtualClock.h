// A clock for tests: sleeping advances virtual time at once, so a 2.5 s time-out takes no real
// time.  Whoever needs to act at a virtual moment (a simulated chip) watches the time through the
// advance listeners or polls NowMs.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Clock.h"

namespace tavolin::fake {

class VirtualClock : public Clock {
 public:
  void SleepMs(int ms) override {
    if (ms > 0) Advance(ms);
  }
  std::int64_t NowMs() override { return now_; }
  LocalDateTime LocalNow() override { return local_; }

  void Advance(std::int64_t ms) {
    now_ += ms;
    slept_ += ms;
    for (auto& listener : listeners_) listener(now_);
  }
  void SetLocalTime(const LocalDateTime& t) { local_ = t; }
  void OnAdvance(std::function<void(std::int64_t)> listener) {
    listeners_.push_back(std::move(listener));
  }
  // Total virtual time slept, for tests that check a budget.
  std::int64_t slept() const { return slept_; }

 private:
  std::int64_t now_ = 0;
  std::int64_t slept_ = 0;
  LocalDateTime local_{2026, 12, 6, 14, 5, 9};
  std::vector<std::function<void(std::int64_t)>> listeners_;
};

}  // namespace tavolin::fake
