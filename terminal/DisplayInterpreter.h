// DisplayInterpreter: the display protocol the chip speaks, executed on the TerminalScreen.
//
// Principles of operation.  Interpret takes one block of ReceiveBuffer: bytes 14 and up are
// glyphs (drawn and mirrored as text), bytes below 14 are control codes, and 5 opens a four-byte
// graphics command (5, C, X, Y) with the 9-bit coordinates x = 2 X + bit 5 of C and
// y = 2 Y + bit 4 of C and the operation C AND 0x8F.  The byte 200 is a backspace everywhere.
// Two dialects: Normal-Terminal Mode is a plain teletype whose missing parameter bytes are read
// from the port at once (up to 40 tries 2 ms apart, through the clock); graphics mode holds an
// incomplete command at the end of a block (5, 5 C, 5 C X, and a final 10, 11 or 12) over to the
// next block.  Queries, pixel tests, file blocks and host requests answer the chip: queries and
// file blocks at once through WriteRaw, the pixel test and the host request through ReplyByte and
// HostRequest, which the main loop handles after the block.  The block ends with the cursor mark
// and one Present.
// The interpreter is also the program's own text output (ScreenTextOutput); without a window its
// texts go to the console.  Touches the screen, the interpreter state, ReceiveBuffer, SendBuffer,
// MsMoveOff, and the port; reads the settings, NormalTerminalMode and PreparedFile.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "terminal/TextOutput.h"

namespace tavolin {

struct AppState;

// The longest text one Interpret call takes from PrintText; longer texts go in pieces.
inline constexpr std::size_t kPrintPieceSize = 4095;
inline constexpr int kParameterReadAttempts = 40;
inline constexpr int kParameterReadPauseMs = 2;

// Answers of the pixel test.
inline constexpr std::int32_t kPixelLit = 0xFF;
inline constexpr std::int32_t kPixelBlack = 0xFE;

struct DisplayInterpreter {
  std::array<std::uint8_t, 3> CarryBuffer{};
  std::int32_t carryCount = 0;
  std::int32_t readPosition = 0;
  std::int32_t length = 0;  // bytes of ReceiveBuffer in the block being interpreted
  std::int32_t HostRequest = 0;
  std::int32_t ReplyByte = 0;
};

// Interprets the first length bytes of ReceiveBuffer (after any carried-over bytes).
void Interpret(AppState& app, int length);
// Clears the screen as a byte 0 from the chip would.
void ClearScreen(AppState& app);
// Feeds text through the interpreter; without a window writes it and a line break to the console.
void PrintText(AppState& app, std::string_view text);
// The text and CR, then LF as well while Normal-Terminal Mode is on.
void PrintLine(AppState& app, std::string_view text);

// The texts of the queries, for the local time given.
long long SecondsSince1970(const LocalDateTime& t);
std::string FormatTime(const LocalDateTime& t);
std::string FormatDate(const LocalDateTime& t);

// Routes the program's status lines through the screen: app.SetOutput(&screenOutput).
class ScreenTextOutput : public TextOutput {
 public:
  explicit ScreenTextOutput(AppState& app) : app_(app) {}
  void PrintText(std::string_view text) override;
  void PrintLine(std::string_view text) override;
  void ClearScreen() override;

 private:
  AppState& app_;
};

}  // namespace tavolin
