// The menu tree of the main window as one table: menus, their items in display order,
// separators, the Baudrate submenu, ids, texts (with their "&" mnemonics and the label after the
// tab) and which items carry a check mark.  Each platform builds its window's menu bar from it.
#pragma once

#include <span>

namespace tavolin {

struct MenuEntry {
  enum class Kind {
    Menu,          // starts a top-level menu
    Command,       // an item without a check mark
    Check,         // an item with a check mark
    Separator,     // a line
    SubmenuBegin,  // starts a submenu of the current menu
    SubmenuEnd,    // ends it
  };
  Kind kind;
  int id;  // 0 for menus, submenus and separators
  const char* text;
};

std::span<const MenuEntry> MenuTable();

}  // namespace tavolin
