// The graphics command of the display protocol: drawing with the pen, the pixel test, scrolling,
// the text cursor, the queries (time, date, palette), the sector service over PreparedFile and
// the host request.
//
// Choices where the protocol leaves room: the rectangle operations (box, erase, invert) use the
// rectangle between the pen and the point whichever side of the pen the point lies, both corners
// included; the circle takes a negative radius as its absolute value.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/AppState.h"
#include "platform/RegularFile.h"
#include "settings/Settings.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/GraphicsCommand.h"
#include "terminal/Raster.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

namespace {

constexpr std::size_t kSectorSize = 512;

struct Command {
  int op;
  int x;
  int y;
  std::uint8_t X;
  std::uint8_t Y;
};

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

void BitColumns(AppState& app, std::uint8_t left, std::uint8_t right, Pixel ink) {
  TerminalScreen& s = app.screen;
  for (int k = 0; k < 8; ++k) {
    if ((left >> k) & 1) raster::SetPixel(s.screenImage, s.penX, s.penY + k, ink);
    if ((right >> k) & 1) raster::SetPixel(s.screenImage, s.penX + 1, s.penY + k, ink);
  }
  if (s.penX <= INT32_MAX - 2) s.penX += 2;
}

void Send(AppState& app, const std::string& text) {
  app.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void Query(AppState& app, int x) {
  const LocalDateTime now = app.platform.clock.LocalNow();
  switch (x) {
    case 2:
      Send(app, std::to_string(SecondsSince1970(now)) + "\r");
      break;
    case 4:
      Send(app, FormatTime(now) + "\r");
      break;
    case 6:
      Send(app, FormatDate(now) + "\r");
      break;
    case 8: {
      const std::uint32_t v = (app.settings.palette[7] ^ app.settings.palette[6]) & 0xFFFFFFu;
      Send(app, std::to_string(v) + "\r");
      break;
    }
    default:
      break;
  }
}

void SectorService(AppState& app, int x, std::uint8_t Y) {
  const long long block = static_cast<long long>(x - 256) * 128 + Y;
  if (app.PreparedFile.empty()) return;
  std::ifstream file;  // reading does not lock others out
  if (!OpenRegularFile(app.PreparedFile, file)) return;
  app.settings.MsMoveOff = 1;  // no mouse reports in the middle of the block
  std::uint8_t* data = app.SendBuffer.data();
  std::fill(data, data + kSectorSize, std::uint8_t{0});
  bool readable = true;
  if (block >= 0) {
    file.seekg(static_cast<std::streamoff>(block) * static_cast<std::streamoff>(kSectorSize));
    readable = static_cast<bool>(file);
  }
  // A negative block cannot be sought: the file stays at its start.
  if (readable) file.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(kSectorSize));
  std::int32_t sum = 0;
  for (std::size_t i = 0; i < kSectorSize; ++i) sum += static_cast<std::int8_t>(data[i]);
  app.port.WriteRaw(data, kSectorSize);
  const std::uint32_t u = static_cast<std::uint32_t>(sum);
  const std::uint8_t tail[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                static_cast<std::uint8_t>(u >> 16),
                                static_cast<std::uint8_t>(u >> 24)};
  app.port.WriteRaw(tail, sizeof tail);
  app.settings.MsMoveOff = app.NormalTerminalMode != 0 ? 1 : 0;
}

}  // namespace

long long SecondsSince1970(const LocalDateTime& t) {
  // Days from the civil date (proleptic Gregorian calendar).
  const long long y = static_cast<long long>(t.year) - (t.month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long m = t.month;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = era * 146097 + doe - 719468;
  return days * 86400 + t.hour * 3600LL + t.minute * 60LL + t.second;
}

std::string FormatTime(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

std::string FormatDate(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d %04d", t.month, t.day, t.year);
  return text;
}

void GraphicsCommand(AppState& app) {
  TerminalScreen& s = app.screen;
  ScreenImage& image = s.screenImage;
  const Pixel ink = InkPixel(app);
  const std::uint8_t C = ReadParameter(app);
  const std::uint8_t X = ReadParameter(app);
  const std::uint8_t Y = ReadParameter(app);
  const Command c{C & 0x8F, 2 * X + ((C >> 5) & 1), 2 * Y + ((C >> 4) & 1), X, Y};

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
    case op::kQuery:
      if (c.x < 255) {
        Query(app, c.x);
      } else {
        SectorService(app, c.x, c.Y);
      }
      break;
    case op::kHostRequest:
      if (static_cast<std::size_t>(c.x) == 2 * s.textMirror.size())
        app.interpreter.HostRequest = c.y;
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
