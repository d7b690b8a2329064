// The rules of the Win32 window that need no window: which event a window message becomes, the
// clipboard's packed bitmap, and the strings the common file dialogs take.  Kept apart from the
// window so that they are tested directly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Image.h"
#include "platform/Ui.h"

namespace tavolin::win32 {

// Window messages in the core's vocabulary.  Keys pass as Windows gives them (virtual-key codes,
// ANSI characters); system keys (Alt held, F10) are left to the window's default handling.  A
// left press is a click only inside the picture (left, top, width, height of the client area),
// and never the second press of a double click; right presses, releases and moves count
// anywhere in the client area.  Menu and accelerator commands carry their id.
std::optional<Event> EventForMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                     const RECT& picture);

// A packed device-independent bitmap for CF_DIB: the 40-byte BITMAPINFOHEADER (24 bits, no
// compression) and the rows bottom-up, each padded to a multiple of 4 bytes.  Empty for an
// empty picture or one whose pixels do not fill its size.
std::vector<std::uint8_t> PackedDib(const Image& picture);

// above laid over below at (0, 0): its pixels with an alpha of 0 leave below's showing.  As
// large as the larger of the two; black where neither reaches.
Image Overlaid(const Image& below, const Image& above);

// "label|pattern;pattern|..." as the common dialogs' filter: label NUL patterns NUL ... NUL.  A
// label without a pattern is dropped; the count of pairs kept goes to pairs.  Empty when no pair
// is left (the dialog then gets no filter).
std::string DialogFilter(std::string_view filter, int* pairs);

// The start folder and proposed name of a file dialog: the default path split at its last "\"
// or "/"; the name only when Windows accepts it as a file name.
struct DialogStart {
  std::string folder;
  std::string name;
};
DialogStart SplitDialogStart(std::string_view path);

}  // namespace tavolin::win32
