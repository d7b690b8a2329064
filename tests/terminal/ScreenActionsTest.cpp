// The screen carrying out the parser's actions: the control codes on the cursor and the text
// mirror, the colour and position parameters, every drawing operation as pixels, the pen, the
// cursor mark around a block, and the outbox (questions in order, the host request's length
// proof, the last pixel test's answer).  Byte decoding is DisplayParserTest's; whole streams
// are the replay set's.
#include <gtest/gtest.h>

#include <functional>

#include "terminal/DisplayInterpreter.h"
#include "terminal/Raster.h"
#include "terminal/ScreenActions.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

using test::Art;
using test::Cursor;
using Rows = std::vector<std::string>;

// A screen without the cursor mark unless a test turns it on.
struct Rig : test::Rig {
  Rig() { app.settings.TxtCurs = 0; }
};

bool CellLit(Rig& rig, int col, int row) {
  for (int y = row * 17; y < row * 17 + 17; ++y) {
    for (int x = col * 8; x < col * 8 + 8; ++x) {
      if ((rig.At(x, y) & 0xFFFFFFu) != 0) return true;
    }
  }
  return false;
}

// Carries out actions on the rig's screen as one block.
void Act(Rig& rig, const std::function<void(ScreenActions&)>& actions) {
  ScreenActions a(rig.app);
  actions(a);
  a.Finish();
}
void Controls(Rig& rig, std::initializer_list<ControlCode> codes) {
  Act(rig, [&](ScreenActions& a) {
    for (ControlCode c : codes) a.Control(c);
  });
}
void Text(Rig& rig, std::string_view text) {
  Act(rig, [&](ScreenActions& a) {
    for (unsigned char c : text) a.Print(c);
  });
}
// The graphics command for op at (x, y), with the low bits in C.
GraphicsBytes G(int op, int x, int y) {
  return {static_cast<std::uint8_t>(op | ((x & 1) << 5) | ((y & 1) << 4)),
          static_cast<std::uint8_t>(x >> 1), static_cast<std::uint8_t>(y >> 1)};
}
void Draw(Rig& rig, std::initializer_list<GraphicsBytes> commands) {
  Act(rig, [&](ScreenActions& a) {
    for (GraphicsBytes g : commands) a.Graphics(g);
  });
}

TEST(ScreenActions, ControlCodesMoveTheCursorAndFillTheMirror) {
  using enum ControlCode;
  struct Case {
    const char* name;
    int crMode;
    Cursor start;
    std::vector<ControlCode> codes;
    Cursor end;
    std::string mirror;
  };
  const Case cases[] = {
      {"carriage return", 0, {5, 3}, {CarriageReturn}, {0, 3}, "\r"},
      {"carriage return with CRmode", 1, {5, 3}, {CarriageReturn}, {0, 4}, "\r\n"},
      {"new line", 1, {5, 3}, {NewLine}, {0, 4}, "\r\n"},
      {"line feed", 0, {5, 3}, {LineFeed}, {0, 4}, "\n"},
      {"step: no wrap", 0, {79, 3}, {Step}, {80, 3}, " "},
      {"tab from 0", 0, {0, 3}, {Tab}, {8, 3}, ""},
      {"tab from 7", 0, {7, 3}, {Tab}, {8, 3}, ""},
      {"tab from 8", 0, {8, 3}, {Tab}, {16, 3}, ""},
      {"tab at the row end wraps", 0, {78, 3}, {Tab}, {0, 4}, ""},
      {"backspace at a row start", 0, {0, 3}, {Backspace}, {79, 2}, ""},
      {"backspace at the screen start", 0, {0, 0}, {Backspace}, {79, 0}, ""},
      {"home", 0, {4, 3}, {Home}, {0, 0}, ""},
      {"ignored", 0, {4, 3}, {Ignored}, {4, 3}, ""},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.app.settings.CRmode = c.crMode;
    rig.app.screen.cursorCol = c.start.col;
    rig.app.screen.cursorRow = c.start.row;
    Act(rig, [&](ScreenActions& a) {
      for (ControlCode code : c.codes) a.Control(code);
    });
    EXPECT_EQ(CursorOf(rig), c.end) << c.name;
    EXPECT_EQ(rig.app.screen.textMirror, c.mirror) << c.name;
  }
}

