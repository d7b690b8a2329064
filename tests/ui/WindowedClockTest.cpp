// The windowed program's clock: a wait keeps the window painted at least every slice and still
// ends when it should, also when painting itself takes time.
#include <gtest/gtest.h>

#include <vector>

#include "platform/WindowedClock.h"
#include "platform/fake/VirtualClock.h"

namespace tavolin {
namespace {

TEST(WindowedClock, WaitsPaintEverySliceAndEndOnTime) {
  struct Case {
    const char* name;
    int sleepMs;
    int paintMs;  // what one painting costs
    int wantElapsed;
  };
  const Case cases[] = {
      {"nothing to wait", 0, 0, 0},
      {"a negative wait", -5, 0, 0},
      {"shorter than a slice", 7, 0, 7},
      {"the banner's pause", 2000, 0, 2000},
      {"painting takes a while", 100, 15, 100},
      {"painting takes longer than a slice", 100, 45, 110},  // a paint may end past the end
  };
  for (const Case& c : cases) {
    fake::VirtualClock inner;
    std::vector<std::int64_t> paints;
    WindowedClock clock(inner, [&] {
      paints.push_back(inner.NowMs());
      inner.Advance(c.paintMs);
    });
    clock.SleepMs(c.sleepMs);
    EXPECT_EQ(inner.NowMs(), c.wantElapsed) << c.name;
    if (c.sleepMs <= 0) {
      EXPECT_TRUE(paints.empty()) << c.name;
      continue;
    }
    ASSERT_FALSE(paints.empty()) << c.name;
    EXPECT_EQ(paints.front(), 0) << c.name << ": painted before the first slice";
    for (std::size_t i = 1; i < paints.size(); ++i) {
      EXPECT_LE(paints[i] - paints[i - 1], kPaintSliceMs + c.paintMs) << c.name << " #" << i;
    }
  }
}

}  // namespace
}  // namespace tavolin
