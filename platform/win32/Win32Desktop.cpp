#include "platform/win32/Win32Desktop.h"

#include <vector>

namespace tavolin::win32 {

BOOL SystemDesktopCalls::StartProcess(char* commandLine, PROCESS_INFORMATION* info) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  return ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, info);
}
BOOL SystemDesktopCalls::ShellOpen(SHELLEXECUTEINFOA* info) {
  return ::ShellExecuteExA(info);
}
BOOL SystemDesktopCalls::CloseHandle(HANDLE h) {
  return ::CloseHandle(h);
}
HWND SystemDesktopCalls::FindTopWindow(const char* title) {
  return ::FindWindowA(nullptr, title);
}
BOOL SystemDesktopCalls::IsWindow(HWND window) {
  return ::IsWindow(window);
}
BOOL SystemDesktopCalls::SetForegroundWindow(HWND window) {
  return ::SetForegroundWindow(window);
}

Win32Desktop::Win32Desktop()
    : ownCalls_(std::make_unique<SystemDesktopCalls>()), calls_(*ownCalls_) {}

Win32Desktop::Win32Desktop(DesktopCalls& calls) : calls_(calls) {}

bool Win32Desktop::StartProgram(const std::string& path) {
  // A name with a double quote in it cannot be quoted; an empty one names nothing.
  if (path.empty() || path.find('"') != std::string::npos) return false;
  std::string line = "\"" + path + "\"";
  std::vector<char> commandLine(line.begin(), line.end());
  commandLine.push_back('\0');  // CreateProcessA may write into its command line
  PROCESS_INFORMATION info{};
  if (!calls_.StartProcess(commandLine.data(), &info)) return false;
  if (info.hThread != nullptr) calls_.CloseHandle(info.hThread);
  if (info.hProcess != nullptr) calls_.CloseHandle(info.hProcess);
  return true;
}

bool Win32Desktop::Open(const std::string& target, const std::string& workDir) {
  if (target.empty()) return false;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof(info);
  // No process handle is asked for, so there is none to close; the call returns once the
  // handler has been asked, without waiting for it.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = target.c_str();
  info.lpDirectory = workDir.empty() ? nullptr : workDir.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!calls_.ShellOpen(&info)) return false;
  if (info.hProcess != nullptr) calls_.CloseHandle(info.hProcess);
  return true;
}

bool Win32Desktop::OpenDocument(const std::string& path, const std::string& workDir) {
  return Open(path, workDir);
}

bool Win32Desktop::OpenUrl(const std::string& url) {
  return Open(url, {});
}

bool Win32Desktop::RaiseWindowTitled(std::string_view title) {
  const std::string name(title);
  const HWND window = calls_.FindTopWindow(name.c_str());
  if (window == nullptr || !calls_.IsWindow(window)) return false;
  return calls_.SetForegroundWindow(window) != 0;
}

}  // namespace tavolin::win32
