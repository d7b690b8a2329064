#include "terminal/ScreenActions.h"

#include <climits>

#include "settings/Settings.h"
#include "terminal/GraphicsCommand.h"
#include "terminal/Raster.h"
#include "terminal/TerminalContext.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

namespace {

void FillCell(TerminalContext& app, std::int32_t col, std::int32_t row, Pixel colour) {
  const long long x = static_cast<long long>(col) * kCellWidth;
  const long long y = static_cast<long long>(row) * kCellHeight;
  const ScreenImage& image = app.screen.screenImage;
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  raster::FillBox(app.screen.screenImage, static_cast<int>(x), static_cast<int>(y), kCellWidth,
                  kCellHeight, colour);
}

void EmptyMirror(TerminalScreen& s) {
  s.previousText = std::move(s.textMirror);
  s.textMirror.clear();
}

void Clear(TerminalContext& app) {
  TerminalScreen& s = app.screen;
  s.cursorCol = 0;
  s.cursorRow = 0;
  raster::FillBox(s.screenImage, 0, 0, TextWidth(app), TextHeight(app), raster::kBlack);
  EmptyMirror(s);
}

void Backspace(TerminalContext& app) {
  TerminalScreen& s = app.screen;
  --s.cursorCol;
  if (s.cursorCol < 0) {
    s.cursorCol = EffectiveCols(app.settings) - 1;
    --s.cursorRow;
    if (s.cursorRow < 0) s.cursorRow = 0;
  }
  FillCell(app, s.cursorCol, s.cursorRow, raster::kBlack);
}

}  // namespace

void NewLine(TerminalContext& app) {
  TerminalScreen& s = app.screen;
  ++s.cursorRow;
  s.cursorCol = 0;
  const std::int32_t rows = EffectiveRows(app.settings);
  if (s.cursorRow > rows - 1) {
    s.cursorRow = rows - 1;
    ScrollScreen(app, 0, kCellHeight);
  }
}

ScreenActions::ScreenActions(TerminalContext& app)
    : app_(app), cursorShown_(app.settings.TxtCurs != 0) {}

void ScreenActions::EraseMark() {
  if (cursorShown_) DrawCursorMark(app_, false);
}

void ScreenActions::Print(std::uint8_t glyph) {
  EraseMark();
  DrawCharacter(app_, glyph);
  std::string& mirror = app_.screen.textMirror;
  if (mirror.size() < kTextMirrorLimit) mirror += static_cast<char>(glyph);
}

void ScreenActions::Control(ControlCode code) {
  EraseMark();
  TerminalScreen& s = app_.screen;
  switch (code) {
    case ControlCode::Clear:
      Clear(app_);
      break;
    case ControlCode::Home:
      s.cursorCol = 0;
      s.cursorRow = 0;
      EmptyMirror(s);
      break;
    case ControlCode::Backspace:
      Backspace(app_);
      break;
    case ControlCode::Step:
      if (s.cursorCol < INT32_MAX) ++s.cursorCol;
      s.textMirror += ' ';
      break;
    case ControlCode::Tab:
      do {
        DrawCharacter(app_, ' ');
      } while (s.cursorCol % 8 != 0);
      break;
    case ControlCode::LineFeed:
      NewLine(app_);
      s.textMirror += '\n';
      break;
    case ControlCode::CarriageReturn:
      s.cursorCol = 0;
      s.textMirror += '\r';
      if (app_.settings.CRmode != 0) {
        NewLine(app_);
        s.textMirror += '\n';
      }
      break;
    case ControlCode::NewLine:
      NewLine(app_);
      s.textMirror += "\r\n";
      break;
    case ControlCode::Ignored:
      break;
  }
}

void ScreenActions::SetColumn(std::uint8_t value) {
  EraseMark();
  app_.screen.cursorCol = value % EffectiveCols(app_.settings);
}

void ScreenActions::SetRow(std::uint8_t value) {
  EraseMark();
  app_.screen.cursorRow = value % EffectiveRows(app_.settings);
}

void ScreenActions::SetColour(std::uint8_t value) {
  EraseMark();
  app_.screen.colorByte = value;
}

void ScreenActions::Graphics(GraphicsBytes command) {
  EraseMark();
  GraphicsCommand(app_, command);
}

void ScreenActions::Query(int x) {
  EraseMark();
  app_.interpreter.questions.push_back({ChipQuestion::Kind::Query, x});
}

void ScreenActions::FileBlock(std::int32_t block) {
  EraseMark();
  app_.interpreter.questions.push_back({ChipQuestion::Kind::FileBlock, block});
}

void ScreenActions::HostRequest(int x, int y) {
  EraseMark();
  // The request names the text printed since the last clear or home and proves its length.
  if (static_cast<std::size_t>(x) == 2 * app_.screen.textMirror.size()) {
    app_.interpreter.HostRequest = y;
  }
}

void ScreenActions::Feed(DisplayParser& parser, std::span<const std::uint8_t> bytes,
                         Dialect dialect) {
  parser.Feed(bytes, dialect, *this);
}

void ScreenActions::Finish() {
  if (cursorShown_) DrawCursorMark(app_, true);
  Present(app_);
}

}  // namespace tavolin
