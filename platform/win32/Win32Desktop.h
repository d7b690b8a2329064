// The desktop outside the window on Windows: starting a program, opening documents and web
// addresses with their handlers, and raising another program's window.
//
// A program is started with CreateProcessA and a command line that is only its name in double
// quotes: no parameters, no search of other folders for a name with a path, and no shell, so
// nothing the chip sends can become a command.  Documents and addresses go to ShellExecuteExA
// with the verb "open", which asks the handler registered for them.  Nothing waits for what was
// started, and every handle that the calls return is closed at once.
#pragma once

#include <windows.h>
// windows.h first: the others build on it.
#include <shellapi.h>

#include <memory>
#include <string>

#include "platform/Desktop.h"

namespace tavolin::win32 {

// The Win32 calls the desktop makes.  SystemDesktopCalls passes them to Windows.
class DesktopCalls {
 public:
  virtual ~DesktopCalls() = default;
  // CreateProcessA(nullptr, commandLine, ..., no inheritance, no flags, ...).
  virtual BOOL StartProcess(char* commandLine, PROCESS_INFORMATION* info) = 0;
  virtual BOOL ShellOpen(SHELLEXECUTEINFOA* info) = 0;
  virtual BOOL CloseHandle(HANDLE h) = 0;
  virtual HWND FindTopWindow(const char* title) = 0;  // FindWindowA(nullptr, title)
  virtual BOOL IsWindow(HWND window) = 0;
  virtual BOOL SetForegroundWindow(HWND window) = 0;
};

class SystemDesktopCalls : public DesktopCalls {
 public:
  BOOL StartProcess(char* commandLine, PROCESS_INFORMATION* info) override;
  BOOL ShellOpen(SHELLEXECUTEINFOA* info) override;
  BOOL CloseHandle(HANDLE h) override;
  HWND FindTopWindow(const char* title) override;
  BOOL IsWindow(HWND window) override;
  BOOL SetForegroundWindow(HWND window) override;
};

class Win32Desktop : public Desktop {
 public:
  Win32Desktop();
  explicit Win32Desktop(DesktopCalls& calls);

  bool StartProgram(const std::string& path) override;
  bool OpenDocument(const std::string& path, const std::string& workDir) override;
  bool OpenUrl(const std::string& url) override;
  bool RaiseWindowTitled(std::string_view title) override;

 private:
  bool Open(const std::string& target, const std::string& workDir);

  std::unique_ptr<DesktopCalls> ownCalls_;
  DesktopCalls& calls_;
};

}  // namespace tavolin::win32
