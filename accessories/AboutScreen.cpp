#include "accessories/AboutScreen.h"

namespace tavolin {

Image AboutPicture() {
  Image picture(kAboutWidth, kAboutHeight, 0x00000000u);  // transparent
  for (int y = 2; y < kAboutHeight; ++y) {
    const Pixel gradient = 0xFF000000u | (static_cast<Pixel>(y) << 16) | static_cast<Pixel>(y);
    for (int x = 0; x <= 150; ++x) picture.At(x, y) = gradient;
    for (int x = 151; x <= 319; ++x) picture.At(x, y) = 0xFF000000u;
  }
  return picture;
}

std::vector<OverlayText> AboutTexts() {
  return {
      {30, 25, "Tavolin"},
      {170, 25, "PC- Keyboard, Mouse"},
      {170, 45, "and Text-Display for"},
      {170, 65, "Propeller Chip"},
      {170, 100, "Version 0.5.P2"},
      {170, 130, std::string(kAboutCredit)},
      {170, 150, std::string(kAboutAddress)},
  };
}

void ShowAboutScreen(TerminalContext& app) {
  if (!app.platform.ui.HasWindow()) return;
  app.platform.ui.PaintOverlay(AboutPicture(), AboutTexts(), 0xFFFFFF00u);  // yellow
  app.platform.clock.SleepMs(kAboutPauseMs);  // no events, no serial input meanwhile
}

}  // namespace tavolin
