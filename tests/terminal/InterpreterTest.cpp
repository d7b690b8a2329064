// The interpreter's text side: control codes of both dialects, the text mirror and its limit,
// the carry-over of incomplete commands across blocks, parameter bytes read from the port, and
// PrintText / PrintLine / ClearScreen with and without a window.
#include <gtest/gtest.h>

#include "terminal/Raster.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

using test::Rig;

struct Cursor {
  int col, row;
  bool operator==(const Cursor&) const = default;
};
Cursor CursorOf(Rig& rig) {
  return {rig.app.screen.cursorCol, rig.app.screen.cursorRow};
}
bool CellLit(Rig& rig, int col, int row) {
  for (int y = row * 17; y < row * 17 + 17; ++y) {
    for (int x = col * 8; x < col * 8 + 8; ++x) {
      if ((rig.At(x, y) & 0xFFFFFFu) != 0) return true;
    }
  }
  return false;
}

TEST(ControlCodes, MoveTheCursorAndFillTheMirror) {
  struct Case {
    const char* name;
    bool graphics;
    int crMode;
    Cursor start;
    std::vector<int> bytes;
    Cursor end;
    std::string mirror;
  };
  const Case cases[] = {
      {"ntm CR without auto-LF", false, 0, {5, 3}, {13}, {0, 3}, "\r"},
      {"ntm CR with auto-LF", false, 1, {5, 3}, {13}, {0, 4}, "\r\n"},
      {"graphics CR feeds a line", true, 0, {5, 3}, {13}, {0, 4}, "\r\n"},
      {"ntm LF", false, 0, {5, 3}, {10}, {0, 4}, "\n"},
      {"ntm TAB one column, no wrap", false, 0, {79, 3}, {9}, {80, 3}, " "},
      {"graphics TAB from 0", true, 0, {0, 3}, {9}, {8, 3}, ""},
      {"graphics TAB from 7", true, 0, {7, 3}, {9}, {8, 3}, ""},
      {"graphics TAB from 8", true, 0, {8, 3}, {9}, {16, 3}, ""},
      {"graphics TAB at the row end wraps", true, 0, {78, 3}, {9}, {0, 4}, ""},
      {"backspace at a row start", false, 0, {0, 3}, {8}, {79, 2}, ""},
      {"backspace at the screen start", true, 0, {0, 0}, {8}, {79, 0}, ""},
      {"200 is a backspace", true, 0, {4, 3}, {200}, {3, 3}, ""},
      {"200 is a backspace in ntm", false, 0, {4, 3}, {200}, {3, 3}, ""},
      {"graphics 10 sets the column", true, 0, {4, 3}, {10, 83, 'a'}, {4, 3}, "a"},
      {"graphics 11 sets the row", true, 0, {4, 3}, {11, 27, 'a'}, {5, 2}, "a"},
      {"graphics home", true, 0, {4, 3}, {'x', 1}, {0, 0}, ""},
      {"ntm 1 and 11 do nothing", false, 0, {4, 3}, {1, 11}, {4, 3}, ""},
      {"2 3 4 6 7 do nothing", true, 0, {4, 3}, {2, 3, 4, 6, 7}, {4, 3}, ""},
      {"2 3 4 6 7 do nothing in ntm", false, 0, {4, 3}, {2, 3, 4, 6, 7}, {4, 3}, ""},
      {"glyphs", false, 0, {0, 0}, {'H', 'i', 255}, {3, 0}, "Hi\xff"},
  };
  for (const Case& c : cases) {
    Rig rig(c.graphics);
    rig.app.settings.CRmode = c.crMode;
    rig.app.screen.cursorCol = c.start.col;
    rig.app.screen.cursorRow = c.start.row;
    rig.Feed(c.bytes);
    EXPECT_EQ(CursorOf(rig), c.end) << c.name;
    EXPECT_EQ(rig.app.screen.textMirror, c.mirror) << c.name;
  }
}

