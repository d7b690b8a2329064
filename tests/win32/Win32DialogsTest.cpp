// The rules behind the Win32 file dialogs: the filter list and the start folder.  The dialogs
// themselves are used in Win32UiTest.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32Dialogs.h"

namespace tavolin::win32 {
namespace {

// Which types a filter has is the shared rule's (tests/ui); here their Win32 form, which ends
// with an empty label, and their count.
TEST(Win32Dialogs, DialogFilterPairsLabelsWithPatterns) {
  using namespace std::string_literals;
  int pairs = -1;
  EXPECT_EQ(DialogFilter("RAM Image|*.binary;*.bin|EEPROM Image|*.eeprom", &pairs),
            "RAM Image\0*.binary;*.bin\0EEPROM Image\0*.eeprom\0\0"s);
  EXPECT_EQ(pairs, 2);
  EXPECT_EQ(DialogFilter("Lonely label", &pairs), "");
  EXPECT_EQ(pairs, 0);
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
