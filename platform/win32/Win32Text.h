// Small helpers shared by the Win32 backend: the system's text for an error code, and a string
// value from the registry.
#pragma once

#include <windows.h>

#include <string>

namespace tavolin::win32 {

// The system's message for a GetLastError code, without its line end; "error <n>" when the
// system has none.
std::string SystemMessage(DWORD error);
// The REG_SZ value name of an open key, empty when it is missing or of another type.
std::string RegistryString(HKEY key, const char* name);

}  // namespace tavolin::win32