TEST(ControlCodes, GraphicsTabDrawsSpacesOverWhatWasThere) {
  Rig rig(true);
  rig.app.settings.TxtCurs = 0;
  rig.app.screen.colorByte = 9;  // inverse: the spaces show white
  rig.app.screen.cursorCol = 7;
  rig.Feed({9});
  EXPECT_TRUE(CellLit(rig, 7, 0));
  EXPECT_FALSE(CellLit(rig, 8, 0));
  EXPECT_FALSE(CellLit(rig, 6, 0));
}

TEST(ControlCodes, BackspaceBlackensTheCellItLandsOn) {
  for (bool graphics : {false, true}) {
    Rig rig(graphics);
    rig.app.settings.TxtCurs = 0;
    rig.FeedText("AB");
    rig.Feed({8});
    EXPECT_TRUE(CellLit(rig, 0, 0));
    EXPECT_FALSE(CellLit(rig, 1, 0));
    EXPECT_EQ(rig.app.screen.textMirror, "AB") << "backspace removes nothing from the mirror";
  }
}

TEST(ControlCodes, ClearAndHomeMoveTheMirrorToPreviousText) {
  Rig rig(true);
  rig.app.screen.colorByte = 3;
  rig.FeedText("one");
  rig.Feed({0});
  EXPECT_EQ(rig.app.screen.previousText, "one");
  EXPECT_EQ(rig.app.screen.textMirror, "");
  EXPECT_EQ(test::LitCount(rig.picture()), 4) << "only the cursor mark";
  EXPECT_EQ(rig.app.screen.colorByte, 3) << "clear keeps the colour";
  rig.FeedText("two");
  rig.Feed({1});
  EXPECT_EQ(rig.app.screen.previousText, "two");
  EXPECT_TRUE(CellLit(rig, 1, 0)) << "home draws nothing";
}

TEST(ControlCodes, LineFeedOnTheLastRowScrolls) {
  Rig rig;
  rig.app.screen.cursorRow = 24;
  rig.FeedText("Z");
  rig.Feed({10});
  EXPECT_EQ(CursorOf(rig), (Cursor{0, 24}));
  EXPECT_TRUE(CellLit(rig, 0, 23));
  for (int x = 0; x < 640; ++x) ASSERT_EQ(rig.At(x, 24 * 17 + 3), raster::kBlack);
}

TEST(TextMirror, StopsTakingGlyphsAt32700ButKeepsLineEnds) {
  Rig rig;
  rig.app.screen.textMirror.assign(32699, 'a');
  rig.Feed({'b', 'c', 13, 10, 9, 'd'});
  const std::string& m = rig.app.screen.textMirror;
  ASSERT_EQ(m.size(), 32703u);
  EXPECT_EQ(m.substr(32698), "ab\r\n ");
}

TEST(CarryOver, IncompleteGraphicsCommandsWaitForTheNextBlock) {
  struct Case {
    const char* name;
    std::vector<int> first;
    std::vector<int> second;
  };
  // Each pair plots the pixel (20, 10) and sets colour 2, split at another place.
  const Case cases[] = {
      {"5", {12, 2, 5}, {0x01, 10, 5}},
      {"5 C", {12, 2, 5, 0x01}, {10, 5}},
      {"5 C X", {12, 2, 5, 0x01, 10}, {5}},
      {"12", {12}, {2, 5, 0x01, 10, 5}},
  };
  for (const Case& c : cases) {
    Rig rig(true);
    rig.app.settings.TxtCurs = 0;
    rig.Feed(c.first);
    EXPECT_EQ(rig.At(20, 10), raster::kBlack) << c.name;
    EXPECT_TRUE(rig.device.written.empty());
    rig.Feed(c.second);
    EXPECT_EQ(rig.At(20, 10), 0xFFFF0000u) << c.name;
    EXPECT_EQ(rig.app.interpreter.carryCount, 0) << c.name;
    EXPECT_EQ(rig.app.screen.colorByte, 2) << c.name;
  }
  for (int code : {10, 11}) {
    Rig rig(true);
    rig.Feed({'a', code});
    EXPECT_EQ(rig.app.interpreter.carryCount, 1);
    rig.Feed({3});
    EXPECT_EQ(code == 10 ? rig.app.screen.cursorCol : rig.app.screen.cursorRow, 3);
  }
}

