#include "platform/win32/Win32Console.h"

#include <algorithm>

namespace tavolin::win32 {

HANDLE SystemConsoleCalls::GetStdHandle(DWORD which) {
  return ::GetStdHandle(which);
}
BOOL SystemConsoleCalls::AttachParentConsole() {
  return ::AttachConsole(ATTACH_PARENT_PROCESS);
}
BOOL SystemConsoleCalls::AllocConsole() {
  return ::AllocConsole();
}
HANDLE SystemConsoleCalls::OpenConsoleOutput() {
  return ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}
BOOL SystemConsoleCalls::WriteFile(HANDLE h, const void* bytes, DWORD n, DWORD* put) {
  return ::WriteFile(h, bytes, n, put, nullptr);
}
BOOL SystemConsoleCalls::IsConsole(HANDLE h) {
  DWORD mode = 0;
  return ::GetConsoleMode(h, &mode);
}
BOOL SystemConsoleCalls::CloseHandle(HANDLE h) {
  return ::CloseHandle(h);
}

namespace {

bool Usable(HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}

}  // namespace

Win32Console::Win32Console()
    : ownCalls_(std::make_unique<SystemConsoleCalls>()), calls_(*ownCalls_) {}

Win32Console::Win32Console(ConsoleCalls& calls) : calls_(calls) {}

Win32Console::~Win32Console() {
  if (Usable(consoleOut_)) calls_.CloseHandle(consoleOut_);
}

HANDLE Win32Console::Stream(DWORD which) {
  const HANDLE h = calls_.GetStdHandle(which);
  if (Usable(h)) return h;
  if (!consoleTried_) {
    consoleTried_ = true;
    if (calls_.AttachParentConsole() || calls_.AllocConsole()) {
      consoleOut_ = calls_.OpenConsoleOutput();
    }
  }
  return consoleOut_;
}

void Win32Console::WriteAll(HANDLE h, std::string_view text) {
  if (!Usable(h)) return;
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD put = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
    if (!calls_.WriteFile(h, text.data() + done, chunk, &put) || put == 0) return;
    done += put;
  }
}

void Win32Console::Out(std::string_view text) {
  WriteAll(Stream(STD_OUTPUT_HANDLE), text);
}

void Win32Console::Err(std::string_view text) {
  WriteAll(Stream(STD_ERROR_HANDLE), text);
}

bool Win32Console::ErrIsTerminal() {
  const HANDLE h = Stream(STD_ERROR_HANDLE);
  return Usable(h) && calls_.IsConsole(h);
}

}  // namespace tavolin::win32
