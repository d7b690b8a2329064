#include "platform/win32/Win32Text.h"

namespace tavolin::win32 {

std::string SystemMessage(DWORD error) {
  char text[512] = {};
  const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, text, sizeof(text) - 1, nullptr);
  std::string message(text, n);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "error " + std::to_string(error);
  return message;
}

std::string RegistryString(HKEY key, const char* name) {
  char data[512] = {};
  DWORD size = sizeof(data) - 1;
  DWORD type = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  std::string value(data, size < sizeof(data) ? size : sizeof(data) - 1);
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
}

}  // namespace tavolin::win32
