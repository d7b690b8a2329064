// The graphics command of the display protocol: drawing with the pen, the pixel test, scrolling
// and the text cursor.
//
// Choices where the protocol leaves room: the rectangle operations (box, erase, invert) use the
// rectangle between the pen and the point whichever side of the pen the point lies, both corners
// included; the circle takes a negative radius as its absolute value.
#include <algorithm>
#include <climits>

#include "settings/Settings.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/GraphicsCommand.h"
#include "terminal/Raster.h"
#include "terminal/TerminalContext.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

namespace {

// The pen can be walked far off the picture (bit columns advance it without limit); drawing from
// there is clipped anyway, so far coordinates are pulled in to keep the work bounded.
int Near(std::int32_t v) {
  return std::clamp(v, -65536, 65536);
}

void Rectangle(ScreenImage& image, int x1, int y1, int x2, int y2, Pixel colour,
               raster::Mode mode) {
  x1 = Near(x1);
  y1 = Near(y1);
  const int left = std::min(x1, x2);
  const int top = std::min(y1, y2);
  raster::FillBox(image, left, top, std::max(x1, x2) - left + 1, std::max(y1, y2) - top + 1, colour,
                  mode);
}

void PointerSprite(ScreenImage& image, int x, int y) {
  const auto flip = [&](int dx, int dy) {
    raster::SetPixel(image, x + dx, y + dy, raster::kWhite, raster::Mode::Xor);
  };
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 7; ++col) flip(col, row);
  }
  for (int row = 2; row < 6; ++row) {
    for (int col = 0; col < 2; ++col) flip(col, row);
  }
  for (int k = 0; k <= 4; ++k) {
    flip(3 + k, 2 + k);
    flip(2 + k, 2 + k);
  }
}

void RoundedFrame(ScreenImage& image, int L, int T, int x, int y, Pixel ink) {
  raster::LineBetween(image, L + 2, T, x - 2, T, ink);
  raster::LineBetween(image, x - 2, T, x, T + 2, ink);
  raster::LineBetween(image, x, T + 2, x, y - 2, ink);
  raster::LineBetween(image, x, y - 2, x - 2, y, ink);
  raster::LineBetween(image, L + 2, y, x - 2, y, ink);
  raster::LineBetween(image, L, y - 2, L + 2, y, ink);
  raster::LineBetween(image, L, T + 2, L, y - 2, ink);
  raster::LineBetween(image, L, T + 2, L + 2, T, ink);
}

void BitColumns(TerminalContext& app, std::uint8_t left, std::uint8_t right, Pixel ink) {
  TerminalScreen& s = app.screen;
  for (int k = 0; k < 8; ++k) {
    if ((left >> k) & 1) raster::SetPixel(s.screenImage, s.penX, s.penY + k, ink);
    if ((right >> k) & 1) raster::SetPixel(s.screenImage, s.penX + 1, s.penY + k, ink);
  }
  if (s.penX <= INT32_MAX - 2) s.penX += 2;
}

}  // namespace

void GraphicsCommand(TerminalContext& app, GraphicsBytes command) {
  TerminalScreen& s = app.screen;
  ScreenImage& image = s.screenImage;
  const Pixel ink = InkPixel(app);
  const struct {
    int op;
    int x;
    int y;
    std::uint8_t X;
    std::uint8_t Y;
  } c{command.Op(), command.x(), command.y(), command.X, command.Y};

  switch (c.op) {
    case op::kMove:
      break;
    case op::kPlot:
      raster::SetPixel(image, c.x, c.y, ink);
      break;
    case op::kLine:
      raster::LineBetween(image, Near(s.penX), Near(s.penY), c.x, c.y, ink);
      break;
    case op::kBox:
      Rectangle(image, s.penX, s.penY, c.x, c.y, ink, raster::Mode::Copy);
      break;
    case op::kEraseBox:
      Rectangle(image, s.penX, s.penY, c.x, c.y, raster::kBlack, raster::Mode::Copy);
      break;
    case op::kInvertBox:
      Rectangle(image, s.penX, s.penY, c.x, c.y, ink, raster::Mode::Xor);
      break;
    case op::kPointer:
      PointerSprite(image, c.x, c.y);
      break;
    case op::kCircle: {
      const long long r = static_cast<long long>(c.x) - s.penX;
      raster::FillCircle(image, c.x, c.y, static_cast<int>(std::clamp<long long>(r, -65536, 65536)),
                         ink);
      break;
    }
    case op::kRoundedFrame:
      RoundedFrame(image, Near(s.penX), Near(s.penY), c.x, c.y, ink);
      break;
    case op::kPixelTest:
      app.interpreter.ReplyByte = raster::ReadPixel(image, c.x, c.y) != 0 ? kPixelLit : kPixelBlack;
      break;
    case op::kBitColumns:
      BitColumns(app, c.X, c.Y, ink);
      break;
    case op::kScroll:
      ScrollScreen(app, c.x > 255 ? c.x - 512 : c.x, c.y > 255 ? c.y - 512 : c.y);
      break;
    case op::kTextCursor:
      s.cursorCol = c.X % EffectiveCols(app.settings);
      s.cursorRow = c.Y % EffectiveRows(app.settings);
      break;
    case op::kFloodFill:
      raster::FloodFill(image, c.x, c.y, ink);
      break;
    default:  // 0x0D, 0x0F, 0x80, 0x83 to 0x8F
      break;
  }
  if (c.op == op::kMove || c.op == op::kPlot || c.op == op::kLine) {
    s.penX = c.x;
    s.penY = c.y;
  }
}

}  // namespace tavolin
