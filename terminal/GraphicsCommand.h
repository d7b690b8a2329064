// The inside of the display interpreter: the graphics command (code 5) and the helpers the
// control codes share with it.  Only terminal/DisplayInterpreter.cpp and the tests use this.
#pragma once

#include <cstdint>

namespace tavolin {

struct AppState;

// The next parameter byte of the command being interpreted: from the block when it holds one,
// otherwise from the port (up to 40 tries 2 ms apart); readPosition moves only in the first case.
std::uint8_t ReadParameter(AppState& app);
// cursorRow + 1 and cursorCol 0, scrolling one text row at the bottom.
void NewLine(AppState& app);
// Reads C, X and Y and performs the operation.
void GraphicsCommand(AppState& app);

// Operation numbers (C AND 0x8F).
namespace op {
inline constexpr int kMove = 0x00;
inline constexpr int kPlot = 0x01;
inline constexpr int kLine = 0x02;
inline constexpr int kBox = 0x03;
inline constexpr int kEraseBox = 0x04;
inline constexpr int kInvertBox = 0x05;
inline constexpr int kPointer = 0x06;
inline constexpr int kCircle = 0x07;
inline constexpr int kRoundedFrame = 0x08;
inline constexpr int kPixelTest = 0x09;
inline constexpr int kBitColumns = 0x0A;
inline constexpr int kScroll = 0x0B;
inline constexpr int kTextCursor = 0x0C;
inline constexpr int kFloodFill = 0x0E;
inline constexpr int kQuery = 0x81;
inline constexpr int kHostRequest = 0x82;
}  // namespace op

}  // namespace tavolin
