// assetgen: makes the glyph sheet, the logo and the program icon from their text sources.
//
//   assetgen <glyphs.txt> <logo.txt> <glyphs.png> <logo.png>
//   assetgen --icon <glyphs.txt> <size> <icon.png>
//   assetgen --ico <glyphs.txt> <icon.ico>
//
// glyphs.txt holds the glyphs as text art, one block per glyph:
//   @ <code>[-<last>] [name]        starts a glyph (a range gives every code the same picture)
//   <row>[-<last>] <8 characters>   pixel row 0..16 of the cell; '#' is ink, anything else blank
//   @ <code> = <base> <accent> <shift>
//                                   the glyph of base with the accent drawn over it, moved down
//                                   by shift rows (capitals take accents at rows 0..2, small
//                                   letters three rows lower)
//   @ accent <name>                 an accent mark (rows as above), used only by compositions
// Rows not given are blank; '#' comments run to the end of a line that starts with it.
//
// logo.txt places texts on the black 210 x 85 logo, drawn with the glyphs:
//   text <x> <y> <scale> <colour index> <text to the end of the line>
// with the colours 0 black, 1 white, 2 yellow, 3 light cyan.
//
// With --icon it draws the desktop icon in one of the hicolor sizes: a size x size black square
// with the capital T of the sheet in the logo's yellow standing on a light cyan text cursor,
// scaled by whole pixels so that it stays sharp.  With --ico it draws the same icon for the
// Windows program in the sizes Windows picks from (see kIcoSizes).
//
// The sheet is written 8-bit indexed with the palette (0 black, 1 white): ink is 0.
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "terminal/Png.h"

namespace {

constexpr int kCellW = 8;
constexpr int kCellH = 17;
constexpr int kCodes = 256;
constexpr int kLogoW = 210;
constexpr int kLogoH = 85;
// The title bar and small lists take 16, the taskbar 24 or 32, Explorer 48 and 256 (its large
// views and high-density screens); without its own picture for a size Windows shrinks another,
// and shrunk pictures blur.
constexpr std::array kIcoSizes = {16, 24, 32, 48, 256};

using Cell = std::array<std::array<bool, kCellW>, kCellH>;

struct Composition {
  int base;
  std::string accent;
  int shift;
};

struct Source {
  std::array<Cell, kCodes> glyphs{};
  std::array<bool, kCodes> defined{};
  std::map<std::string, Cell> accents;
  std::map<int, Composition> compositions;
};

bool Fail(const std::string& file, int line, const std::string& why) {
  std::cerr << file << ":" << line << ": " << why << "\n";
  return false;
}

bool ParseRange(const std::string& text, int& first, int& last) {
  const auto dash = text.find('-');
  try {
    first = std::stoi(text.substr(0, dash));
    last = dash == std::string::npos ? first : std::stoi(text.substr(dash + 1));
  } catch (...) {
    return false;
  }
  return first <= last;
}

bool ReadGlyphs(const std::string& path, Source& src) {
  std::ifstream in(path);
  if (!in) return Fail(path, 0, "cannot be read");
  std::string line;
  int lineNo = 0;
  std::vector<Cell*> current;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first.empty()) continue;
    if (first == "@") {
      current.clear();
      std::string what;
      words >> what;
      if (what == "accent") {
        std::string name;
        words >> name;
        src.accents[name] = Cell{};
        current.push_back(&src.accents[name]);
        continue;
      }
      int a = 0, b = 0;
      if (!ParseRange(what, a, b) || a < 0 || b >= kCodes) return Fail(path, lineNo, "bad code");
      std::string eq;
      words >> eq;
      if (eq == "=") {
        Composition c{};
        if (!(words >> c.base >> c.accent >> c.shift) || a != b) {
          return Fail(path, lineNo, "bad composition");
        }
        src.compositions[a] = c;
        src.defined[static_cast<std::size_t>(a)] = true;
        continue;
      }
      for (int code = a; code <= b; ++code) {
        if (src.defined[static_cast<std::size_t>(code)]) {
          return Fail(path, lineNo, "code " + std::to_string(code) + " defined twice");
        }
        src.defined[static_cast<std::size_t>(code)] = true;
        current.push_back(&src.glyphs[static_cast<std::size_t>(code)]);
      }
      continue;
    }
    int r0 = 0, r1 = 0;
    std::string art;
    words >> art;
    if (!ParseRange(first, r0, r1) || r0 < 0 || r1 >= kCellH || art.size() != kCellW) {
      return Fail(path, lineNo, "bad row");
    }
    if (current.empty()) return Fail(path, lineNo, "row outside a glyph");
    for (Cell* cell : current) {
      for (int r = r0; r <= r1; ++r) {
        for (int x = 0; x < kCellW; ++x)
          (*cell)[static_cast<std::size_t>(r)][static_cast<std::size_t>(x)] =
              art[static_cast<std::size_t>(x)] == '#';
      }
    }
  }
  for (const auto& [code, c] : src.compositions) {
    const auto accent = src.accents.find(c.accent);
    if (accent == src.accents.end()) return Fail(path, 0, "unknown accent " + c.accent);
    if (c.base < 0 || c.base >= kCodes || src.compositions.count(c.base) != 0) {
      return Fail(path, 0, "bad base for " + std::to_string(code));
    }
    Cell cell = src.glyphs[static_cast<std::size_t>(c.base)];
    for (int r = 0; r < kCellH; ++r) {
      const int to = r + c.shift;
      if (to < 0 || to >= kCellH) continue;
      for (int x = 0; x < kCellW; ++x) {
        if (accent->second[static_cast<std::size_t>(r)][static_cast<std::size_t>(x)])
          cell[static_cast<std::size_t>(to)][static_cast<std::size_t>(x)] = true;
      }
    }
    src.glyphs[static_cast<std::size_t>(code)] = cell;
  }
  for (int code = 0; code < kCodes; ++code) {
    if (!src.defined[static_cast<std::size_t>(code)]) {
      return Fail(path, 0, "code " + std::to_string(code) + " has no glyph");
    }
  }
  return true;
}

