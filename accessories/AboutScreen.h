// The about screen: a fixed picture with the program's name, purpose and version, painted straight
// over the main window for two seconds.  It never changes the screen image; the next Present (or
// repaint) covers it again.
#pragma once

#include <string_view>

#include "terminal/TerminalContext.h"

namespace tavolin {

inline constexpr int kAboutWidth = 322;
inline constexpr int kAboutHeight = 240;
inline constexpr int kAboutPauseMs = 2000;
inline constexpr std::string_view kAboutCredit = "Made by the Tavolin developers";
inline constexpr std::string_view kAboutAddress = "www.tavolin.example";

// The picture under the texts: rows 2..239 painted (a red-blue gradient in columns 0..150, black in
// 151..319), everything else left transparent (alpha 0), so the window shows through.
Image AboutPicture();
std::vector<OverlayText> AboutTexts();

void ShowAboutScreen(TerminalContext& app);

}  // namespace tavolin
