// The recording window the core's tests run against refuses what the real windows refuse (see
// the window contract, UiContract.cpp), so a core test cannot pass on what no window would take.
#include <gtest/gtest.h>

#include "platform/fake/RecordingUi.h"

namespace tavolin {
namespace {

TEST(RecordingUi, RefusesWhatTheWindowsRefuse) {
  fake::RecordingUi ui;
  ui.SetMenuChecked(99, true);  // no item sends 99
  ui.SetMenuEnabled(99, false);
  EXPECT_FALSE(ui.IsMenuChecked(99));
  EXPECT_FALSE(ui.IsMenuEnabled(99));
  Image broken(10, 10);
  broken.pixels.resize(5);
  for (const Image& picture : {Image(), broken}) EXPECT_FALSE(ui.SetClipboardImage(picture));
  EXPECT_FALSE(ui.clipboardImage.has_value());
}

}  // namespace
}  // namespace tavolin
