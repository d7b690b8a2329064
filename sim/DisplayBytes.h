// Builds byte strings of the display protocol, the way firmware on the chip writes them: text,
// control codes and the four-byte graphics commands (5, C, X, Y with 9-bit coordinates: the high
// 8 bits in X and Y, the low bits in bit 5 (x) and bit 4 (y) of C).
// Pure computation.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavolin::sim {

namespace op {
inline constexpr std::uint8_t kMove = 0x00, kPlot = 0x01, kLine = 0x02, kBox = 0x03,
                              kEraseBox = 0x04, kInvertBox = 0x05, kPointer = 0x06, kCircle = 0x07,
                              kFrame = 0x08, kPixelTest = 0x09, kBitColumns = 0x0A, kScroll = 0x0B,
                              kTextCursor = 0x0C, kFill = 0x0E, kQuery = 0x81, kHostRequest = 0x82;
}

// The queries of op 0x81 (the x value is twice the kind).
enum class Query : std::uint8_t { Seconds = 1, Time = 2, Date = 3, PaletteXor = 4 };

class DisplayBytes {
 public:
  std::vector<std::uint8_t> bytes;

  DisplayBytes& Clear() { return Byte(0); }
  DisplayBytes& Home() { return Byte(1); }  // graphics mode only
  DisplayBytes& Color(std::uint8_t c) { return Byte(12).Byte(c); }
  DisplayBytes& Text(std::string_view text);
  DisplayBytes& Byte(std::uint8_t b) {
    bytes.push_back(b);
    return *this;
  }
  // A graphics command with a 9-bit point.
  DisplayBytes& Op(std::uint8_t opCode, int x, int y);
  // A graphics command with raw X and Y bytes (bit columns, text cursor, requests).
  DisplayBytes& RawOp(std::uint8_t c, std::uint8_t x, std::uint8_t y);

  DisplayBytes& Move(int x, int y) { return Op(op::kMove, x, y); }
  DisplayBytes& At(int col, int row) {
    return RawOp(op::kTextCursor, static_cast<std::uint8_t>(col), static_cast<std::uint8_t>(row));
  }
  DisplayBytes& Pointer(int x, int y) { return Op(op::kPointer, x, y); }
  // Scrolls the picture left by dx and up by dy (negative: right, down).
  DisplayBytes& Scroll(int dx, int dy) { return Op(op::kScroll, dx & 0x1FF, dy & 0x1FF); }
  DisplayBytes& QueryOp(Query q) { return RawOp(op::kQuery, static_cast<std::uint8_t>(q), 0); }
  // Asks for 512-byte block s (0..32767) of the prepared file.
  DisplayBytes& Sector(int s);
  // A host request whose argument is the text printed since the last clear, textLength long.
  DisplayBytes& HostRequest(char letter, std::size_t textLength) {
    return RawOp(op::kHostRequest, static_cast<std::uint8_t>(textLength),
                 static_cast<std::uint8_t>(letter));
  }
};

}  // namespace tavolin::sim
