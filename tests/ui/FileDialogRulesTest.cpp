// The file dialog rules both windows share: the file types the core writes, and which last part
// of a default path is a name to propose.  Each window's tests keep only its own form of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileFilter.h"
#include "platform/Ui.h"

namespace tavolin {
namespace {

std::string Describe(const std::vector<FileType>& types) {
  std::string s;
  for (const FileType& t : types) {
    s += t.label + ":";
    for (const std::string& p : t.patterns) s += " " + p;
    s += "; ";
  }
  return s;
}

TEST(FileDialogRules, FileTypesPairLabelsWithTheirPatterns) {
  struct Case {
    const char* filter;
    const char* want;
  };
  const Case cases[] = {
      {"Text(.txt)|*.txt", "Text(.txt): *.txt; "},
      {"RAM Image|*.binary;*.bin|Prepare|*.bin;*.??a",
       "RAM Image: *.binary *.bin; Prepare: *.bin *.??a; "},
      {"Text|*.txt;;|Empty|", "Text: *.txt; "},  // empty patterns dropped, so the label
      {"A|*.a|dangling", "A: *.a; "},
      {"label without pattern", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(FileTypes(c.filter)), c.want) << c.filter;
}

TEST(FileDialogRules, ANameToProposeHasNoPatternOrForbiddenCharacter) {
  for (const char* name : {"demo.binary", "x y.txt", "caf\xE9.txt"}) {
    EXPECT_TRUE(IsValidFileName(name)) << name;
  }
  for (const char* name : {"", "*.txt", "a?b", "a\"b", "a<b", "a|b", "a:b", "a\tb", "a\x7F"}) {
    EXPECT_FALSE(IsValidFileName(name)) << name;
  }
}

}  // namespace
}  // namespace tavolin
