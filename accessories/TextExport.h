// The picture and the text the terminal shows, exported: "S&creenshot" (the screen image to the
// clipboard), "&Copy Text" (the text mirror to the clipboard) and "&Save Text" (the text mirror to
// a file).  None of them shows a message or touches the serial link.
#pragma once

#include <string_view>

#include "terminal/TerminalContext.h"

namespace tavolin {

inline constexpr std::string_view kSaveTextTitle = "Save Text";
inline constexpr std::string_view kSaveTextDefault = "*.txt";
inline constexpr std::string_view kSaveTextFilter = "Text(.txt)|*.txt";

// The screen image itself, never the enlarged copy; with InversScreenshot every colour byte is
// inverted in the copy that goes to the clipboard, the screen stays as it was.
void Screenshot(TerminalContext& app);
// The text mirror byte for byte; emptied only once it reached the clipboard.
void CopyText(TerminalContext& app);
// The text mirror byte for byte into the chosen file, replacing it; the mirror is kept.
void SaveText(TerminalContext& app);

}  // namespace tavolin
