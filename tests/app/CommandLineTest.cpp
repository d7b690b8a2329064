// The command line in its raw form and from argv, and the effective screen and window sizes.
#include <gtest/gtest.h>

#include <utility>

#include "app/CommandLine.h"
#include "app/Commands.h"
#include "settings/Settings.h"

namespace tavolin {
namespace {

TEST(ParseCommandLine, SplitsAtBlanksAndHonoursQuotes) {
  struct Case {
    const char* raw;
    const char* first;
    const char* second;
    const char* third;
  };
  const Case cases[] = {
      {"", "", "", ""},
      {"   ", "", "", ""},
      {"my.ini", "my.ini", "", ""},
      {"x.binary -L 3", "x.binary", "-L", "3"},
      {"  x.binary   -L   3  ", "x.binary", "-L", "3"},
      {"\"my settings.ini\" -A \"C:\\a b\\p.binary\"", "my settings.ini", "-A",
       "C:\\a b\\p.binary"},
      {"\"unterminated name", "unterminated name", "", ""},
      {"\"\" -L 4", "", "-L", "4"},
      {"a b c d e", "a", "b", "c"},
      {"x.binary -l 3", "x.binary", "-l", "3"},
      {"a\"b c", "a\"b", "c", ""},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.raw);
    EXPECT_EQ(line.first, c.first) << c.raw;
    EXPECT_EQ(line.second, c.second) << c.raw;
    EXPECT_EQ(line.third, c.third) << c.raw;
  }
}

TEST(CommandLineFromArgv, TakesTheFirstThreeWordsAsGiven) {
  const char* none[] = {"tavolin"};
  const char* one[] = {"tavolin", "my settings.ini"};
  const char* four[] = {"tavolin", "x.binary", "-L", "3", "extra"};
  EXPECT_EQ(CommandLineFromArgv(1, none).first, "");
  EXPECT_EQ(CommandLineFromArgv(2, one).first, "my settings.ini");
  const CommandLine line = CommandLineFromArgv(5, four);
  EXPECT_EQ(line.first, "x.binary");
  EXPECT_EQ(line.second, "-L");
  EXPECT_EQ(line.third, "3");
}

TEST(EffectiveValues, NothingDownstreamSeesUnusableSizes) {
  for (const auto& [cells, effective] :
       {std::pair{0, 1}, {-3, 1}, {1, 1}, {80, 80}, {512, 512}, {100000, 512}}) {
    EXPECT_EQ(EffectiveCells(cells), effective) << cells;
  }
  for (const auto& [scale, effective] : {std::pair{1.5f, 1.5f},
                                         {0.0f, 1.0f},
                                         {-2.0f, 1.0f},
                                         {0.25f, 0.25f},
                                         {8.0f, 8.0f},
                                         {9.0f, 1.0f},
                                         {std::nanf(""), 1.0f},
                                         {INFINITY, 1.0f}}) {
    EXPECT_EQ(EffectiveScale(scale), effective) << scale;
  }
}

// The stretched picture keeps within its budget: the scale used is the largest multiple of 1/16
// that fits, never below 1, and the window follows it.
TEST(EffectiveValues, StretchedPictureKeepsWithinItsBudget) {
  struct Case {
    int cols, rows;
    float scale;
    float effective;
  };
  const Case cases[] = {
      {80, 25, 8.0f, 8.0f},       // 5120 x 3400: far within
      {512, 512, 1.0f, 1.0f},     // the largest picture, unstretched
      {512, 512, 1.3f, 1.3f},     // fits as it is
      {512, 512, 8.0f, 1.3125f},  // 5376 x 11424
      {512, 512, 1.5f, 1.3125f},
      {300, 300, 4.0f, 2.3125f},        // 2400 x 5100 cells' pixels
      {100000, 100000, 8.0f, 1.3125f},  // cells clamp to 512 first
      {512, 1, 8.0f, 8.0f},             // 32768 x 136
      {512, 512, 0.5f, 0.5f},
  };
  for (const Case& c : cases) {
    Settings s;
    s.Cols = c.cols;
    s.Rows = c.rows;
    s.WindowScale = c.scale;
    const float used = EffectiveScale(s);
    EXPECT_EQ(used, c.effective) << c.cols << "x" << c.rows << " at " << c.scale;
    const double w = ContentWidth(s);
    const double h = ContentHeight(s) - kMenuLineHeight;
    EXPECT_LE(w * h, kMaxStretchedPixels + w) << c.cols << "x" << c.rows << " at " << c.scale;
  }
}

}  // namespace
}  // namespace tavolin