TEST(ScreenActions, ParametersWrapAtTheGridAndTheColourIsKeptWhole) {
  Rig rig;
  Act(rig, [](ScreenActions& a) {
    a.SetColumn(83);
    a.SetRow(27);
    a.SetColour(200);
  });
  EXPECT_EQ(CursorOf(rig), (Cursor{3, 2}));
  EXPECT_EQ(rig.app.screen.colorByte, 200);
}

// A tab draws spaces (white in inverse colours) up to its stop; a backspace blackens the cell it
// lands on and keeps the mirror.
TEST(ScreenActions, TabAndBackspaceDrawOverWhatWasThere) {
  Rig tab;
  tab.app.screen.colorByte = 9;
  tab.app.screen.cursorCol = 7;
  Controls(tab, {ControlCode::Tab});
  EXPECT_EQ(std::vector({CellLit(tab, 6, 0), CellLit(tab, 7, 0), CellLit(tab, 8, 0)}),
            std::vector({false, true, false}));
  Rig back;
  Text(back, "AB");
  Controls(back, {ControlCode::Backspace});
  EXPECT_EQ(std::vector({CellLit(back, 0, 0), CellLit(back, 1, 0)}), std::vector({true, false}));
  EXPECT_EQ(back.app.screen.textMirror, "AB");
}

TEST(ScreenActions, ClearAndHomeMoveTheMirrorToPreviousText) {
  Rig rig;
  rig.app.settings.TxtCurs = 1;
  rig.app.screen.colorByte = 3;
  Text(rig, "one");
  Controls(rig, {ControlCode::Clear});
  EXPECT_EQ(rig.app.screen.previousText, "one");
  EXPECT_EQ(rig.app.screen.textMirror, "");
  EXPECT_EQ(test::LitCount(rig.picture()), 4) << "only the cursor mark";
  EXPECT_EQ(rig.app.screen.colorByte, 3) << "clear keeps the colour";
  Text(rig, "two");
  Controls(rig, {ControlCode::Home});
  EXPECT_EQ(rig.app.screen.previousText, "two");
  EXPECT_TRUE(CellLit(rig, 1, 0)) << "home draws nothing";
}

TEST(ScreenActions, LineFeedOnTheLastRowScrolls) {
  Rig rig;
  rig.app.screen.cursorRow = 24;
  Text(rig, "Z");
  Controls(rig, {ControlCode::LineFeed});
  EXPECT_EQ(CursorOf(rig), (Cursor{0, 24}));
  EXPECT_TRUE(CellLit(rig, 0, 23));
  for (int x = 0; x < 640; ++x) ASSERT_EQ(rig.At(x, 24 * 17 + 3), raster::kBlack);
}

TEST(ScreenActions, TheMirrorStopsTakingGlyphsAt32700ButKeepsLineEnds) {
  Rig rig;
  rig.app.screen.textMirror.assign(32699, 'a');
  Act(rig, [](ScreenActions& a) {
    a.Print('b');
    a.Print('c');
    a.Control(ControlCode::CarriageReturn);
    a.Control(ControlCode::LineFeed);
    a.Control(ControlCode::Step);
    a.Print('d');
  });
  const std::string& m = rig.app.screen.textMirror;
  ASSERT_EQ(m.size(), 32703u);
  EXPECT_EQ(m.substr(32698), "ab\r\n ");
}

TEST(ScreenActions, CursorMarkIsErasedBeforeEachActionAndDrawnAfterTheBlock) {
  Rig rig;
  rig.app.settings.TxtCurs = 1;
  Text(rig, "ab");
  EXPECT_EQ(Art(rig.picture(), 16, 16, 8, 1), Rows{"#.#.#.#."});
  // Turned off, the last mark stays; turned on, the next block blackens the mark pixels first.
  rig.app.settings.TxtCurs = 0;
  rig.app.screen.cursorCol = 0;
  Controls(rig, {ControlCode::Ignored});
  EXPECT_EQ(Art(rig.picture(), 16, 16, 8, 1), Rows{"#.#.#.#."});
  rig.app.settings.TxtCurs = 1;
  rig.app.screen.cursorCol = 2;
  Controls(rig, {ControlCode::Step});  // moves on without drawing
  EXPECT_EQ(Art(rig.picture(), 16, 16, 16, 1), Rows{"........#.#.#.#."});
}

