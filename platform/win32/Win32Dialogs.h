// The window's modal dialogs on Windows: the common file dialogs, the "ComPort" and "Baudrate"
// input dialogs and message boxes.  Each runs its own message loop with owner disabled, as modal
// dialogs do.  And the pure rules behind the file dialogs (filter list, start folder), tested
// without a dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialDevice.h"
#include "platform/Ui.h"

namespace tavolin::win32 {

// GetOpenFileNameA or GetSaveFileNameA with the request's title, filter, type and default path.
// Open dialogs accept a typed name of a file that does not exist; save dialogs replace a file
// without asking; the current folder stays what it was.
FileDialogResult RunFileDialog(HWND owner, const FileDialogRequest& request, bool save);

// The "ComPort" dialog: centred on the screen, the prompt, an edit field pre-filled with current
// and selected, the ports with their numbers and names (a click on one takes its number), and
// OK; Enter accepts, Esc cancels, and it has no close button.  The entered text, empty when
// cancelled.
std::string RunComPortDialog(HWND owner, int current, const std::vector<PortInfo>& ports);
// The "Baudrate" dialog: as the ComPort dialog without a port list, with the rate prompt, and
// with Cancel beside OK.  The entered text, empty when cancelled.
std::string RunBaudRateDialog(HWND owner, int current);
// One line of the ComPort dialog's port list.
std::string PortLine(const PortInfo& port);

void RunMessageBox(HWND owner, std::string_view caption, std::string_view text);

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

// The controls of the input dialogs.
inline constexpr int kNumberEditId = 100;
inline constexpr int kComPortListId = 101;

}  // namespace tavolin::win32
