// The embedded pictures: formats and sizes as made by the generator, a few glyphs, the logo's
// black ground, and a damaged picture reported instead of decoded.
#include <gtest/gtest.h>

#include "terminal/Assets.h"
#include "terminal/Png.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {
namespace {

// The rows of the glyph of code that hold ink.
std::pair<int, int> InkRows(const Image& sheet, int code) {
  int first = -1, last = -1;
  for (int j = 0; j < kCellHeight; ++j) {
    for (int i = 0; i < kCellWidth; ++i) {
      if ((sheet.At((code % 32) * 8 + i, (code / 32) * 17 + j) & 0xFFFFFFu) == 0) {
        if (first < 0) first = j;
        last = j;
      }
    }
  }
  return {first, last};
}

TEST(Assets, GlyphSheetIsIndexedBlackAndWhite) {
  const EmbeddedPicture png = GlyphSheetPng();
  const DecodedPng d = DecodePng(png.data, png.size);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.info.width, 256);
  EXPECT_EQ(d.info.height, 136);
  EXPECT_EQ(d.info.bitDepth, 8);
  EXPECT_EQ(d.info.colourType, 3);
  EXPECT_EQ(d.info.palette, (std::vector<std::uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
  for (Pixel p : d.image.pixels) ASSERT_TRUE(p == 0xFF000000u || p == 0xFFFFFFFFu);
}

TEST(Assets, GlyphsStandWhereTheyShould) {
  const EmbeddedPicture png = GlyphSheetPng();
  const Image sheet = DecodePng(png.data, png.size).image;
  struct Case {
    int code;
    int first, last;  // ink rows; -1 for a blank glyph
  };
  const Case cases[] = {{' ', -1, -1}, {'A', 3, 13}, {'H', 3, 13}, {'_', 16, 16},
                        {'g', 6, 16},  {'x', 6, 13}, {'0', 3, 13}};
  for (const Case& c : cases) {
    EXPECT_EQ(InkRows(sheet, c.code), std::make_pair(c.first, c.last)) << "code " << c.code;
  }
  for (int code = 14; code < 256; ++code) {
    if (code == ' ') continue;
    EXPECT_NE(InkRows(sheet, code).first, -1) << "code " << code << " is empty";
  }
}

TEST(Assets, LogoIsBlackGroundWithText) {
  const EmbeddedPicture png = LogoPng();
  const DecodedPng d = DecodePng(png.data, png.size);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.image.width, kLogoWidth);
  EXPECT_EQ(d.image.height, kLogoHeight);
  EXPECT_EQ(d.image.At(0, 0), 0xFF000000u);
  EXPECT_EQ(d.image.At(209, 84), 0xFF000000u);
  int lit = 0;
  for (Pixel p : d.image.pixels) lit += p != 0xFF000000u ? 1 : 0;
  EXPECT_GT(lit, 500);
}

TEST(Png, DamagedOrForeignDataIsReportedNotDecoded) {
  const EmbeddedPicture png = GlyphSheetPng();
  std::vector<std::uint8_t> cut(png.data, png.data + png.size / 2);
  std::vector<std::uint8_t> flipped(png.data, png.data + png.size);
  flipped[40] ^= 0xFF;
  std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
  for (const std::vector<std::uint8_t>* bytes : {&cut, &flipped, &text}) {
    const DecodedPng d = DecodePng(bytes->data(), bytes->size());
    EXPECT_FALSE(d.ok);
    EXPECT_FALSE(d.error.empty());
  }
  EXPECT_FALSE(DecodePng(nullptr, 0).ok);
}

TEST(Png, RgbRoundTrip) {
  Image image(3, 2);
  image.At(0, 0) = 0xFF102030u;
  image.At(2, 1) = 0xFFFFFFFFu;
  const std::vector<std::uint8_t> bytes = EncodePngRgb(image);
  const DecodedPng d = DecodePng(bytes.data(), bytes.size());
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.image.pixels, image.pixels);
}

}  // namespace
}  // namespace tavolin
