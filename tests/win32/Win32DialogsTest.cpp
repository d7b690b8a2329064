// The rules behind the Win32 file dialogs: the filter list and the start folder.  The dialogs
// themselves are used in Win32UiTest.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32Dialogs.h"

namespace tavolin::win32 {
namespace {

TEST(Win32Dialogs, DialogFilterPairsLabelsWithPatterns) {
  using namespace std::string_literals;
  struct Case {
    const char* filter;
    std::string want;
    int pairs;
  };
  const Case cases[] = {
      {"RAM Image|*.binary;*.bin|EEPROM Image|*.eeprom",
       "RAM Image\0*.binary;*.bin\0EEPROM Image\0*.eeprom\0\0"s, 2},
      {"All|*.*", "All\0*.*\0\0"s, 1},
      {"Text|*.txt;;|Empty|", "Text\0*.txt\0\0"s, 1},  // empty patterns dropped, so the label
      {"Lonely label", ""s, 0},
      {"", ""s, 0},
  };
  for (const Case& c : cases) {
    int pairs = -1;
    EXPECT_EQ(DialogFilter(c.filter, &pairs), c.want) << c.filter;
    EXPECT_EQ(pairs, c.pairs) << c.filter;
  }
}

TEST(Win32Dialogs, DialogStartSplitsAtTheLastSeparator) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\work\\demo.binary", "C:\\work", "demo.binary"},
      {"Z:/tmp/x/notes.txt", "Z:/tmp/x", "notes.txt"},
      {"C:\\demo.binary", "C:\\", "demo.binary"},
      {"\\demo.binary", "\\", "demo.binary"},
      {"demo.binary", "", "demo.binary"},
      {"C:\\work\\", "C:\\work", ""},
      {"C:\\work\\*.*", "C:\\work", ""},  // a pattern is no name to propose
      {"C:\\work\\a?b", "C:\\work", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const DialogStart start = SplitDialogStart(c.path);
    EXPECT_EQ(start.folder, c.folder) << c.path;
    EXPECT_EQ(start.name, c.name) << c.path;
  }
}

}  // namespace
}  // namespace tavolin::win32
