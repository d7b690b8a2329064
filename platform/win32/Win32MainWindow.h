// The pictures of the Win32 main window: the about screen laid over the terminal's picture, and
// the screen as the clipboard's packed bitmap.  Pure (no window), so they are tested directly;
// Win32Ui paints and copies them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Image.h"

namespace tavolin::win32 {

// A packed device-independent bitmap for CF_DIB: the 40-byte BITMAPINFOHEADER (24 bits, no
// compression) and the rows bottom-up, each padded to a multiple of 4 bytes.  Empty for an
// empty picture or one whose pixels do not fill its size.
std::vector<std::uint8_t> PackedDib(const Image& picture);

// above laid over below at (0, 0): its pixels with an alpha of 0 leave below's showing.  As
// large as the larger of the two; black where neither reaches.
Image Overlaid(const Image& below, const Image& above);

}  // namespace tavolin::win32
