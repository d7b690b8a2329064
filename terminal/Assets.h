// The two pictures the program carries: the glyph sheet (256 x 136, indexed, black ink on
// white) and the upload banner's logo (210 x 85 on black).  They are compiled into the binary
// from assets/ and decoded once at start-up; a picture that does not decode, or has the wrong
// size, is reported then, with its name and the reason, instead of failing later.
// Touches app.glyphSheet and app.logo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavolin {

struct TerminalContext;

inline constexpr int kLogoWidth = 210;
inline constexpr int kLogoHeight = 85;

struct EmbeddedPicture {
  const std::uint8_t* data;
  std::size_t size;
};
EmbeddedPicture GlyphSheetPng();
EmbeddedPicture LogoPng();

// Decodes both; false with a message naming the picture and the reason when one fails.
bool DecodeAssets(TerminalContext& app, std::string& error);

}  // namespace tavolin