tavolin::IndexedPicture Sheet(const Source& src) {
  tavolin::IndexedPicture p;
  p.width = 32 * kCellW;
  p.height = 8 * kCellH;
  p.palette = {0xFF000000u, 0xFFFFFFFFu};
  p.indices.assign(static_cast<std::size_t>(p.width) * p.height, 1);
  for (int code = 0; code < kCodes; ++code) {
    const int gx = (code % 32) * kCellW;
    const int gy = (code / 32) * kCellH;
    for (int r = 0; r < kCellH; ++r) {
      for (int x = 0; x < kCellW; ++x) {
        if (src.glyphs[static_cast<std::size_t>(code)][static_cast<std::size_t>(r)]
                      [static_cast<std::size_t>(x)]) {
          p.indices[static_cast<std::size_t>(gy + r) * p.width + gx + x] = 0;
        }
      }
    }
  }
  return p;
}

// Draws the texts of logo.txt on the black logo.
bool Logo(const std::string& path, const Source& src, tavolin::IndexedPicture& p) {
  constexpr int width = kLogoW;
  constexpr int height = kLogoH;
  std::ifstream in(path);
  if (!in) return Fail(path, 0, "cannot be read");
  p.width = width;
  p.height = height;
  p.palette = {0xFF000000u, 0xFFFFFFFFu, 0xFFFFFF00u, 0xFF80FFFFu};
  p.indices.assign(static_cast<std::size_t>(width) * height, 0);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string keyword;
    int x = 0, y = 0, scale = 1, colour = 1;
    if (!(words >> keyword >> x >> y >> scale >> colour) || keyword != "text" || scale < 1 ||
        colour < 1 || colour > 3) {
      return Fail(path, lineNo, "expected: text <x> <y> <scale> <colour> <text>");
    }
    std::string text;
    std::getline(words >> std::ws, text);
    for (unsigned char ch : text) {
      const Cell& cell = src.glyphs[ch];
      for (int r = 0; r < kCellH * scale; ++r) {
        for (int c = 0; c < kCellW * scale; ++c) {
          const int px = x + c;
          const int py = y + r;
          if (px < 0 || py < 0 || px >= width || py >= height) continue;
          if (cell[static_cast<std::size_t>(r / scale)][static_cast<std::size_t>(c / scale)]) {
            p.indices[static_cast<std::size_t>(py) * width + px] =
                static_cast<std::uint8_t>(colour);
          }
        }
      }
      x += kCellW * scale;
    }
  }
  return true;
}

// The icon's design: the rows of the T (3..13 of its cell), one blank row, then a cursor bar two
// rows high under the full width of the letter.
constexpr int kIconLetter = 'T';
constexpr int kIconFirstRow = 3;
constexpr int kIconLetterRows = 11;
constexpr int kIconLetterCols = 7;
constexpr int kIconCursorRows = 2;
constexpr int kIconRows = kIconLetterRows + 1 + kIconCursorRows;

tavolin::IndexedPicture Icon(const Source& src, int size) {
  tavolin::IndexedPicture p;
  p.width = size;
  p.height = size;
  p.palette = {0xFF000000u, 0xFFFFFF00u, 0xFF80FFFFu};
  p.indices.assign(static_cast<std::size_t>(size) * size, 0);
  // An eighth of the side stays free around the design; a 16-pixel icon is drawn at scale 1.
  const int scale = std::max(1, (size - size / 8) / kIconRows);
  const int left = (size - kIconLetterCols * scale) / 2;
  const int top = (size - kIconRows * scale) / 2;
  const Cell& cell = src.glyphs[kIconLetter];
  auto put = [&p, size](int x, int y, std::uint8_t colour) {
    if (x >= 0 && y >= 0 && x < size && y < size)
      p.indices[static_cast<std::size_t>(y) * size + x] = colour;
  };
  for (int r = 0; r < kIconRows * scale; ++r) {
    const int designRow = r / scale;
    for (int c = 0; c < kIconLetterCols * scale; ++c) {
      if (designRow < kIconLetterRows) {
        if (cell[static_cast<std::size_t>(kIconFirstRow + designRow)]
                [static_cast<std::size_t>(c / scale)])
          put(left + c, top + r, 1);
      } else if (designRow > kIconLetterRows) {
        put(left + c, top + r, 2);
      }
    }
  }
  return p;
}

