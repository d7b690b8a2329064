#include "terminal/Raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tavolin::raster {

namespace {

// Rows to write into and rows to read from; the screen's blank rows read as black and are filled
// in when written.
Pixel* Row(Image& image, int y) {
  return image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
}
const Pixel* ReadRow(const Image& image, int y) {
  return image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
}
Pixel* Row(ScreenImage& image, int y) {
  return image.Row(y);
}
const Pixel* ReadRow(const ScreenImage& image, int y) {
  return image.ReadRow(y);
}

// Whole rows painted black: the screen only marks them.  False when the caller must paint.
bool BlackenRows(Image&, long, long, Pixel) {
  return false;
}
bool BlackenRows(ScreenImage& image, long y0, long y1, Pixel colour) {
  if (colour != kBlack) return false;
  image.Blacken(static_cast<int>(y0), static_cast<int>(y1));
  return true;
}

// Clips the half-open span [x0, x1) of row y and paints it.
template <class Canvas>
void Span(Canvas& image, int y, long x0, long x1, Pixel colour, Mode mode) {
  if (y < 0 || y >= image.height) return;
  x0 = std::max(x0, 0L);
  x1 = std::min(x1, static_cast<long>(image.width));
  if (x0 >= x1) return;
  Pixel* row = Row(image, y);
  Pixel* p = row + x0;
  Pixel* end = row + x1;
  if (mode == Mode::Copy) {
    std::fill(p, end, colour);
  } else {
    const Pixel flip = colour & kRgbMask;
    for (; p != end; ++p) *p ^= flip;
  }
}

// Bresenham from (x1, y1) to (x2, y2); the end pixel only when includeEnd.
template <class Canvas>
void Bresenham(Canvas& image, long x1, long y1, long x2, long y2, Pixel colour, bool includeEnd) {
  const long dx = std::labs(x2 - x1);
  const long dy = -std::labs(y2 - y1);
  const long sx = x1 < x2 ? 1 : -1;
  const long sy = y1 < y2 ? 1 : -1;
  long err = dx + dy;
  for (;;) {
    const bool atEnd = x1 == x2 && y1 == y2;
    if (atEnd && !includeEnd) return;
    if (x1 >= 0 && y1 >= 0 && x1 < image.width && y1 < image.height) {
      Row(image, static_cast<int>(y1))[x1] = colour;
    }
    if (atEnd) return;
    const long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x1 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y1 += sy;
    }
  }
}

}  // namespace

template <class Canvas>
void FillBox(Canvas& image, int x, int y, int w, int h, Pixel colour, Mode mode) {
  if (w <= 0 || h <= 0) return;
  const long y0 = std::max(static_cast<long>(y), 0L);
  const long y1 = std::min(static_cast<long>(y) + h, static_cast<long>(image.height));
  const bool wholeRows = x <= 0 && static_cast<long>(x) + w >= image.width;
  if (mode == Mode::Copy && wholeRows && y0 < y1 && BlackenRows(image, y0, y1, colour)) return;
  for (long row = y0; row < y1; ++row) {
    Span(image, static_cast<int>(row), x, static_cast<long>(x) + w, colour, mode);
  }
}

template <class Canvas>
void SetPixel(Canvas& image, int x, int y, Pixel colour, Mode mode) {
  if (!image.Contains(x, y)) return;
  Pixel& p = image.At(x, y);
  p = mode == Mode::Copy ? colour : (p ^ (colour & kRgbMask));
}

template <class Canvas>
void Line(Canvas& image, int x, int y, int dx, int dy, Pixel colour) {
  Bresenham(image, x, y, static_cast<long>(x) + dx, static_cast<long>(y) + dy, colour, false);
}

template <class Canvas>
void LineBetween(Canvas& image, int x1, int y1, int x2, int y2, Pixel colour) {
  Bresenham(image, x1, y1, x2, y2, colour, true);
}

template <class Canvas>
void FillCircle(Canvas& image, int x, int y, int r, Pixel colour) {
  const long radius = std::labs(static_cast<long>(r));
  if (radius == 0) return;
  // Pixel (x + i, y + j) is inside when 4 (i^2 + j^2) <= (2r - 1)^2.
  const long limit = (2 * radius - 1) * (2 * radius - 1);
  long half = radius - 1;  // half-width of the current row, shrinking as |j| grows
  for (long j = 0; j <= radius - 1; ++j) {
    while (half >= 0 && 4 * (half * half + j * j) > limit) --half;
    if (half < 0) break;
    const long x0 = static_cast<long>(x) - half;
    const long x1 = static_cast<long>(x) + half + 1;
    const long below = static_cast<long>(y) + j;
    const long above = static_cast<long>(y) - j;
    if (below >= 0 && below < image.height) {
      Span(image, static_cast<int>(below), x0, x1, colour, Mode::Copy);
    }
    if (j != 0 && above >= 0 && above < image.height) {
      Span(image, static_cast<int>(above), x0, x1, colour, Mode::Copy);
    }
  }
}

