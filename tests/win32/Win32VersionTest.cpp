// tavolin.exe's version resource, read back from the built program the way Explorer reads it,
// against the version that --version prints: both numbers and texts, so that a version with a
// third number or a resource left behind by a version change shows up here.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Version.h"

namespace tavolin {
namespace {

// The program, as the build names it.  Built on Linux and run under Wine, a path from the root
// of the Unix tree lies on drive Z:.
std::wstring ProgramPath() {
  std::string path = TAVOLIN_EXE;
  if (!path.empty() && path.front() == '/') path = "Z:" + path;
  return std::wstring(path.begin(), path.end());
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text != L'\0'; ++text) out += static_cast<char>(*text);
  return out;
}

TEST(Win32Version, ResourceOfTheProgramMatchesVersionText) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource in " << TAVOLIN_EXE;
  std::vector<unsigned char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  // The numbers without the zeros that fill them up to four.
  std::vector<DWORD> numbers = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  while (numbers.size() > 2 && numbers.back() == 0) numbers.pop_back();
  std::string dotted;
  for (const DWORD n : numbers) dotted += (dotted.empty() ? "" : ".") + std::to_string(n);
  EXPECT_EQ(dotted, kVersion);

  for (const wchar_t* name : {L"\\StringFileInfo\\040904b0\\FileVersion",
                              L"\\StringFileInfo\\040904b0\\ProductVersion"}) {
    ASSERT_TRUE(VerQueryValueW(info.data(), name, &value, &length)) << Narrow(name);
    EXPECT_EQ(Narrow(static_cast<const wchar_t*>(value)), kVersion) << Narrow(name);
  }
}

}  // namespace
}  // namespace tavolin
