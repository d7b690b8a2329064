#include "accessories/UploadBanner.h"

#include "terminal/Raster.h"
#include "terminal/TerminalContext.h"
#include "terminal/TextOutput.h"

namespace tavolin {

void ShowUploadBanner(TerminalContext& app, TextOutput* out) {
  if (app.platform.ui.HasWindow()) {
    // The logo covers the top-left 210 x 85 pixels (the first five text rows) of the picture;
    // CopyRect clips, so a smaller screen image simply shows less of it.
    raster::CopyRect(app.logo, 0, 0, app.logo.width, app.logo.height, app.screen.screenImage, 0, 0);
    // Vertical tab followed by its parameter, the row 5 (not a graphics command): in graphics
    // mode this puts the text cursor on row 5, just below the logo.
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
