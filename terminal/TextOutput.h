// Where the program's own texts go: status lines of the serial link, the boot loader and the
// transfers.  With a window they are drawn on the screen as the chip's text would be, without
// touching what the chip is in the middle of sending; in the command-line upload mode they go to
// the console.  Tests record them.
#pragma once

#include <string_view>

namespace tavolin {

class TextOutput {
 public:
  virtual ~TextOutput() = default;
  // The text unchanged (bytes 0..255, control codes included).
  virtual void PrintText(std::string_view text) = 0;
  // A status line: the text and CR, then LF as well while Normal-Terminal Mode is on.
  virtual void PrintLine(std::string_view text) = 0;
  // Clears the screen as a byte 0 from the chip would.
  virtual void ClearScreen() = 0;
  // Ends the line the chip left unfinished, so that the next status line starts on its own line
  // (a console's lines are always whole).
  virtual void StartFreshLine() {}
};

}  // namespace tavolin
