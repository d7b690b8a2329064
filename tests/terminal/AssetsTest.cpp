// The embedded pictures: formats and sizes as made by the generator, a few glyphs, the logo's
// black ground, and a damaged picture reported instead of decoded.  Where the generator runs on
// the build machine, also the Windows program icon it draws.
#include <gtest/gtest.h>

#include <cstdlib>

#include "terminal/Assets.h"
#include "terminal/Png.h"
#include "terminal/TerminalScreen.h"
#include "tests/TempDir.h"

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

TEST(Png, RgbAndRgbaRoundTrip) {
  Image image(3, 2);
  image.At(0, 0) = 0xFF102030u;
  image.At(2, 1) = 0xFFFFFFFFu;
  struct Case {
    std::vector<std::uint8_t> bytes;
    int colourType;
  };
  for (const Case& c : {Case{EncodePngRgb(image), 2}, Case{EncodePngRgba(image), 6}}) {
    const DecodedPng d = DecodePng(c.bytes.data(), c.bytes.size());
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.info.colourType, c.colourType);
    EXPECT_EQ(d.image.pixels, image.pixels);
  }
}

#ifdef TAVOLIN_ASSETGEN
std::uint32_t Le(const std::string& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + static_cast<std::size_t>(i)));
  return value;
}

// Each picture of the .ico shows what the desktop icon of its size shows: a bitmap read
// bottom-up as BGRA, or a PNG.  A swapped channel, a flipped picture or a wrong offset differs.
TEST(Assets, WindowsIconHoldsTheDesktopIconInEverySize) {
  const testing::TempDir dir;
  const std::string glyphs = TAVOLIN_SOURCE_DIR "/assets/glyphs.txt";
  const std::string ico = dir.File("tavolin.ico");
  ASSERT_EQ(std::system((std::string(TAVOLIN_ASSETGEN) + " --ico " + glyphs + " " + ico).c_str()),
            0);
  const std::string bytes = testing::TempDir::Read(ico);
  ASSERT_GE(bytes.size(), 6u);
  ASSERT_EQ(Le(bytes, 2, 2), 1u);  // an icon, not a cursor
  const std::vector<int> sizes = {16, 24, 32, 48, 256};
  ASSERT_EQ(Le(bytes, 4, 2), sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const int size = sizes[i];
    SCOPED_TRACE(size);
    const std::size_t entry = 6 + 16 * i;
    EXPECT_EQ(Le(bytes, entry, 1), static_cast<std::uint32_t>(size % 256));  // 0 means 256
    EXPECT_EQ(Le(bytes, entry + 1, 1), static_cast<std::uint32_t>(size % 256));
    EXPECT_EQ(Le(bytes, entry + 6, 2), 32u);
    const std::uint32_t length = Le(bytes, entry + 8, 4);
    const std::uint32_t offset = Le(bytes, entry + 12, 4);
    ASSERT_LE(std::size_t{offset} + length, bytes.size());
    const std::string image = bytes.substr(offset, length);

    const std::string png = dir.File(std::to_string(size) + ".png");
    ASSERT_EQ(std::system((std::string(TAVOLIN_ASSETGEN) + " --icon " + glyphs + " " +
                           std::to_string(size) + " " + png)
                              .c_str()),
              0);
    const std::string want = testing::TempDir::Read(png);
    const DecodedPng expected =
        DecodePng(reinterpret_cast<const std::uint8_t*>(want.data()), want.size());
    ASSERT_TRUE(expected.ok) << expected.error;

    Image got;
    if (image.starts_with("\x89PNG")) {
      EXPECT_EQ(size, 256) << "only the largest picture is a PNG";
      EXPECT_EQ(static_cast<std::uint8_t>(image.at(25)), 6) << "a PNG with alpha channel";
      got = DecodePng(reinterpret_cast<const std::uint8_t*>(image.data()), image.size()).image;
    } else {
      ASSERT_EQ(Le(image, 0, 4), 40u);
      ASSERT_EQ(Le(image, 4, 4), static_cast<std::uint32_t>(size));
      ASSERT_EQ(Le(image, 8, 4), static_cast<std::uint32_t>(2 * size));  // colour and mask rows
      const std::size_t mask = static_cast<std::size_t>((size + 31) / 32 * 4 * size);
      ASSERT_EQ(image.size(), 40 + static_cast<std::size_t>(size * size * 4) + mask);
      got = Image(size, size);
      for (int y = 0; y < size; ++y) {
        const std::size_t row = 40 + static_cast<std::size_t>((size - 1 - y) * size * 4);
        for (int x = 0; x < size; ++x) {
          got.At(x, y) = Le(image, row + static_cast<std::size_t>(x * 4), 4);
        }
      }
    }
    EXPECT_EQ(got.width, size);
    EXPECT_EQ(got.pixels, expected.image.pixels);
  }
}
#endif

}  // namespace
}  // namespace tavolin
