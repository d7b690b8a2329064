// ScreenActions: the display actions carried out on the TerminalScreen, for one block.
//
// Principles of operation.  An object lives for one block of the chip's output or one text of the
// program's own.  Before each action the cursor mark is erased (when TxtCurs is on); Finish draws
// it at the cursor and presents the picture once.  Drawing is all it does: what the chip asks of
// the PC (queries, file blocks, the host request, the pixel test's answer) is left in the
// interpreter's outbox (terminal/DisplayInterpreter.h) for the main loop.
// Touches the screen and the interpreter's outbox; reads the settings and the glyph sheet.
#pragma once

#include <cstdint>
#include <span>

#include "terminal/DisplayParser.h"

namespace tavolin {

struct TerminalContext;

class ScreenActions final : public DisplayActions {
 public:
  explicit ScreenActions(TerminalContext& app);

  void Print(std::uint8_t glyph) override;
  void Control(ControlCode code) override;
  void SetColumn(std::uint8_t value) override;
  void SetRow(std::uint8_t value) override;
  void SetColour(std::uint8_t value) override;
  void Graphics(GraphicsBytes command) override;
  void Query(int x) override;
  void FileBlock(std::int32_t block) override;
  void HostRequest(int x, int y) override;

  // Runs bytes through parser onto this screen (here, so that the actions are inlined into the
  // parser's loop).
  void Feed(DisplayParser& parser, std::span<const std::uint8_t> bytes, Dialect dialect);

  // The cursor mark, then one Present.
  void Finish();

 private:
  void EraseMark();

  TerminalContext& app_;
  bool cursorShown_;
};

// cursorRow + 1 and cursorCol 0, scrolling one text row at the bottom.
void NewLine(TerminalContext& app);

}  // namespace tavolin
