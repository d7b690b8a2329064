// The pictures of the display firmware's demo, as display-protocol bytes.  The demo page uses
// only codes that mean the same in both dialects (0 clear, 12 colour, 5 graphics commands with
// op 0x0C to place text), so it looks right in Normal-Terminal Mode and in graphics mode; the two
// text pages show what each dialect does with CR, LF, TAB, 1, 10, 11 and backspace.
// Pure computation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavolin::sim {

// Where the demo page keeps its live parts (text cells and pixels).
namespace demo {
// Graphics coordinates are 9 bits: everything drawn lies within x and y 0 to 511.
inline constexpr int kClockCol = 71, kClockRow = 0;
inline constexpr int kPixelRow = 16;
inline constexpr int kInputCol = 6, kInputRow = 18, kInputMax = 60;
inline constexpr int kLastKeyRow = 19;
inline constexpr int kLogRow = 20, kLogLines = 2;
inline constexpr int kLineWidth = 79;           // never the last column: the last row would scroll
inline constexpr int kLitX = 100, kLitY = 124;  // inside the red box
inline constexpr int kDarkX = 630, kDarkY = 262;      // left black
inline constexpr int kSampleX = 470, kSampleY = 210;  // a pointer sprite shown as a sample
inline constexpr std::uint8_t kTitleColor = 9;        // cyan, inverse: red on white
}  // namespace demo

std::vector<std::uint8_t> DemoPage();
std::vector<std::uint8_t> TeletypePage();
std::vector<std::uint8_t> GraphicsTextPage();
// Text at (col, row) in colour, padded with blanks to the line width so it replaces what was
// there.
std::vector<std::uint8_t> TextLine(int col, int row, std::uint8_t color, const std::string& text);

}  // namespace tavolin::sim