template <class Canvas>
void FloodFill(Canvas& image, int x, int y, Pixel colour) {
  if (!image.Contains(x, y)) return;
  const Pixel target = image.At(x, y);
  if (target == colour) return;  // the area already has the colour; nothing would change
  struct Seed {
    int x;
    int y;
  };
  std::vector<Seed> stack;
  stack.push_back({x, y});
  const int w = image.width;
  const int h = image.height;
  while (!stack.empty()) {
    const Seed s = stack.back();
    stack.pop_back();
    Pixel* row = Row(image, s.y);
    if (row[s.x] != target) continue;
    int left = s.x;
    while (left > 0 && row[left - 1] == target) --left;
    int right = s.x;
    while (right + 1 < w && row[right + 1] == target) ++right;
    std::fill(row + left, row + right + 1, colour);
    // One seed per run of target pixels in the rows above and below.
    for (int ny : {s.y - 1, s.y + 1}) {
      if (ny < 0 || ny >= h) continue;
      const Pixel* other = ReadRow(image, ny);
      int i = left;
      while (i <= right) {
        if (other[i] != target) {
          ++i;
          continue;
        }
        stack.push_back({i, ny});
        while (i <= right && other[i] == target) ++i;
      }
    }
  }
}

template <class Canvas>
std::uint32_t ReadPixel(const Canvas& image, int x, int y) {
  if (!image.Contains(x, y)) return kInvalidColour;
  return ColorrefFromPixel(image.At(x, y));
}

template <class Source, class Target>
void CopyRect(const Source& src, int sx, int sy, int w, int h, Target& dst, int dx, int dy) {
  // Clip against the source, then against the destination, moving both origins together.
  long x0 = 0, y0 = 0, x1 = w, y1 = h;  // offsets inside the rectangle
  x0 = std::max({x0, -static_cast<long>(sx), -static_cast<long>(dx)});
  y0 = std::max({y0, -static_cast<long>(sy), -static_cast<long>(dy)});
  x1 = std::min({x1, static_cast<long>(src.width) - sx, static_cast<long>(dst.width) - dx});
  y1 = std::min({y1, static_cast<long>(src.height) - sy, static_cast<long>(dst.height) - dy});
  if (x0 >= x1 || y0 >= y1) return;
  const std::size_t count = static_cast<std::size_t>(x1 - x0);
  for (long j = y0; j < y1; ++j) {
    Pixel* to = Row(dst, static_cast<int>(dy + j)) + dx + x0;
    const Pixel* from = ReadRow(src, static_cast<int>(sy + j)) + sx + x0;
    std::memmove(to, from, count * sizeof(Pixel));
  }
}

template <class Source>
void Stretch(const Source& src, int srcW, int srcH, Image& dst, int dstW, int dstH,
             StretchMaps& maps) {
  srcW = std::clamp(srcW, 0, src.width);
  srcH = std::clamp(srcH, 0, src.height);
  dstW = std::max(dstW, 0);
  dstH = std::max(dstH, 0);
  if (dst.width != dstW || dst.height != dstH) dst = Image(dstW, dstH);
  if (dstW == 0 || dstH == 0) return;
  if (srcW == 0 || srcH == 0) {
    std::fill(dst.pixels.begin(), dst.pixels.end(), kBlack);
    return;
  }
  if (maps.srcW != srcW || maps.dstW != dstW) {
    maps.columns.resize(static_cast<std::size_t>(dstW));
    for (int i = 0; i < dstW; ++i) {
      maps.columns[static_cast<std::size_t>(i)] =
          static_cast<int>(static_cast<long long>(i) * srcW / dstW);
    }
    maps.srcW = srcW;
    maps.dstW = dstW;
  }
  if (maps.srcH != srcH || maps.dstH != dstH) {
    maps.rows.resize(static_cast<std::size_t>(dstH));
    for (int j = 0; j < dstH; ++j) {
      maps.rows[static_cast<std::size_t>(j)] =
          static_cast<int>(static_cast<long long>(j) * srcH / dstH);
    }
    maps.srcH = srcH;
    maps.dstH = dstH;
  }
  const int* columns = maps.columns.data();
  for (int j = 0; j < dstH; ++j) {
    const int sy = maps.rows[static_cast<std::size_t>(j)];
    Pixel* to = Row(dst, j);
    // Rows that repeat a source row repeat the finished destination row.
    if (j > 0 && maps.rows[static_cast<std::size_t>(j - 1)] == sy) {
      std::memcpy(to, Row(dst, j - 1), static_cast<std::size_t>(dstW) * sizeof(Pixel));
      continue;
    }
    const Pixel* from = ReadRow(src, sy);
    for (int i = 0; i < dstW; ++i) to[i] = from[columns[i]];
  }
}

// The two kinds of picture the primitives draw on.
#define TAVOLIN_RASTER_INSTANTIATE(Canvas)                                           \
  template void FillBox(Canvas&, int, int, int, int, Pixel, Mode);                   \
  template void SetPixel(Canvas&, int, int, Pixel, Mode);                            \
  template void Line(Canvas&, int, int, int, int, Pixel);                            \
  template void LineBetween(Canvas&, int, int, int, int, Pixel);                     \
  template void FillCircle(Canvas&, int, int, int, Pixel);                           \
  template void FloodFill(Canvas&, int, int, Pixel);                                 \
  template std::uint32_t ReadPixel(const Canvas&, int, int);                         \
  template void CopyRect(const Image&, int, int, int, int, Canvas&, int, int);       \
  template void CopyRect(const ScreenImage&, int, int, int, int, Canvas&, int, int); \
  template void Stretch(const Canvas&, int, int, Image&, int, int, StretchMaps&);
TAVOLIN_RASTER_INSTANTIATE(Image)
TAVOLIN_RASTER_INSTANTIATE(ScreenImage)
#undef TAVOLIN_RASTER_INSTANTIATE

}  // namespace tavolin::raster