bool Write(const std::string& path, const tavolin::IndexedPicture& p) {
  const std::vector<std::uint8_t> png = tavolin::EncodePngIndexed(p);
  if (png.empty() || !tavolin::WriteFileBytes(path, png)) {
    std::cerr << path << ": cannot be written\n";
    return false;
  }
  return true;
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An .ico file: the icon directory with one entry per picture, then the pictures.  Pictures
// below 256 pixels are 32-bit bitmaps (the classic form every Windows reads): a
// BITMAPINFOHEADER whose height counts the colour rows and the mask rows, the pixels bottom-up
// as BGRA, and the all-clear AND mask (the alpha channel already makes every pixel opaque).  The
// 256-pixel one is a 32-bit PNG, as Windows stores its own large icons (a bitmap would take
// 256 KB).
std::vector<std::uint8_t> IcoImage(const tavolin::IndexedPicture& p) {
  const int w = p.width;
  const int h = p.height;
  std::vector<std::uint8_t> out;
  if (w >= 256) {
    tavolin::Image rgb(w, h);
    for (std::size_t i = 0; i < rgb.pixels.size(); ++i) rgb.pixels[i] = p.palette[p.indices[i]];
    return tavolin::EncodePngRgba(rgb);
  }
  const int maskStride = ((w + 31) / 32) * 4;
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(w), 4);
  PutLe(out, static_cast<std::uint32_t>(h * 2), 4);
  PutLe(out, 1, 2);
  PutLe(out, 32, 2);
  PutLe(out, 0, 4);  // BI_RGB
  PutLe(out, static_cast<std::uint32_t>(w * h * 4 + maskStride * h), 4);
  for (int i = 0; i < 4; ++i) PutLe(out, 0, 4);  // resolution and palette counts
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t argb =
          p.palette[p.indices[static_cast<std::size_t>(y) * w + x]] | 0xFF000000u;
      PutLe(out, argb, 4);  // 0xAARRGGBB little-endian is B, G, R, A
    }
  }
  out.insert(out.end(), static_cast<std::size_t>(maskStride) * h, 0);
  return out;
}

bool WriteIco(const std::string& path, const std::vector<tavolin::IndexedPicture>& pictures) {
  std::vector<std::vector<std::uint8_t>> images;
  for (const auto& p : pictures) {
    images.push_back(IcoImage(p));
    if (images.back().empty()) {
      std::cerr << path << ": the " << p.width << " pixel picture cannot be encoded\n";
      return false;
    }
  }
  std::vector<std::uint8_t> out;
  PutLe(out, 0, 2);  // reserved
  PutLe(out, 1, 2);  // an icon
  PutLe(out, static_cast<std::uint32_t>(pictures.size()), 2);
  std::size_t offset = 6 + 16 * pictures.size();
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(pictures[i].width >= 256 ? 0 : pictures[i].width));
    out.push_back(static_cast<std::uint8_t>(pictures[i].height >= 256 ? 0 : pictures[i].height));
    out.push_back(0);   // no palette
    out.push_back(0);   // reserved
    PutLe(out, 1, 2);   // planes
    PutLe(out, 32, 2);  // bits per pixel
    PutLe(out, static_cast<std::uint32_t>(images[i].size()), 4);
    PutLe(out, static_cast<std::uint32_t>(offset), 4);
    offset += images[i].size();
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  if (!tavolin::WriteFileBytes(path, out)) {
    std::cerr << path << ": cannot be written\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--icon") {
    Source src;
    if (!ReadGlyphs(argv[2], src)) return 1;
    int size = 0;
    try {
      size = std::stoi(argv[3]);
    } catch (...) {
    }
    if (size < 16 || size > 1024) {
      std::cerr << argv[3] << ": the icon size is a number from 16 to 1024\n";
      return 2;
    }
    return Write(argv[4], Icon(src, size)) ? 0 : 1;
  }
  if (argc == 4 && std::string(argv[1]) == "--ico") {
    Source src;
    if (!ReadGlyphs(argv[2], src)) return 1;
    std::vector<tavolin::IndexedPicture> pictures;
    for (int size : kIcoSizes) pictures.push_back(Icon(src, size));
    return WriteIco(argv[3], pictures) ? 0 : 1;
  }
  if (argc != 5) {
    std::cerr << "usage: assetgen <glyphs.txt> <logo.txt> <glyphs.png> <logo.png>\n"
                 "       assetgen --icon <glyphs.txt> <size> <icon.png>\n"
                 "       assetgen --ico <glyphs.txt> <icon.ico>\n";
    return 2;
  }
  Source src;
  if (!ReadGlyphs(argv[1], src)) return 1;
  tavolin::IndexedPicture logo;
  if (!Logo(argv[2], src, logo)) return 1;
  if (!Write(argv[3], Sheet(src)) || !Write(argv[4], logo)) return 1;
  return 0;
}
