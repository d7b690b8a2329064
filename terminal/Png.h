// Png: PNG decoding (the embedded glyph sheet and logo) and encoding (the asset generator, and
// the pictures a failed test leaves for a person to look at), with libpng.
//
// Decoding never throws or aborts: a damaged picture gives a result with ok false and a reason.
// Touches only the bytes and files it is given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Image.h"

namespace tavolin {

struct PngInfo {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colourType = 0;                  // PNG_COLOR_TYPE_* (3 is indexed colour)
  int paletteSize = 0;                 // entries of the palette, indexed pictures only
  std::vector<std::uint32_t> palette;  // 0xFFRRGGBB
};

struct DecodedPng {
  bool ok = false;
  std::string error;  // why decoding failed
  PngInfo info;
  Image image;  // 0xFFRRGGBB
};

DecodedPng DecodePng(const std::uint8_t* data, std::size_t size);

// An 8-bit indexed picture: one palette index per pixel, palette entries 0xFFRRGGBB.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;
  std::vector<std::uint32_t> palette;
};

// Encodes; an empty result when libpng refused.
std::vector<std::uint8_t> EncodePngIndexed(const IndexedPicture& picture);
std::vector<std::uint8_t> EncodePngRgb(const Image& image);
// With the pixels' top byte as the alpha channel (the form of a large icon inside an .ico).
std::vector<std::uint8_t> EncodePngRgba(const Image& image);

// Writes bytes to path; false when the file cannot be written.
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tavolin
