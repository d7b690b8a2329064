// Raster: the drawing primitives of the terminal picture, over a tavolin::Image or the screen's
// ScreenImage (pixels 0xFFRRGGBB either way; both are instantiated in Raster.cpp).
//
// Principles of operation.  Every primitive clips to the image: no coordinate or size, however
// large or negative, writes outside it, and nothing wraps from one row into the next.  Colours are
// pixels here (convert a COLORREF once with PixelFromColorref); XOR leaves the alpha byte alone,
// so an inverted pixel is still opaque.  Nothing here allocates per pixel or per call except the
// flood fill's span stack and the stretch maps, which are reused.  Touches only the images given.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Image.h"
#include "terminal/ScreenImage.h"

namespace tavolin::raster {

inline constexpr Pixel kBlack = 0xFF000000u;
inline constexpr Pixel kWhite = 0xFFFFFFFFu;
inline constexpr Pixel kRgbMask = 0x00FFFFFFu;
// What ReadPixel answers outside the image: no pixel colour (COLORREF) has a high byte.
inline constexpr std::uint32_t kInvalidColour = 0xFFFFFFFFu;

enum class Mode { Copy, Xor };

// Fills the pixels (x, y) to (x + w - 1, y + h - 1); nothing when w or h is 0 or less.  In Xor
// mode each pixel's colour is XORed with colour.
template <class Canvas>
void FillBox(Canvas& image, int x, int y, int w, int h, Pixel colour, Mode mode = Mode::Copy);
// One pixel (a 1 x 1 box).
template <class Canvas>
void SetPixel(Canvas& image, int x, int y, Pixel colour, Mode mode = Mode::Copy);
// A line from (x, y) towards (x + dx, y + dy) with the end pixel excluded, so (x, y, 1, 0) is
// the single pixel (x, y) and (x, y, 0, 0) draws nothing.
template <class Canvas>
void Line(Canvas& image, int x, int y, int dx, int dy, Pixel colour);
// A line from (x1, y1) to (x2, y2), both end pixels included.
template <class Canvas>
void LineBetween(Canvas& image, int x1, int y1, int x2, int y2, Pixel colour);
// The disc inscribed in the square (x - r, y - r) to (x + r, y + r), right and bottom edges
// excluded: the pixels whose distance from (x, y) is at most r - 1/2.  r = 1 is the single pixel
// (x, y); a negative r is taken as |r|, 0 draws nothing.
template <class Canvas>
void FillCircle(Canvas& image, int x, int y, int r, Pixel colour);
// Fills the 4-connected area that has the colour of pixel (x, y) with colour.  Scan lines with a
// span stack: no recursion; the stack holds at most one entry per filled span.
template <class Canvas>
void FloodFill(Canvas& image, int x, int y, Pixel colour);
// The colour at (x, y) as a COLORREF (0x00BBGGRR); kInvalidColour outside the image.
template <class Canvas>
std::uint32_t ReadPixel(const Canvas& image, int x, int y);

// Copies the source rectangle (sx, sy, w, h) of src to (dx, dy) of dst, clipped on both sides.
template <class Source, class Target>
void CopyRect(const Source& src, int sx, int sy, int w, int h, Target& dst, int dx, int dy);

// Nearest-neighbour stretch of the top-left srcW x srcH pixels of src into dst, which is made
// dstW x dstH (its buffer is kept when the size does not change).  Whole pixels are repeated or
// dropped, never blended.  The column and row maps live in maps and are rebuilt only when a size
// changes, so a steady picture costs no allocation.
struct StretchMaps {
  int srcW = -1, srcH = -1, dstW = -1, dstH = -1;
  std::vector<int> columns;
  std::vector<int> rows;
};
template <class Source>
void Stretch(const Source& src, int srcW, int srcH, Image& dst, int dstW, int dstH,
             StretchMaps& maps);

}  // namespace tavolin::raster
