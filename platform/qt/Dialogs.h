// The window's modal dialogs: file open and save, the "ComPort" input dialog and message boxes,
// and the pure rules behind the file dialogs (filter list, default path), kept apart so they can
// be tested without a dialog.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialDevice.h"
#include "platform/Ui.h"

class QWidget;

namespace tavolin::qt {

// "label|pattern;pattern|..." as Qt name filters: "label (pattern pattern)".  A label without a
// pattern is dropped.
QStringList NameFilters(std::string_view filter);

// A default path split at its last "\" or "/": the start folder (empty when none) and the name
// to propose (empty unless it is a valid file name).
struct DefaultPath {
  std::string folder;
  std::string name;
};
DefaultPath SplitDefaultPath(std::string_view path);

// Modal file dialogs, owned by parent.  Open dialogs accept a typed name of a file that does not
// exist; save dialogs replace a file without asking.  The current directory is never changed.
FileDialogResult RunFileDialog(QWidget* parent, const FileDialogRequest& request, bool save);

// The "ComPort" dialog: the prompt, an edit field pre-filled with current and selected, the
// ports that can be opened with their numbers and descriptions, and OK; Esc cancels.  Returns the
// entered text, empty when cancelled.
std::string RunComPortDialog(QWidget* parent, int current, const std::vector<PortInfo>& ports);
// The "Baudrate" dialog: a rate in bits per second, pre-filled with current and selected, and
// OK; Esc cancels.  Returns the entered text, empty when cancelled.
std::string RunBaudRateDialog(QWidget* parent, int current);
// One line of the dialog's port list.
QString PortLine(const PortInfo& port);

void RunMessageBox(QWidget* parent, std::string_view caption, std::string_view text);

}  // namespace tavolin::qt