TEST(CarryOver, AStatusLineBehindHeldBytesCompletesTheCommand) {
  Rig rig(true);
  rig.app.settings.TxtCurs = 0;
  rig.Feed({5, 0x0C});  // text cursor: waits for X and Y
  PrintLine(rig.app, "\x04\x02OK");
  EXPECT_EQ(CursorOf(rig), (Cursor{0, 3})) << "X = 4, Y = 2 set the cursor, then OK and CR";
  EXPECT_EQ(rig.app.screen.textMirror, "OK\r\n");
  EXPECT_TRUE(CellLit(rig, 4, 2));
}

TEST(CarryOver, IsNotUsedInNormalTerminalMode) {
  Rig rig(false);
  rig.device.Feed(std::vector<std::uint8_t>{0x01, 10});  // the rest of the command, from the port
  rig.Feed({12, 2, 5});
  // 5 reads C from... the port, since the block is over: C = 0x01, X = 10, Y from the port: none.
  EXPECT_EQ(rig.app.interpreter.carryCount, 0);
  EXPECT_EQ(rig.app.screen.colorByte, 2);
  EXPECT_EQ(rig.clock.slept(), 40 * 2) << "Y did not come: 40 tries 2 ms apart";
  EXPECT_EQ(rig.At(20, 20), 0xFFFF0000u) << "Y took the last byte read (10)";
}

TEST(ReadParameter, NormalTerminalModeReadsMissingBytesFromThePort) {
  Rig rig(false);
  // The byte arrives 30 ms after the block: 15 tries of 2 ms before it is seen.
  rig.device.Feed(std::uint8_t{5}, rig.clock.NowMs() + 30);
  rig.Feed({12});
  EXPECT_EQ(rig.app.screen.colorByte, 5);
  EXPECT_EQ(rig.clock.slept(), 30);
  // Nothing comes: after 40 tries the last byte in SendBuffer is taken.
  rig.Feed({12});
  EXPECT_EQ(rig.app.screen.colorByte, 5);
  EXPECT_EQ(rig.clock.slept(), 30 + 80);
}

TEST(PrintText, FeedsLongTextsInPieces) {
  Rig rig(true);
  std::string text(10000, 'x');
  text += "END";
  PrintText(rig.app, text);
  EXPECT_EQ(rig.app.screen.textMirror.size(), 10003u);
  EXPECT_EQ(rig.app.screen.textMirror.substr(10000), "END");
  EXPECT_EQ(rig.ui.pictureCount, 1 + 3) << "the first clear and one Present per piece";
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

TEST(PrintText, WithoutAWindowGoesToTheConsole) {
  Rig rig;
  rig.ui.hasWindow = false;
  const int pictures = rig.ui.pictureCount;
  PrintText(rig.app, "Start Upload\r");
  PrintLine(rig.app, "Lenght=");
  ClearScreen(rig.app);
  EXPECT_EQ(rig.console.out, "Start Upload\r\nLenght=\n");
  EXPECT_EQ(rig.ui.pictureCount, pictures) << "nothing is interpreted without a window";
  EXPECT_EQ(rig.app.screen.textMirror, "");
}

TEST(Interpret, CursorMarkIsErasedBeforeEachByteAndDrawnAfterTheBlock) {
  Rig rig;
  rig.FeedText("ab");
  EXPECT_EQ(test::Art(rig.picture(), 16, 16, 8, 1), std::vector<std::string>{"#.#.#.#."});
  // Turned off, the last mark stays; turned on, the next block blackens the mark pixels first.
  rig.app.settings.TxtCurs = 0;
  rig.app.screen.cursorCol = 0;
  rig.Feed({2});
  EXPECT_EQ(test::Art(rig.picture(), 16, 16, 8, 1), std::vector<std::string>{"#.#.#.#."});
  rig.app.settings.TxtCurs = 1;
  rig.app.screen.cursorCol = 2;
  rig.Feed({9});  // a Normal-Terminal Mode TAB moves on without drawing
  EXPECT_EQ(test::Art(rig.picture(), 16, 16, 16, 1), std::vector<std::string>{"........#.#.#.#."});
}

}  // namespace
}  // namespace tavolin
