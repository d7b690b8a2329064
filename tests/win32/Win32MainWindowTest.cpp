// The Win32 window's rules without a window: the about screen laid over the picture, and the
// file dialogs' filter list and start folder.  The clipboard's packed bitmap is read back by the
// window contract (Win32UiTest), with a decoder of its own, and the dialogs are used there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32MainWindow.h"

namespace tavolin::win32 {
namespace {

TEST(Win32MainWindow, OverlayCoversOnlyWhereItHasOpaquePixels) {
  constexpr Pixel B = 0xFF0000FFu;  // below
  constexpr Pixel A = 0xFFFF0000u;  // above
  constexpr Pixel K = 0xFF000000u;  // neither
  Image below(4, 2, B);
  Image above(3, 3, A);
  above.At(0, 0) = 0x00000000u;  // left unpainted
  above.At(1, 0) = 0x00123456u;  // colour without alpha: unpainted too
  const Image got = Overlaid(below, above);
  EXPECT_EQ(got.width, 4);
  EXPECT_EQ(got.pixels, (std::vector<Pixel>{B, B, A, B,     // below where above is unpainted
                                            A, A, A, B,     // below beyond above
                                            A, A, A, K}));  // above beyond below, black beyond both
  // Nothing below: the overlay alone, its unpainted pixels black.
  EXPECT_EQ(Overlaid(Image(), above).pixels, (std::vector<Pixel>{K, K, A, A, A, A, A, A, A}));
}

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
