// The menu tree.  See MenuTable.h.  Texts are the program's own, exactly as the user sees them.
#include "app/MenuTable.h"

#include <array>

#include "app/MenuIds.h"

namespace tavolin {
namespace {

using K = MenuEntry::Kind;
namespace m = tavolin::menu;

constexpr std::array kMenu = {
    MenuEntry{K::Menu, 0, "&File"},
    MenuEntry{K::Command, m::kScreenshot, "S&creenshot"},
    MenuEntry{K::Command, m::kCopyText, "&Copy Text"},
    MenuEntry{K::Command, m::kSaveText, "&Save Text"},
    MenuEntry{K::Separator, 0, ""},
    MenuEntry{K::Command, m::kSaveSettings, "&Save Settings"},
    MenuEntry{K::Command, m::kLoadSettings, "&Load Settings"},
    MenuEntry{K::Separator, 0, ""},
    MenuEntry{K::Command, m::kUploadFile, "&Upload File"},
    MenuEntry{K::Separator, 0, ""},
    MenuEntry{K::Command, m::kQuit, "&Quit"},
    MenuEntry{K::Menu, 0, "&Options"},
    MenuEntry{K::Command, m::kComPort, "&Com-Port"},
    MenuEntry{K::Separator, 0, ""},
    MenuEntry{K::Check, m::kComEnabled, "Com &Enabled\tPause"},
    MenuEntry{K::Check, m::kAutoMode, "&Auto Mode\tMinimize"},
    MenuEntry{K::Separator, 0, ""},
    MenuEntry{K::Check, m::kNormalTerminalMode, "&Normal-Terminal Mode"},
    MenuEntry{K::SubmenuBegin, 0, "&Baudrate"},
    MenuEntry{K::Check, m::kBaudFirst + 0, "115200"},
    MenuEntry{K::Check, m::kBaudFirst + 1, "57600"},
    MenuEntry{K::Check, m::kBaudFirst + 2, "38400"},
    MenuEntry{K::Check, m::kBaudFirst + 3, "19200"},
    MenuEntry{K::Check, m::kBaudFirst + 4, "9600"},
    MenuEntry{K::Check, m::kBaudFirst + 5, "4800"},
    MenuEntry{K::Check, m::kBaudFirst + 6, "2400"},
    MenuEntry{K::Check, m::kBaudFirst + 7, "1200"},
    MenuEntry{K::Check, m::kFastBaudFirst + 0, "230400"},
    MenuEntry{K::Check, m::kFastBaudFirst + 1, "460800"},
    MenuEntry{K::Check, m::kFastBaudFirst + 2, "921600"},
    MenuEntry{K::Check, m::kFastBaudFirst + 3, "2000000"},
    MenuEntry{K::Check, m::kTypedBaud, "&Other Rate..."},
    MenuEntry{K::SubmenuEnd, 0, ""},
    MenuEntry{K::Check, m::kTextCursor, "Text &Cursor On"},
    MenuEntry{K::Check, m::kCrAutoLf, "CR with Auto-LF"},
    MenuEntry{K::Separator, 0, ""},
    MenuEntry{K::Check, m::kVirtualKeycodes, "&Virtual Keycodes"},
    MenuEntry{K::Separator, 0, ""},
    MenuEntry{K::Command, m::kResetPropeller, "&Reset Propeller"},
    MenuEntry{K::Menu, 0, "&Help"},
    MenuEntry{K::Command, m::kClear, "&Clear"},
    MenuEntry{K::Command, m::kAbout, "&About"},
    MenuEntry{K::Command, m::kWebsite, "&Website"},
};

}  // namespace

std::span<const MenuEntry> MenuTable() {
  return kMenu;
}

}  // namespace tavolin