TEST(ScreenActions, DrawingOperationsGivePixels) {
  struct Case {
    const char* name;
    std::vector<GraphicsBytes> commands;
    Rows art;  // the 10 x 6 pixels from the origin
  };
  const Case cases[] = {
      {"plot",
       {G(op::kPlot, 3, 4)},
       {"..........", "..........", "..........", "..........", "...#......", ".........."}},
      {"line, both ends",
       {G(op::kMove, 1, 1), G(op::kLine, 5, 1)},
       {"..........", ".#####....", "..........", "..........", "..........", ".........."}},
      {"line from the pen of a plot",
       {G(op::kPlot, 0, 0), G(op::kLine, 0, 3)},
       {"#.........", "#.........", "#.........", "#.........", "..........", ".........."}},
      {"box towards the top left, both corners",
       {G(op::kMove, 4, 3), G(op::kBox, 2, 2)},
       {"..........", "..........", "..###.....", "..###.....", "..........", ".........."}},
      {"erase box",
       {G(op::kMove, 0, 0), G(op::kBox, 9, 5), G(op::kMove, 1, 1), G(op::kEraseBox, 8, 4)},
       {"##########", "#........#", "#........#", "#........#", "#........#", "##########"}},
      {"invert box twice",
       {G(op::kMove, 1, 1), G(op::kInvertBox, 3, 3), G(op::kMove, 2, 2), G(op::kInvertBox, 3, 3)},
       {"..........", ".###......", ".#........", ".#........", "..........", ".........."}},
      {"circle, r = 1",
       {G(op::kMove, 4, 2), G(op::kCircle, 5, 2)},
       {"..........", "..........", ".....#....", "..........", "..........", ".........."}},
      {"circle, r = 2",
       {G(op::kMove, 3, 2), G(op::kCircle, 5, 2)},
       {"..........", "....###...", "....###...", "....###...", "..........", ".........."}},
      {"rounded frame",
       {G(op::kMove, 0, 0), G(op::kRoundedFrame, 8, 5)},
       {"..#####...", ".#.....#..", "#.......#.", "#.......#.", ".#.....#..", "..#####..."}},
      {"bit columns advance the pen",
       {G(op::kMove, 1, 0), {op::kBitColumns, 0x05, 0x02}, {op::kBitColumns, 0x01, 0x00}},
       {".#.#......", "..#.......", ".#........", "..........", "..........", ".........."}},
      {"flood fill inside a frame",
       {G(op::kMove, 0, 0), G(op::kRoundedFrame, 8, 5), G(op::kFloodFill, 4, 2)},
       {"..#####...", ".#######..", "#########.", "#########.", ".#######..", "..#####..."}},
      {"no-effect operations",
       {G(0x0D, 1, 1), G(0x0F, 1, 1), G(0x80, 1, 1), G(0x83, 1, 1), G(0x8F, 1, 1)},
       {"..........", "..........", "..........", "..........", "..........", ".........."}},
  };
  for (const Case& c : cases) {
    Rig rig;
    Act(rig, [&](ScreenActions& a) {
      for (GraphicsBytes g : c.commands) a.Graphics(g);
    });
    EXPECT_EQ(Art(rig.picture(), 0, 0, 10, 6), c.art) << c.name;
  }
}

TEST(ScreenActions, InkComesFromTheColourByteNeverInverted) {
  Rig rig;
  Act(rig, [](ScreenActions& a) {
    a.SetColour(10);
    a.Graphics(G(op::kPlot, 1, 1));
    a.Graphics(G(op::kMove, 3, 3));
    a.Graphics(G(op::kInvertBox, 3, 3));
  });
  EXPECT_EQ(rig.At(1, 1), 0xFFFF0000u) << "palette entry 2, red, although 10 inverts glyphs";
  EXPECT_EQ(rig.At(3, 3), 0xFFFF0000u) << "black XOR red";
}

