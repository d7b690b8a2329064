// The console of the command-line upload mode on Windows.
//
// The program is a window program, so Windows gives it no console of its own.  Its lines go to
// the standard handles it was started with, written with WriteFile as they are, so they reach a
// console, a pipe or a file alike (cmd's "tavolin x.binary -L 3 > log.txt", a script's pipe).
// Only a stream that has no handle (started from cmd.exe without redirection, or from Explorer)
// goes to a console: the parent's console when it has one, otherwise a console of the program's
// own, made on the first line that needs it, so the windowed program never shows one.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/Console.h"

namespace tavolin::win32 {

// The Win32 calls the console makes.  SystemConsoleCalls passes them to Windows.
class ConsoleCalls {
 public:
  virtual ~ConsoleCalls() = default;
  virtual HANDLE GetStdHandle(DWORD which) = 0;
  virtual BOOL AttachParentConsole() = 0;  // AttachConsole(ATTACH_PARENT_PROCESS)
  virtual BOOL AllocConsole() = 0;
  virtual HANDLE OpenConsoleOutput() = 0;  // CreateFileA("CONOUT$", ...)
  virtual BOOL WriteFile(HANDLE h, const void* bytes, DWORD n, DWORD* put) = 0;
  virtual BOOL IsConsole(HANDLE h) = 0;  // GetConsoleMode succeeds
  virtual BOOL CloseHandle(HANDLE h) = 0;
};

class SystemConsoleCalls : public ConsoleCalls {
 public:
  HANDLE GetStdHandle(DWORD which) override;
  BOOL AttachParentConsole() override;
  BOOL AllocConsole() override;
  HANDLE OpenConsoleOutput() override;
  BOOL WriteFile(HANDLE h, const void* bytes, DWORD n, DWORD* put) override;
  BOOL IsConsole(HANDLE h) override;
  BOOL CloseHandle(HANDLE h) override;
};

class Win32Console : public Console {
 public:
  Win32Console();
  explicit Win32Console(ConsoleCalls& calls);
  ~Win32Console() override;
  Win32Console(const Win32Console&) = delete;
  Win32Console& operator=(const Win32Console&) = delete;

  void Out(std::string_view text) override;
  void Err(std::string_view text) override;
  bool ErrIsTerminal() override;

 private:
  HANDLE Stream(DWORD which);
  void WriteAll(HANDLE h, std::string_view text);

  std::unique_ptr<ConsoleCalls> ownCalls_;
  ConsoleCalls& calls_;
  bool consoleTried_ = false;
  HANDLE consoleOut_ = INVALID_HANDLE_VALUE;
};

}  // namespace tavolin::win32
