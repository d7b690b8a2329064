#include "sim/DemoPages.h"

#include "sim/DisplayBytes.h"

namespace tavolin::sim {

namespace {

constexpr const char* kColorNames[8] = {"white", "cyan",  "red",    "magenta",
                                        "blue",  "green", "yellow", "grey"};

// "SIM" in a 5 x 7 font, one byte per pixel column, bit 0 at the top.
constexpr std::uint8_t kSimColumns[18] = {0x46, 0x49, 0x49, 0x49, 0x31, 0x00, 0x00, 0x41, 0x7F,
                                          0x41, 0x00, 0x00, 0x7F, 0x02, 0x0C, 0x02, 0x7F, 0x00};

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  if (text.size() > width) text.resize(width);
  return text;
}

void Help(DisplayBytes& out) {
  out.At(0, 22).Color(7).Text(
      "F1 demo  F2 teletype page  F3 graphics text page  F4 queries  F5 sector 0");
  out.At(0, 23).Text(
      "Requests: F6 o  F7 f  F8 a  F9 t  F11 s  F12 b  Ins e  Del i (name: Keys line)");
  out.At(0, 24).Text("Mouse: the pointer follows; left click paints, right click inverts");
}

}  // namespace

std::vector<std::uint8_t> TextLine(int col, int row, std::uint8_t color, const std::string& text) {
  DisplayBytes out;
  const int width = demo::kLineWidth - col;
  out.At(col, row).Color(color).Text(Padded(text, width > 0 ? static_cast<std::size_t>(width) : 0));
  return out.bytes;
}

std::vector<std::uint8_t> DemoPage() {
  DisplayBytes out;
  out.Clear();
  // The title goes to row 1 and the picture scrolls up one text row to bring it to the top.
  out.At(0, 1).Color(demo::kTitleColor);
  out.Text(Padded(" Tavolin simulated Propeller - display firmware demo", demo::kLineWidth));
  out.Scroll(0, 17);

  out.At(0, 2).Color(0).Text("Colours: ");
  for (int i = 0; i < 8; ++i)
    out.Color(static_cast<std::uint8_t>(i)).Text(kColorNames[i]).Text(" ");
  out.At(0, 3).Color(0).Text("Inverse: ");
  for (int i = 1; i < 8; ++i) {
    out.Color(static_cast<std::uint8_t>(8 + i)).Text(kColorNames[i]).Color(0).Text(" ");
  }
  out.At(0, 4).Color(6).Text("Glyphs:  ");
  for (int c = 14; c < 32; ++c) out.Byte(static_cast<std::uint8_t>(c));
  out.Text(" ");
  for (int c = 128; c < 160; ++c) out.Byte(static_cast<std::uint8_t>(c));
  out.Text(" ");
  for (int c = 160; c < 176; ++c) out.Byte(static_cast<std::uint8_t>(c));

  // Filled boxes in the eight colours, a hole erased in the first, a stripe inverted across three.
  for (int i = 0; i < 8; ++i) {
    const int x0 = 16 + i * 36;
    out.Color(static_cast<std::uint8_t>(i)).Move(x0, 100).Op(op::kBox, x0 + 28, 128);
  }
  out.Move(22, 106).Op(op::kEraseBox, 37, 121);
  out.Color(0).Move(88, 110).Op(op::kInvertBox, 188, 118);
  // A dotted line of plots and a fan of lines.  (Graphics coordinates end at 511.)
  out.Color(6);
  for (int x = 16; x <= 296; x += 4) out.Op(op::kPlot, x, 140);
  for (int i = 0; i < 9; ++i) {
    out.Color(static_cast<std::uint8_t>(i % 7 + 1)).Move(400, 96).Op(op::kLine, 330 + i * 18, 180);
  }
  // Circles: the radius is the distance from the pen to the centre; radius 1 is one pixel.
  out.Color(4).Move(332, 215).Op(op::kCircle, 350, 215);
  out.Color(5).Move(388, 215).Op(op::kCircle, 400, 215);
  out.Color(0).Move(429, 215).Op(op::kCircle, 430, 215);
  // A rounded frame, and a box of four lines flood-filled around a circle.
  out.Color(1).Move(16, 160).Op(op::kFrame, 200, 240);
  out.Color(7).Move(220, 160).Op(op::kLine, 300, 160).Op(op::kLine, 300, 240);
  out.Op(op::kLine, 220, 240).Op(op::kLine, 220, 160);
  out.Color(6).Move(250, 200).Op(op::kCircle, 260, 200);
  out.Color(3).Op(op::kFill, 230, 170);
  // Bit columns: two pixel columns per command, the pen moving on by two.
  out.Color(5).Move(480, 120);
  for (int i = 0; i < 18; i += 2) out.RawOp(op::kBitColumns, kSimColumns[i], kSimColumns[i + 1]);
  out.Pointer(demo::kSampleX, demo::kSampleY);
  out.At(2, 15).Color(7).Text("Frame");
  out.At(31, 15).Text("Fill");
  out.At(42, 15).Text("Circles");
  out.At(57, 15).Text("Pointer");

  out.At(0, demo::kInputRow).Color(0).Text("Keys: ");
  Help(out);
  return out.bytes;
}

std::vector<std::uint8_t> TeletypePage() {
  DisplayBytes out;
  out.Clear().Color(5).Text("Teletype page (for Normal-Terminal Mode)\r\n\r\n");
  out.Color(0).Text("TAB moves one column:\tone\ttwo\tthree\r\n");
  out.Text("A line feed alone\ngoes to column 0 of the next line.\r\n");
  out.Text("xxxxxxxxxxxxxx CR alone returns\rOVERWRITTEN\r\n");
  out.Color(10).Text(" inverse cyan ").Color(0).Text(" and back\r\n\r\n");
  out.Color(7).Text("Press F1 for the demo page.\r\n");
  return out.bytes;
}

std::vector<std::uint8_t> GraphicsTextPage() {
  DisplayBytes out;
  out.Clear().Home().Color(6).Text("Graphics-mode text page").Byte(13).Byte(13);
  out.Color(0).Text("TAB:").Byte(9).Text("to column 8").Byte(13);
  out.Text("Backspace: abcd").Byte(8).Byte(8).Text("XY (abXY)").Byte(13);
  out.Byte(11).Byte(6).Byte(10).Byte(20).Text("row 6, column 20 by codes 11 and 10");
  out.Byte(11).Byte(8).Byte(10).Byte(0).Color(7).Text("Press F1 for the demo page.").Byte(13);
  return out.bytes;
}

}  // namespace tavolin::sim
