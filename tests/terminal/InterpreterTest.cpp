// Interpret and the program's own texts: the chip's parser keeps its place between blocks and
// never waits for the port, a block without a picture is dropped, and PrintText / PrintLine /
// StartFreshLine draw beside the chip's output without touching the command it is in the middle
// of; without a window they go to the console.
#include <gtest/gtest.h>

#include "terminal/Raster.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

using test::Cursor;
using test::CursorOf;
using test::Rig;

constexpr Pixel kRedPixel = 0xFFFF0000u;

TEST(Interpret, ACommandCutByTheBlockEndWaitsForTheNextBlockInBothDialects) {
  for (bool graphics : {false, true}) {
    Rig rig(graphics);
    rig.app.settings.TxtCurs = 0;
    // Something the program would wrongly take for the missing bytes.
    rig.device.Feed(std::vector<std::uint8_t>{0x01, 40, 40});
    rig.Feed({12, 2, 5, 0x01});
    EXPECT_EQ(rig.app.interpreter.carryCount, 2);
    rig.Feed({10});  // X, taken raw although 10 is a code
    EXPECT_EQ(rig.At(20, 10), raster::kBlack) << graphics;
    rig.Feed({5, 'A'});
    EXPECT_EQ(rig.At(20, 10), kRedPixel) << graphics;
    EXPECT_EQ(rig.app.interpreter.carryCount, 0);
    EXPECT_EQ(rig.app.screen.textMirror, "A");
    EXPECT_EQ(rig.clock.slept(), 0) << "nothing waits for the port";
    EXPECT_EQ(rig.device.PendingCount(), 3u) << "nothing is read from it";
  }
}

TEST(Interpret, WithoutAPictureTheBlockIsDroppedAndTheHeldCommandStays) {
  Rig rig(true);
  rig.app.settings.TxtCurs = 0;
  rig.Feed({5, 0x01});
  rig.ui.hasWindow = false;
  rig.Feed({'x', 'y'});
  rig.ui.hasWindow = true;
  rig.Feed({10, 5});
  EXPECT_EQ(rig.At(20, 10), 0xFFFFFFFFu) << "plotted in white once complete";
  EXPECT_EQ(rig.app.screen.textMirror, "");
}

TEST(PrintText, AStatusLineNeitherCompletesNorBreaksTheChipsCommand) {
  for (bool graphics : {false, true}) {
    Rig rig(graphics);
    rig.app.settings.TxtCurs = 0;
    rig.Feed({5, 0x0C});  // text cursor: waits for X and Y
    PrintLine(rig.app, "OK");
    EXPECT_EQ(rig.app.screen.textMirror, "OK\r\n");
    EXPECT_EQ(CursorOf(rig), (Cursor{0, 1}));
    rig.Feed({4, 2});
    EXPECT_EQ(CursorOf(rig), (Cursor{4, 2})) << "the chip's command ends with its own bytes";
  }
}

TEST(PrintText, ACommandATextLeavesUnfinishedEndsWithIt) {
  Rig rig(false);
  rig.app.settings.TxtCurs = 0;
  PrintText(rig.app, std::string("\x0b\x05", 2));  // in Normal-Terminal Mode the 5 opens a command
  PrintText(rig.app, "Start");
  EXPECT_EQ(rig.app.screen.textMirror, "Start");
  PrintText(rig.app, std::string(10000, 'x') + "END");
  EXPECT_EQ(rig.app.screen.textMirror.substr(10005), "END");
}

TEST(PrintLine, EndsWithCrAndInNormalTerminalModeAlsoLf) {
  struct Case {
    bool graphics;
    int crMode;
    Cursor end;
    std::string mirror;
  };
  const Case cases[] = {
      {true, 0, {0, 1}, "go\r\n"},
      {false, 0, {0, 1}, "go\r\n"},
      {false, 1, {0, 2}, "go\r\n\n"},  // an empty line after the text
  };
  for (const Case& c : cases) {
    Rig rig(c.graphics);
    rig.app.settings.CRmode = c.crMode;
    ScreenTextOutput out(rig.app);
    rig.app.SetOutput(&out);
    rig.app.output->PrintLine("go");
    EXPECT_EQ(CursorOf(rig), c.end);
    EXPECT_EQ(rig.app.screen.textMirror, c.mirror);
    rig.app.output->ClearScreen();
    EXPECT_EQ(rig.app.screen.textMirror, "");
  }
}

TEST(StartFreshLine, EndsALineOnlyWhereTheCursorIsNotAtItsStart) {
  struct Case {
    bool graphics;
    int crMode;
    std::vector<int> chip;
    Cursor end;
  };
  const Case cases[] = {
      {false, 0, {'t', 'h', 'e'}, {0, 1}},
      {false, 1, {'t', 'h', 'e'}, {0, 1}},  // no empty line with CRmode
      {true, 0, {'t', 'h', 'e'}, {0, 1}},
      {false, 0, {'a', 13}, {0, 0}},
      {true, 0, {'a', 13}, {0, 1}},
      {false, 0, {9}, {0, 1}},  // a tab's column counts
  };
  for (const Case& c : cases) {
    Rig rig(c.graphics);
    rig.app.settings.CRmode = c.crMode;
    rig.Feed(c.chip);
    StartFreshLine(rig.app);
    EXPECT_EQ(CursorOf(rig), c.end) << c.chip.size();
  }
}

TEST(PrintText, WithoutAWindowGoesToTheConsole) {
  Rig rig;
  rig.ui.hasWindow = false;
  const int pictures = rig.ui.pictureCount;
  PrintText(rig.app, "Start Upload\r");
  PrintLine(rig.app, "Lenght=");
  ClearScreen(rig.app);
  StartFreshLine(rig.app);
  EXPECT_EQ(rig.console.out, "Start Upload\r\nLenght=\n");
  EXPECT_EQ(rig.ui.pictureCount, pictures) << "nothing is drawn without a window";
  EXPECT_EQ(rig.app.screen.textMirror, "");
}

}  // namespace
}  // namespace tavolin
