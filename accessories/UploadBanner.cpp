#include "accessories/UploadBanner.h"

#include "app/AppState.h"

namespace tavolin {

void ShowUploadBanner(AppState& app) {
  TextOutput* out = app.output;
  if (app.platform.ui.HasWindow()) {
    // LOGO: the 210 x 85 logo is stamped into the top-left corner of the terminal's screen image
    // here, before the two bytes below make the interpreter present it.  The screen image and the
    // decoded logo come with the terminal and shell layers; until they are in AppState the banner
    // shows no picture.
    //
    // Vertical tab and the graphics escape: in graphics mode they put the text cursor on row 5,
    // just below the logo.
    static constexpr char kBelowLogo[] = {11, 5};
    if (out != nullptr) out->PrintText(std::string_view(kBelowLogo, sizeof kBelowLogo));
  } else if (out != nullptr) {
    for (std::string_view text : {kBannerMadeBy, kBannerCustomized, kBannerCommercial}) {
      out->PrintText(text);
      if (app.NormalTerminalMode != 0) out->PrintText("\n");
    }
  }
  app.platform.clock.SleepMs(kBannerPauseMs);
}

}  // namespace tavolin
