#include "terminal/Assets.h"

#include "terminal/Png.h"
#include "terminal/TerminalContext.h"
#include "terminal/TerminalScreen.h"

// Generated at build time by tools/assetgen from assets/glyphs.txt (see assets/CMakeLists.txt).
extern const unsigned char tavolin_glyph_sheet_png[];
extern const unsigned long tavolin_glyph_sheet_png_size;
extern const unsigned char tavolin_logo_png[];
extern const unsigned long tavolin_logo_png_size;

namespace tavolin {

namespace {

bool DecodeOne(const char* name, EmbeddedPicture png, int width, int height, Image& into,
               std::string& error) {
  DecodedPng d = DecodePng(png.data, png.size);
  if (!d.ok) {
    error = std::string("The embedded ") + name + " cannot be decoded: " + d.error;
    return false;
  }
  if (d.image.width != width || d.image.height != height) {
    error = std::string("The embedded ") + name +
            " has the wrong size: " + std::to_string(d.image.width) + " x " +
            std::to_string(d.image.height);
    return false;
  }
  into = std::move(d.image);
  return true;
}

}  // namespace

EmbeddedPicture GlyphSheetPng() {
  return {tavolin_glyph_sheet_png, tavolin_glyph_sheet_png_size};
}
EmbeddedPicture LogoPng() {
  return {tavolin_logo_png, tavolin_logo_png_size};
}

bool DecodeAssets(TerminalContext& app, std::string& error) {
  return DecodeOne("glyph sheet", GlyphSheetPng(), kSheetWidth, kSheetHeight, app.glyphSheet,
                   error) &&
         DecodeOne("logo", LogoPng(), kLogoWidth, kLogoHeight, app.logo, error);
}

}  // namespace tavolin