TEST(ScreenActions, PointerSpriteTwiceRestoresThePicture) {
  Rig rig;
  Draw(rig, {G(op::kPointer, 4, 4)});
  EXPECT_EQ(Art(rig.picture(), 4, 4, 8, 7), (Rows{"#######.", "#######.", "####....", "##.##...",
                                                  "##..##..", "##...##.", "......##"}));
  Rig grey;
  raster::FillBox(grey.image(), 0, 0, 20, 20, 0xFF123456u);
  const Image before = grey.picture();
  Draw(grey, {G(op::kPointer, 4, 4)});
  EXPECT_EQ(grey.At(4, 4), 0xFF123456u ^ 0xFFFFFFu);
  Draw(grey, {G(op::kPointer, 4, 4)});
  EXPECT_EQ(grey.picture().pixels, before.pixels);
}

TEST(ScreenActions, PenMovesOnlyWithMovePlotLineAndBitColumns) {
  for (int o = 0; o <= 0x0F; ++o) {
    if (o == op::kBitColumns) continue;
    Rig rig;
    Draw(rig, {G(op::kMove, 7, 9), G(o, 2, 4)});
    const bool moves = o == op::kMove || o == op::kPlot || o == op::kLine;
    EXPECT_EQ(rig.app.screen.penX, moves ? 2 : 7) << o;
    EXPECT_EQ(rig.app.screen.penY, moves ? 4 : 9) << o;
  }
}

TEST(ScreenActions, TextCursorAndScroll) {
  Rig rig;
  Draw(rig, {{op::kTextCursor, 83, 30}});
  EXPECT_EQ(CursorOf(rig), (Cursor{3, 5}));
  rig.image().At(40, 40) = 0xFFFFFFFFu;
  Draw(rig, {G(op::kScroll, 16, 510)});  // left by 16, down by 2
  EXPECT_EQ(rig.At(24, 42), 0xFFFFFFFFu);
  EXPECT_EQ(test::LitCount(rig.picture()), 1);
}

TEST(ScreenActions, PixelTestLeavesTheLastAnswerInTheOutbox) {
  struct Case {
    std::vector<GraphicsBytes> tests;
    int reply;
  };
  const Case cases[] = {
      {{G(op::kPixelTest, 5, 5)}, kPixelLit},
      {{G(op::kPixelTest, 6, 5)}, kPixelBlack},
      {{G(op::kPixelTest, 511, 511)}, kPixelLit},  // below the band: outside counts as lit
      {{G(op::kPixelTest, 639, 445)}, kPixelBlack},
      {{G(op::kPixelTest, 5, 5), G(op::kPixelTest, 7, 7)}, kPixelBlack},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.image().At(5, 5) = 0xFF010000u;  // barely not black
    Act(rig, [&](ScreenActions& a) {
      for (GraphicsBytes g : c.tests) a.Graphics(g);
    });
    EXPECT_EQ(rig.app.interpreter.ReplyByte, c.reply) << c.tests.size();
    EXPECT_TRUE(rig.device.written.empty()) << "the main loop sends it";
  }
}

TEST(ScreenActions, QuestionsWaitInTheOutboxInTheOrderAsked) {
  Rig rig;
  Act(rig, [](ScreenActions& a) {
    a.Query(8);
    a.FileBlock(-1);
    a.Query(3);
  });
  using K = ChipQuestion::Kind;
  EXPECT_EQ(rig.app.interpreter.questions,
            (std::vector<ChipQuestion>{{K::Query, 8}, {K::FileBlock, -1}, {K::Query, 3}}));
  EXPECT_TRUE(rig.device.written.empty());
}

TEST(ScreenActions, AHostRequestIsTakenOnlyWhenXProvesTheMirrorLength) {
  Rig rig;
  Text(rig, "abc");
  for (int x : {4, 7, 5}) {
    Act(rig, [x](ScreenActions& a) { a.HostRequest(x, 2 * 'b'); });
    EXPECT_EQ(rig.app.interpreter.HostRequest, 0) << x;
  }
  Act(rig, [](ScreenActions& a) { a.HostRequest(6, 2 * 'b'); });
  EXPECT_EQ(rig.app.interpreter.HostRequest, 2 * 'b');

  Rig full;
  full.app.screen.textMirror.assign(300, 'n');
  Act(full, [](ScreenActions& a) {
    for (int x = 0; x < 512; ++x) a.HostRequest(x, 's');
  });
  EXPECT_EQ(full.app.interpreter.HostRequest, 0) << "300 characters cannot be proved";
}

}  // namespace
}  // namespace tavolin
