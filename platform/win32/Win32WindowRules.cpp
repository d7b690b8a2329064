// The window's rules without a window.  See Win32WindowRules.h.
#include "platform/win32/Win32WindowRules.h"

#include <algorithm>
#include <cstring>

namespace tavolin::win32 {
namespace {

bool Inside(const RECT& r, LPARAM lParam) {
  // Client coordinates are signed 16-bit values (GET_X_LPARAM, GET_Y_LPARAM).
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

std::vector<std::string> Split(std::string_view s, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = s.find(separator, start);
    parts.emplace_back(s.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return parts;
}

void PutLe(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::optional<Event> EventForMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                     const RECT& picture) {
  using K = Event::Kind;
  const int value = static_cast<int>(wParam);
  switch (message) {
    case WM_COMMAND:
      // Menus give 0 as the high word, accelerators 1; controls give a notification code.
      if (HIWORD(wParam) > 1 || lParam != 0) return std::nullopt;
      return Event{K::MenuCommand, static_cast<int>(LOWORD(wParam))};
    case WM_CLOSE:
      return Event{K::CloseRequest, 0};
    case WM_KEYDOWN:
      return Event{K::KeyDown, value & 0xFF};
    case WM_CHAR:
      return Event{K::Char, value & 0xFF};
    case WM_KEYUP:
      return Event{K::KeyUp, value & 0xFF};
    case WM_MOUSEMOVE:
      return Event{K::MouseMove, 0};
    case WM_LBUTTONDOWN:
      if (!Inside(picture, lParam)) return std::nullopt;
      return Event{K::LeftClick, 0};
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:  // the window itself knows no double clicks: a second press
      return Event{K::RightDown, 0};
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      return Event{K::ButtonUp, 0};
    case WM_TIMER:
      return Event{K::Timer, 0};
    default:
      return std::nullopt;  // WM_LBUTTONDBLCLK among them: the picture's double click is silent
  }
}

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

std::string DialogFilter(std::string_view filter, int* pairs) {
  std::string result;
  int kept = 0;
  if (!filter.empty()) {
    const std::vector<std::string> parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
      std::string patterns;
      for (const std::string& p : Split(parts[i + 1], ';')) {
        if (p.empty()) continue;
        if (!patterns.empty()) patterns.push_back(';');
        patterns += p;
      }
      if (patterns.empty()) continue;
      result += parts[i];
      result.push_back('\0');
      result += patterns;
      result.push_back('\0');
      ++kept;
    }
  }
  if (pairs != nullptr) *pairs = kept;
  if (kept == 0) return {};
  result.push_back('\0');  // the list ends with an empty label
  return result;
}

DialogStart SplitDialogStart(std::string_view path) {
  DialogStart result;
  const std::size_t at = path.find_last_of("\\/");
  std::string_view name = path;
  if (at != std::string_view::npos) {
    result.folder = std::string(path.substr(0, at));
    // A drive's root keeps its separator: "C:" alone is the drive's current folder.
    if (result.folder.empty() || result.folder.back() == ':') result.folder.push_back(path[at]);
    name = path.substr(at + 1);
  }
  if (IsValidFileName(name)) result.name = std::string(name);
  return result;
}

}  // namespace tavolin::win32
