// The window's modal dialogs.  See Win32Dialogs.h.
//
// The "ComPort" and "Baudrate" dialogs are built from a template in memory (no resource script): a
// DLGTEMPLATE with its menu, class, title and font, then one DLGITEMTEMPLATE per control, each on a
// 4-byte boundary, with the predefined control classes given by their atoms.  The dialog manager
// then provides Enter, Esc and Tab between the controls.
#include "platform/win32/Win32Dialogs.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "app/Window.h"
#include "platform/FileFilter.h"

// windows.h first (in the header): the common dialogs build on it.
#include <commdlg.h>

namespace tavolin::win32 {
namespace {

constexpr std::size_t kPathBytes = 4096;

// The predefined control classes of a dialog template.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;

// Layout in dialog units.
constexpr short kMargin = 7;
constexpr short kWidth = 200;
constexpr short kLineHeight = 9;
constexpr short kEditHeight = 12;
constexpr short kListHeight = 52;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kGap = 4;

class TemplateWriter {
 public:
  void Word(WORD w) {
    bytes_.push_back(static_cast<std::uint8_t>(w));
    bytes_.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d));
    Word(static_cast<WORD>(d >> 16));
  }
  void Short(short s) { Word(static_cast<WORD>(s)); }
  // An ASCII text as the template's UTF-16 string with its terminating zero.
  void Text(std::string_view text) {
    for (const char c : text) Word(static_cast<unsigned char>(c));
    Word(0);
  }
  void AlignDword() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom,
            std::string_view text) {
    AlignDword();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);  // extended style
    Short(x);
    Short(y);
    Short(cx);
    Short(cy);
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// What a number dialog shows: its caption and prompt, the proposal, the ports to pick from (none
// for the rate), and whether it has a Cancel button beside OK.
struct NumberDialog {
  const char* caption = "";
  const char* prompt = "";
  int current = 0;
  const std::vector<PortInfo>* ports = nullptr;
  bool cancelButton = false;
  std::string answer;
};

void SelectAllOfEdit(HWND dialog) {
  HWND edit = ::GetDlgItem(dialog, kNumberEditId);
  ::SendMessageA(edit, EM_SETSEL, 0, -1);
  ::SetFocus(edit);
}

INT_PTR CALLBACK NumberDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<NumberDialog*>(lParam);
      ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      ::SetDlgItemTextA(dialog, kNumberEditId, std::to_string(state->current).c_str());
      HWND list = ::GetDlgItem(dialog, kComPortListId);
      if (list != nullptr && state->ports != nullptr) {
        for (const PortInfo& p : *state->ports) {
          const LRESULT at =
              ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PortLine(p).c_str()));
          if (at >= 0) ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), p.number);
        }
      }
      SelectAllOfEdit(dialog);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<NumberDialog*>(::GetWindowLongPtrA(dialog, DWLP_USER));
      const int id = LOWORD(wParam);
      if (id == IDOK && state != nullptr) {
        std::array<char, 64> text{};
        ::GetDlgItemTextA(dialog, kNumberEditId, text.data(), static_cast<int>(text.size()));
        state->answer = text.data();
        ::EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      if (id == kComPortListId && HIWORD(wParam) == LBN_SELCHANGE) {
        HWND list = reinterpret_cast<HWND>(lParam);
        const LRESULT at = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (at >= 0) {
          const LRESULT number = ::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(at), 0);
          ::SetDlgItemTextA(dialog, kNumberEditId, std::to_string(number).c_str());
          SelectAllOfEdit(dialog);
        }
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

std::vector<std::uint8_t> NumberDialogTemplate(const NumberDialog& d) {
  const bool withPortList = d.ports != nullptr && !d.ports->empty();
  TemplateWriter t;
  short y = kMargin;
  const short promptY = y;
  y += kLineHeight + kGap;
  const short editY = y;
  y += kEditHeight + kGap;
  const short listY = y;
  if (withPortList) y += kListHeight + kGap;
  const short buttonY = y;
  y += kButtonHeight + kMargin;

  // No WS_SYSMENU: the dialog has no close button.
  t.Dword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION);
  t.Dword(0);
  t.Word(static_cast<WORD>(3 + (withPortList ? 1 : 0) + (d.cancelButton ? 1 : 0)));
  t.Short(0);
  t.Short(0);
  t.Short(kWidth + 2 * kMargin);
  t.Short(y);
  t.Word(0);  // no menu
  t.Word(0);  // the dialog class
  t.Text(d.caption);
  t.Word(8);
  t.Text("MS Shell Dlg");

  t.Item(SS_LEFT, kMargin, promptY, kWidth, kLineHeight, 0xFFFF, kStaticAtom, d.prompt);
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin, editY, kWidth, kEditHeight,
         kNumberEditId, kEditAtom, "");
  if (withPortList) {
    t.Item(LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, kMargin, listY,
           kWidth, kListHeight, kComPortListId, kListBoxAtom, "");
  }
  // The buttons right-aligned: OK, then Cancel at the right edge when there is one.
  short right = static_cast<short>(kMargin + kWidth);
  if (d.cancelButton) {
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, static_cast<short>(right - kButtonWidth), buttonY,
           kButtonWidth, kButtonHeight, IDCANCEL, kButtonAtom, "Cancel");
    right = static_cast<short>(right - kButtonWidth - kGap);
  }
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, static_cast<short>(right - kButtonWidth), buttonY,
         kButtonWidth, kButtonHeight, IDOK, kButtonAtom, "OK");
  return t.Take();
}

