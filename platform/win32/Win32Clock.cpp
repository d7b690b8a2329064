#include "platform/win32/Win32Clock.h"

#include <windows.h>
// after windows.h, which it builds on
#include <timeapi.h>

namespace tavolin::win32 {

Win32Clock::Win32Clock() {
  fineTimer_ = ::timeBeginPeriod(1) == TIMERR_NOERROR;
  LARGE_INTEGER f{};
  if (::QueryPerformanceFrequency(&f) && f.QuadPart > 0) frequency_ = f.QuadPart;
}

Win32Clock::~Win32Clock() {
  if (fineTimer_) ::timeEndPeriod(1);
}

void Win32Clock::SleepMs(int ms) {
  if (ms <= 0) return;
  ::Sleep(static_cast<DWORD>(ms));
}

std::int64_t Win32Clock::NowMs() {
  LARGE_INTEGER now{};
  if (frequency_ <= 1 || !::QueryPerformanceCounter(&now)) {
    return static_cast<std::int64_t>(::GetTickCount64());
  }
  // Whole seconds and the rest apart, so the product cannot overflow in a long run.
  const std::int64_t seconds = now.QuadPart / frequency_;
  const std::int64_t rest = now.QuadPart % frequency_;
  return seconds * 1000 + rest * 1000 / frequency_;
}

LocalDateTime Win32Clock::LocalNow() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace tavolin::win32
