// The display parser: bytes of both dialects to actions, and the same actions whichever way the
// bytes are cut into blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "terminal/DisplayParser.h"

namespace tavolin {
namespace {

using Actions = std::vector<std::string>;

// Writes every action down as a short text.
class Recorder final : public DisplayActions {
 public:
  Actions seen;
  void Print(std::uint8_t glyph) override { Add("print %d", glyph); }
  void Control(ControlCode code) override {
    static const char* const kNames[] = {"clear",           "home",     "backspace",
                                         "step",            "tab",      "line feed",
                                         "carriage return", "new line", "ignored"};
    seen.emplace_back(kNames[static_cast<int>(code)]);
  }
  void SetColumn(std::uint8_t v) override { Add("column %d", v); }
  void SetRow(std::uint8_t v) override { Add("row %d", v); }
  void SetColour(std::uint8_t v) override { Add("colour %d", v); }
  void Graphics(GraphicsBytes g) override { Add("graphics %02X %d %d", g.C, g.X, g.Y); }
  void Query(int x) override { Add("query %d", x); }
  void FileBlock(std::int32_t block) override { Add("block %d", block); }
  void HostRequest(int x, int y) override { Add("request %d %d", x, y); }

 private:
  template <typename... T>
  void Add(const char* format, T... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<int>(values)...);
    seen.emplace_back(text);
  }
};

struct Case {
  const char* name;
  Dialect dialect;
  std::vector<std::uint8_t> bytes;
  Actions actions;
};

constexpr Dialect kTeletype = Dialect::NormalTerminal;
constexpr Dialect kGraphics = Dialect::Graphics;

const Case kCases[] = {
    {"glyphs, 200 as a backspace", kTeletype, {'H', 14, 255, 200, 8},
     {"print 72", "print 14", "print 255", "backspace", "backspace"}},
    {"teletype codes", kTeletype, {0, 1, 2, 3, 4, 6, 7, 9, 10, 11, 13},
     {"clear", "ignored", "ignored", "ignored", "ignored", "ignored", "ignored", "step",
      "line feed", "ignored", "carriage return"}},
    {"graphics codes", kGraphics, {0, 1, 2, 9, 13, 200},
     {"clear", "home", "ignored", "tab", "new line", "backspace"}},
    {"teletype 11 takes no parameter", kTeletype, {11, 'A'}, {"ignored", "print 65"}},
    {"graphics 10 11 12 take one", kGraphics, {10, 83, 11, 27, 12, 9},
     {"column 83", "row 27", "colour 9"}},
    {"parameters are taken raw", kGraphics, {10, 10, 12, 200, 11, 5, 'x'},
     {"column 10", "colour 200", "row 5", "print 120"}},
    {"teletype colour", kTeletype, {12, 5, 12, 0, 'a'}, {"colour 5", "colour 0", "print 97"}},
    {"graphics command bytes", kTeletype, {5, 0x01, 10, 5, 5, 200, 200, 200},
     {"graphics 01 10 5", "graphics C8 200 200"}},
    {"a command's bytes are never codes", kGraphics, {5, 0x0C, 13, 0, 'z'},
     {"graphics 0C 13 0", "print 122"}},
    {"queries", kGraphics, {5, 0x81, 1, 0, 5, 0xA1, 3, 9, 5, 0xC1, 4, 0},
     {"query 2", "query 7", "query 8"}},  // bit 6 of C is no part of the op
    {"file blocks", kTeletype, {5, 0x91, 128, 0, 5, 0xA1, 127, 127, 5, 0xB1, 255, 127},
     {"block 0", "block -1", "block 32767"}},
    {"host requests", kGraphics, {5, 0x82, 3, 'b', 5, 0xB2, 0, 's'},
     {"request 6 196", "request 1 231"}},
};

Actions Parse(Dialect dialect, const std::vector<std::uint8_t>& bytes, std::size_t cut) {
  DisplayParser parser;
  Recorder recorder;
  const std::span<const std::uint8_t> all(bytes);
  parser.Feed(all.first(cut), dialect, recorder);
  parser.Feed(all.subspan(cut), dialect, recorder);
  EXPECT_EQ(parser.HeldCount(), 0);
  return recorder.seen;
}

TEST(DisplayParser, DecodesBothDialectsWhereverTheBlocksAreCut) {
  for (const Case& c : kCases) {
    for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
      EXPECT_EQ(Parse(c.dialect, c.bytes, cut), c.actions) << c.name << ", cut at " << cut;
    }
  }
}

TEST(DisplayParser, HoldsAnUnfinishedCommandUntilItsLastByte) {
  struct Held {
    Dialect dialect;
    std::vector<std::uint8_t> bytes;
    int held;
  };
  const Held cases[] = {
      {kGraphics, {'a', 5}, 1},   {kTeletype, {5, 1}, 2},  {kGraphics, {5, 1, 2}, 3},
      {kGraphics, {10}, 1},       {kGraphics, {11}, 1},    {kTeletype, {12}, 1},
      {kTeletype, {10}, 0},       {kTeletype, {11}, 0},    {kGraphics, {5, 1, 2, 3}, 0},
  };
  for (const Held& c : cases) {
    DisplayParser parser;
    Recorder recorder;
    parser.Feed(c.bytes, c.dialect, recorder);
    EXPECT_EQ(parser.HeldCount(), c.held) << c.bytes.size() << " bytes";
  }
}

TEST(DisplayParser, AHeldCommandEndsInTheDialectItBeganIn) {
  DisplayParser parser;
  Recorder recorder;
  const std::vector<std::uint8_t> columnCode = {10}, colourCode = {12}, three = {3, 'A'};
  parser.Feed(columnCode, kGraphics, recorder);
  parser.Feed(three, kTeletype, recorder);
  parser.Feed(colourCode, kTeletype, recorder);
  parser.Feed(three, kGraphics, recorder);
  EXPECT_EQ(recorder.seen, (Actions{"column 3", "print 65", "colour 3", "print 65"}));
}

}  // namespace
}  // namespace tavolin
