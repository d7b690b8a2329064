// assetgen: makes the glyph sheet and the logo from their text sources.
//
//   assetgen <glyphs.txt> <logo.txt> <glyphs.png> <logo.png> [<icon.txt> <icon.ico>]
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
// icon.txt places texts the same way on the black 48 x 48 program icon of the Windows build,
// written as an .ico file with one 32-bit entry (the classic bitmap form every Windows reads).
//
// The sheet is written 8-bit indexed with the palette (0 black, 1 white): ink is 0.
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
constexpr int kIconSize = 48;

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

// Draws the texts of a logo.txt-style source on a black canvas of width x height.
bool Logo(const std::string& path, const Source& src, tavolin::IndexedPicture& p,
          int width = kLogoW, int height = kLogoH) {
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

// An .ico file with one 32-bit bitmap entry: the icon directory, then a BITMAPINFOHEADER whose
// height counts the colour rows and the mask rows, the pixels bottom-up as BGRA, and the
// all-clear AND mask (the alpha channel already makes every pixel opaque).
bool WriteIcon(const std::string& path, const tavolin::IndexedPicture& p) {
  const int w = p.width;
  const int h = p.height;
  const int maskStride = ((w + 31) / 32) * 4;
  const std::uint32_t imageBytes = static_cast<std::uint32_t>(40 + w * h * 4 + maskStride * h);
  std::vector<std::uint8_t> out;
  PutLe(out, 0, 2);  // reserved
  PutLe(out, 1, 2);  // an icon
  PutLe(out, 1, 2);  // one entry
  out.push_back(static_cast<std::uint8_t>(w >= 256 ? 0 : w));
  out.push_back(static_cast<std::uint8_t>(h >= 256 ? 0 : h));
  out.push_back(0);   // no palette
  out.push_back(0);   // reserved
  PutLe(out, 1, 2);   // planes
  PutLe(out, 32, 2);  // bits per pixel
  PutLe(out, imageBytes, 4);
  PutLe(out, 6 + 16, 4);  // the image follows the directory
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
  if (!tavolin::WriteFileBytes(path, out)) {
    std::cerr << path << ": cannot be written\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 7) {
    std::cerr << "usage: assetgen <glyphs.txt> <logo.txt> <glyphs.png> <logo.png> "
                 "[<icon.txt> <icon.ico>]\n";
    return 2;
  }
  Source src;
  if (!ReadGlyphs(argv[1], src)) return 1;
  tavolin::IndexedPicture logo;
  if (!Logo(argv[2], src, logo)) return 1;
  if (!Write(argv[3], Sheet(src)) || !Write(argv[4], logo)) return 1;
  if (argc == 7) {
    tavolin::IndexedPicture icon;
    if (!Logo(argv[5], src, icon, kIconSize, kIconSize) || !WriteIcon(argv[6], icon)) return 1;
  }
  return 0;
}