// Runs the dialog; the entered text, empty when cancelled.
std::string RunNumberDialog(HWND owner, NumberDialog& d) {
  std::vector<std::uint8_t> bytes = NumberDialogTemplate(d);
  // The template must start on a 4-byte boundary: copy it into DWORD storage.
  std::vector<DWORD> aligned((bytes.size() + 3) / 4, 0);
  std::memcpy(aligned.data(), bytes.data(), bytes.size());
  const INT_PTR result = ::DialogBoxIndirectParamA(
      ::GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(aligned.data()), owner,
      NumberDialogProc, reinterpret_cast<LPARAM>(&d));
  if (result != IDOK) return {};
  return d.answer;
}

}  // namespace

std::string PortLine(const PortInfo& port) {
  std::string line = std::to_string(port.number) + "   " + port.device;
  if (!port.description.empty()) line += "   " + port.description;
  return line;
}

std::string RunComPortDialog(HWND owner, int current, const std::vector<PortInfo>& ports) {
  NumberDialog d;
  d.caption = window::kComPortCaption;
  d.prompt = window::kComPortPrompt;
  d.current = current;
  d.ports = &ports;
  return RunNumberDialog(owner, d);
}

std::string RunBaudRateDialog(HWND owner, int current) {
  NumberDialog d;
  d.caption = window::kBaudRateCaption;
  d.prompt = window::kBaudRatePrompt;
  d.current = current;
  d.cancelButton = true;
  return RunNumberDialog(owner, d);
}

FileDialogResult RunFileDialog(HWND owner, const FileDialogRequest& request, bool save) {
  int pairs = 0;
  const std::string filter = DialogFilter(request.filter, &pairs);
  const DialogStart start = SplitDialogStart(request.defaultPath);
  std::vector<char> file(kPathBytes, '\0');
  std::copy_n(start.name.begin(), std::min(start.name.size(), file.size() - 1), file.begin());

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex =
      pairs > 0 ? static_cast<DWORD>(std::clamp(request.typeIndex, 0, pairs - 1) + 1) : 0;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = start.folder.empty() ? nullptr : start.folder.c_str();
  ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;

  FileDialogResult result;
  result.typeIndex = request.typeIndex;
  const BOOL chosen = save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
  if (!chosen) return result;
  result.path = file.data();
  if (pairs > 0 && ofn.nFilterIndex >= 1) result.typeIndex = static_cast<int>(ofn.nFilterIndex) - 1;
  return result;
}

void RunMessageBox(HWND owner, std::string_view caption, std::string_view text) {
  const std::string c(caption);
  const std::string t(text);
  ::MessageBoxA(owner, t.c_str(), c.c_str(), MB_OK);
}

std::string DialogFilter(std::string_view filter, int* pairs) {
  std::string result;
  int kept = 0;
  for (const FileType& type : FileTypes(filter)) {
    result += type.label;
    result.push_back('\0');
    for (std::size_t i = 0; i < type.patterns.size(); ++i) {
      if (i > 0) result.push_back(';');
      result += type.patterns[i];
    }
    result.push_back('\0');
    ++kept;
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
