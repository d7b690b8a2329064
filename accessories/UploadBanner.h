// The upload banner, shown when an EEPROM image is about to be loaded: with a window the logo in
// the terminal picture, without one (the console upload mode) a three-line credit.  Either way it
// holds the program for two seconds.
//
// May touch: app.screen.screenImage (the logo), out (PrintText), app.NormalTerminalMode,
// app.platform.ui (HasWindow) and app.platform.clock.
#pragma once

#include <string_view>

namespace tavolin {

struct TerminalContext;
class TextOutput;

inline constexpr std::string_view kBannerMadeBy = "Made by the Tavolin project\r";
inline constexpr std::string_view kBannerCustomized = "Ask for a customized version\r";
inline constexpr std::string_view kBannerCommercial = "for your commercial product!\r\r";
inline constexpr int kBannerPauseMs = 2000;

// Status lines go to out (none when null).
void ShowUploadBanner(TerminalContext& app, TextOutput* out);

}  // namespace tavolin
