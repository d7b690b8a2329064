// DisplayInterpreter: the chip's display output, decoded by the parser (terminal/DisplayParser.h)
// and drawn by the screen's actions (terminal/ScreenActions.h).
//
// Principles of operation.  Interpret runs one block of ReceiveBuffer through the chip's parser
// onto the screen and presents it once; a command cut at the end of the block stays in the
// parser.  Nothing here waits or touches the port: whatever the chip asked for in the block goes
// into the outbox below, which the main loop (app/MainLoop.h) empties after the block: the
// queries and file blocks in the order asked, then the host request, then the pixel test's
// answer (only the last one of the block).
// The program's own texts (status lines, ScreenTextOutput) are drawn with the same actions but
// decoded by a parser of their own, so a line printed while the chip is in the middle of a
// command neither completes nor breaks it; a command left unfinished at the end of such a text is
// dropped with it.  Without a window the texts go to the console.
// Touches the screen, the interpreter record and ReceiveBuffer; reads the settings and
// NormalTerminalMode; shows through ui and writes to the console.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "terminal/DisplayParser.h"
#include "terminal/TextOutput.h"

namespace tavolin {

struct TerminalContext;

// Answers of the pixel test.
inline constexpr std::int32_t kPixelLit = 0xFF;
inline constexpr std::int32_t kPixelBlack = 0xFE;

// A question of the chip answered with bytes after the block: a query's text or a file block.
struct ChipQuestion {
  enum class Kind : std::uint8_t { Query, FileBlock };
  Kind kind = Kind::Query;
  std::int32_t value = 0;  // the query's x, or the block number
  bool operator==(const ChipQuestion&) const = default;
};

struct DisplayInterpreter {
  DisplayParser parser;         // the chip's, with the command it may be in the middle of
  std::int32_t carryCount = 0;  // bytes of that command held over (0 to 3)

  // The outbox, emptied by the main loop after every block.
  std::vector<ChipQuestion> questions;  // in the order asked
  std::int32_t HostRequest = 0;         // 0, or twice the request letter's character code
  std::int32_t ReplyByte = 0;           // 0, or the last pixel test's answer
};

// Interprets the first length bytes of ReceiveBuffer as the chip's next block.
void Interpret(TerminalContext& app, int length);
// Clears the screen as a byte 0 from the chip would.
void ClearScreen(TerminalContext& app);
// Draws the program's own text; without a window writes it and a line break to the console.
void PrintText(TerminalContext& app, std::string_view text);
// The text and CR, then LF as well while Normal-Terminal Mode is on.
void PrintLine(TerminalContext& app, std::string_view text);
// Ends the line the cursor is on unless it stands at its start.
void StartFreshLine(TerminalContext& app);

// Routes the program's status lines to the screen: app.SetOutput(&screenOutput).
class ScreenTextOutput : public TextOutput {
 public:
  explicit ScreenTextOutput(TerminalContext& app) : app_(app) {}
  void PrintText(std::string_view text) override;
  void PrintLine(std::string_view text) override;
  void ClearScreen() override;
  void StartFreshLine() override;

 private:
  TerminalContext& app_;
};

}  // namespace tavolin
