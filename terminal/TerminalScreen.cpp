#include "terminal/TerminalScreen.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "settings/Settings.h"
#include "terminal/TerminalContext.h"

namespace tavolin {

namespace {

constexpr float kScaleThreshold = 1.01f;

}  // namespace

int TextWidth(const TerminalContext& app) {
  return EffectiveCols(app.settings) * kCellWidth;
}
int TextHeight(const TerminalContext& app) {
  return EffectiveRows(app.settings) * kCellHeight;
}

void CreateScreenImage(TerminalContext& app, bool withBand) {
  // The old picture goes first, so the two never have to fit into memory together.  Without
  // the memory for the new one the picture stays empty: nothing is drawn or shown, the chip's
  // output is not interpreted (Interpret needs a picture), and the program goes on.
  app.screen.screenImage = ScreenImage();
  try {
    app.screen.screenImage =
        ScreenImage(TextWidth(app), TextHeight(app) + (withBand ? kBandRows : 0));
  } catch (const std::bad_alloc&) {
    app.screen.screenImage = ScreenImage();
  }
}

Pixel InkPixel(const TerminalContext& app) {
  return PixelFromColorref(
      app.settings.palette[static_cast<std::size_t>(app.screen.colorByte & 7)]);
}

void DrawCharacter(TerminalContext& app, std::uint8_t code) {
  TerminalScreen& s = app.screen;
  ScreenImage& image = s.screenImage;
  const Image& sheet = app.glyphSheet;
  const Pixel glyph = InkPixel(app) & raster::kRgbMask;
  const Pixel flip = s.colorByte > 8 ? raster::kRgbMask : 0;
  const long long x0 = static_cast<long long>(s.cursorCol) * kCellWidth;
  const long long y0 = static_cast<long long>(s.cursorRow) * kCellHeight;
  const int gx = (code % kSheetColumns) * kCellWidth;
  const int gy = (code / kSheetColumns) * kCellHeight;
  const bool sheetOk = sheet.width >= kSheetWidth && sheet.height >= kSheetHeight;
  // Copy the complement of the glyph colour, then NOT (sheet OR cell): ink pixels (black in the
  // sheet) take the glyph colour, all others turn black; inverse video flips the cell to white.
  const bool whole = sheetOk && x0 >= 0 && x0 + kCellWidth <= image.width && y0 >= 0 &&
                     y0 + kCellHeight <= image.height;
  if (whole) {
    // The usual case, a cell inside the picture, in a loop the compiler can widen.
    const Pixel* from = sheet.pixels.data() +
                        static_cast<std::size_t>(gy) * static_cast<std::size_t>(sheet.width) + gx;
    for (int j = 0; j < kCellHeight; ++j, from += sheet.width) {
      Pixel* to = image.Row(static_cast<int>(y0) + j) + x0;
      for (int x = 0; x < kCellWidth; ++x) {
        to[x] = 0xFF000000u | (((~from[x] & glyph) ^ flip) & raster::kRgbMask);
      }
    }
  } else {
    // A cell cut by the picture's edge, or no glyph sheet (white cells).
    for (int j = 0; j < kCellHeight; ++j) {
      const long long y = y0 + j;
      if (y < 0 || y >= image.height) continue;
      const Pixel* from =
          sheetOk
              ? sheet.pixels.data() +
                    static_cast<std::size_t>(gy + j) * static_cast<std::size_t>(sheet.width) + gx
              : nullptr;
      const long long xs = std::max<long long>(x0, 0);
      const long long xe = std::min<long long>(x0 + kCellWidth, image.width);
      Pixel* to = image.Row(static_cast<int>(y));
      for (long long x = xs; x < xe; ++x) {
        const Pixel src = from != nullptr ? from[x - x0] : raster::kWhite;
        to[x] = 0xFF000000u | (((~src & glyph) ^ flip) & raster::kRgbMask);
      }
    }
  }

  const std::int32_t cols = EffectiveCols(app.settings);
  const std::int32_t rows = EffectiveRows(app.settings);
  if (s.cursorCol < INT32_MAX) ++s.cursorCol;
  if (s.cursorCol > cols - 1) {
    ++s.cursorRow;
    s.cursorCol -= cols;
  }
  if (s.cursorRow > rows - 1) {
    s.cursorRow = rows - 1;
    s.cursorCol = 0;
    ScrollScreen(app, 0, kCellHeight);
  }
}

void ScrollScreen(TerminalContext& app, int dx, int dy) {
  ScreenImage& image = app.screen.screenImage;
  const long imgW = image.width;
  const long imgH = image.height;
  const long textW = std::min<long>(TextWidth(app), imgW);
  const long textH = std::min<long>(TextHeight(app), imgH);
  // The part that stays visible: (srcX, srcY, tw, th) moves to (destX, destY).  The band below
  // the text area moves with the picture; source rows outside the image read as black.
  const long ldx = dx;
  const long ldy = dy;
  const long tw = std::max(0L, TextWidth(app) - std::labs(ldx));
  const long th = std::max(0L, TextHeight(app) + kBandRows - std::labs(ldy));
  const long srcX = ldx >= 0 ? ldx : 0;
  const long srcY = ldy >= 0 ? ldy : 0;
  const long destX = ldx >= 0 ? 0 : -ldx;
  const long destY = ldy >= 0 ? 0 : -ldy;
  // Horizontal segment of the destination rows that receives the moved pixels, clipped.
  const long segX0 = std::min(destX, imgW);
  const long segX1 = std::min(destX + tw, imgW);
  const long segLen = std::max(0L, segX1 - segX0);
  const long srcSegX = srcX + (segX0 - destX);

  auto processRow = [&](long j) {
    const bool inText = j < textH;
    if (j < destY || j >= destY + th) {
      if (!inText) return;
      if (textW >= imgW) {
        image.Blacken(static_cast<int>(j), static_cast<int>(j) + 1);
      } else {
        Pixel* row = image.Row(static_cast<int>(j));
        std::fill(row, row + textW, raster::kBlack);
      }
      return;
    }
    Pixel* row = image.Row(static_cast<int>(j));
    const long sj = j - destY + srcY;
    if (segLen > 0) {
      // Source pixels outside the image read as black.
      const long valid = (sj < 0 || sj >= imgH) ? 0 : std::clamp(imgW - srcSegX, 0L, segLen);
      if (valid > 0) {
        std::memmove(row + segX0, image.ReadRow(static_cast<int>(sj)) + srcSegX,
                     static_cast<std::size_t>(valid) * sizeof(Pixel));
      }
      std::fill(row + segX0 + valid, row + segX1, raster::kBlack);
    }
    if (inText) {
      std::fill(row, row + std::min(segX0, textW), raster::kBlack);
      if (segX1 < textW) std::fill(row + std::max(segX1, 0L), row + textW, raster::kBlack);
    }
  };

  // Whole rows moving up (the line feed among them): the ring turns, and only the rows that come
  // round at the bottom are set, to black or to what they showed before.  Rows that keep what
  // they showed (the band's lower part) are copied from where the turn has put them, which lies
  // above the rows that came round.
  const long keepFrom = std::max(th, textH);
  const bool ring = dx == 0 && dy > 0 && ldy < imgH && TextWidth(app) >= imgW &&
                    imgH <= TextHeight(app) + kBandRows && (keepFrom >= imgH || keepFrom >= ldy);
  if (ring) {
    image.RotateUp(dy);
    for (long j = imgH - ldy; j < imgH; ++j) {
      if (j < keepFrom) {
        image.Blacken(static_cast<int>(j), static_cast<int>(j) + 1);
      } else {
        image.CopyRow(static_cast<int>(j - ldy), static_cast<int>(j));
      }
    }
  } else if (dy >= 0) {
    for (long j = 0; j < imgH; ++j) processRow(j);
  } else {
    for (long j = imgH - 1; j >= 0; --j) processRow(j);
  }

  if (app.settings.TxtCurs != 0) {
    // A one-row scroll carries the mark that was drawn in the cell above along with the text.
    const long long y = static_cast<long long>(app.screen.cursorRow) * kCellHeight - 1;
    const long long x = static_cast<long long>(app.screen.cursorCol) * kCellWidth;
    if (y >= 0 && y < imgH && x >= 0 && x < imgW) {
      Pixel* row = image.Row(static_cast<int>(y));
      for (int k = 0; k < 8; k += 2) {
        if (x + k < imgW) row[x + k] = raster::kBlack;
      }
    }
  }
}

void DrawCursorMark(TerminalContext& app, bool shown) {
  ScreenImage& image = app.screen.screenImage;
  const long long y = static_cast<long long>(app.screen.cursorRow) * kCellHeight + kCellHeight - 1;
  const long long x = static_cast<long long>(app.screen.cursorCol) * kCellWidth;
  if (y < 0 || y >= image.height) return;
  Pixel* row = image.Row(static_cast<int>(y));
  for (int k = 0; k < 8; k += 2) {
    if (x + k >= 0 && x + k < image.width) row[x + k] = shown ? raster::kWhite : raster::kBlack;
  }
}

const Image& PresentedImage(TerminalContext& app) {
  TerminalScreen& s = app.screen;
  const float scale = EffectiveScale(app.settings);
  // The window gets the picture with its rows in order.  Without the memory for that copy, or
  // for the stretched one, the picture is shown at its own size, or as nothing.
  const auto unstretched = [&s]() -> const Image& {
    try {
      s.screenImage.CopyTo(s.scaledImage);
    } catch (const std::bad_alloc&) {
      s.scaledImage = Image();
    }
    return s.scaledImage;
  };
  if (!(scale > kScaleThreshold) || s.screenImage.empty()) return unstretched();
  const int w = TextWidth(app);
  const int h = TextHeight(app);
  try {
    raster::Stretch(s.screenImage, w, h, s.scaledImage,
                    RoundHalfEven(static_cast<double>(w) * scale),
                    RoundHalfEven(static_cast<double>(h) * scale), s.stretchMaps);
  } catch (const std::bad_alloc&) {
    s.scaledImage = Image();
    s.stretchMaps = raster::StretchMaps();
    return unstretched();
  }
  return s.scaledImage;
}

Image ScreenPicture(const TerminalContext& app) {
  return app.screen.screenImage.Picture();
}

void Present(TerminalContext& app) {
  app.platform.ui.ShowPicture(PresentedImage(app));
}

}  // namespace tavolin
