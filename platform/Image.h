// A picture in memory: 32-bit pixels 0xFFRRGGBB, rows top-down, no padding (the layout of a
// QImage::Format_RGB32 over the same memory).  Drawing on it lives in terminal/Raster.h; this
// header is only the shape, so every layer can hand pictures around.
#pragma once

#include <cstdint>
#include <vector>

namespace tavolin {

using Pixel = std::uint32_t;

// Colours are stored and sent as COLORREF (0x00BBGGRR, red in the low byte); pixels hold
// 0xFFRRGGBB.  These two convert between them.
constexpr Pixel PixelFromColorref(std::uint32_t colorref) {
  return 0xFF000000u | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) |
         ((colorref >> 16) & 0xFFu);
}
constexpr std::uint32_t ColorrefFromPixel(Pixel pixel) {
  return ((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16);
}

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Pixel> pixels;  // width * height

  Image() = default;
  Image(int w, int h, Pixel fill = 0xFF000000u)
      : width(w > 0 ? w : 0),
        height(h > 0 ? h : 0),
        pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  Pixel& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace tavolin
