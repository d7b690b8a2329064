// The pictures of the Win32 main window.  See Win32MainWindow.h.
#include "platform/win32/Win32MainWindow.h"

#include <windows.h>

#include <algorithm>

namespace tavolin::win32 {
namespace {

void PutLe(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> PackedDib(const Image& picture) {
  const auto w = static_cast<std::size_t>(std::max(picture.width, 0));
  const auto h = static_cast<std::size_t>(std::max(picture.height, 0));
  if (w == 0 || h == 0 || picture.pixels.size() < w * h) return {};
  const std::size_t stride = (w * 3 + 3) / 4 * 4;
  constexpr std::size_t kHeader = 40;
  std::vector<std::uint8_t> dib(kHeader + stride * h, 0);
  std::uint8_t* p = dib.data();
  PutLe(p + 0, kHeader, 4);                                  // biSize
  PutLe(p + 4, static_cast<std::uint32_t>(w), 4);            // biWidth
  PutLe(p + 8, static_cast<std::uint32_t>(h), 4);            // biHeight > 0: bottom-up
  PutLe(p + 12, 1, 2);                                       // biPlanes
  PutLe(p + 14, 24, 2);                                      // biBitCount
  PutLe(p + 16, BI_RGB, 4);                                  // biCompression
  PutLe(p + 20, static_cast<std::uint32_t>(stride * h), 4);  // biSizeImage
  // biXPelsPerMeter, biYPelsPerMeter, biClrUsed, biClrImportant stay 0.
  for (std::size_t y = 0; y < h; ++y) {
    std::uint8_t* row = p + kHeader + (h - 1 - y) * stride;
    const Pixel* source = picture.pixels.data() + y * w;
    for (std::size_t x = 0; x < w; ++x) {
      row[3 * x + 0] = static_cast<std::uint8_t>(source[x]);        // blue
      row[3 * x + 1] = static_cast<std::uint8_t>(source[x] >> 8);   // green
      row[3 * x + 2] = static_cast<std::uint8_t>(source[x] >> 16);  // red
    }
  }
  return dib;
}

Image Overlaid(const Image& below, const Image& above) {
  const auto filled = [](const Image& i) {
    return i.width > 0 && i.height > 0 &&
           i.pixels.size() >=
               static_cast<std::size_t>(i.width) * static_cast<std::size_t>(i.height);
  };
  const bool hasBelow = filled(below);
  const bool hasAbove = filled(above);
  Image result(std::max(hasBelow ? below.width : 0, hasAbove ? above.width : 0),
               std::max(hasBelow ? below.height : 0, hasAbove ? above.height : 0), 0xFF000000u);
  for (int y = 0; y < result.height; ++y) {
    for (int x = 0; x < result.width; ++x) {
      if (hasAbove && above.Contains(x, y) && (above.At(x, y) >> 24) != 0) {
        result.At(x, y) = above.At(x, y);
      } else if (hasBelow && below.Contains(x, y)) {
        result.At(x, y) = below.At(x, y);
      }
    }
  }
  return result;
}

}  // namespace tavolin::win32
