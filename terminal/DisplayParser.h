// DisplayParser: the display protocol the chip speaks, decoded and nothing else.
//
// Principles of operation.  Bytes go in, actions come out on an actions object: bytes 14 and up
// are glyphs, bytes below 14 are control codes, and 5 opens a four-byte graphics command
// (5, C, X, Y).  The byte 200 is a backspace wherever a code is expected; parameter bytes are
// taken as they come, 200 included.  The two dialects differ in which codes take a parameter
// byte and in what the codes mean:
//
//   code   Normal-Terminal Mode         graphics mode
//   0      clear                        clear
//   1      nothing                      home
//   8      backspace                    backspace
//   9      one column on                spaces to the next multiple of 8
//   10     line feed                    column := the next byte
//   11     nothing                      row := the next byte
//   12     colour := the next byte      colour := the next byte
//   13     carriage return              new line
//   5      graphics command             graphics command
//   others nothing                      nothing
//
// A command whose bytes have not all arrived when a block ends is held here and completed by the
// next block, in the dialect it began in; nothing is ever waited for or read from elsewhere.  The
// queries (op 0x81: time, date, palette, or a 512-byte block of the prepared file) and the host
// request (op 0x82) come out as actions of their own; every other op as the graphics command's
// bytes.  The parser knows nothing of the screen, the port, the clock or the settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavolin {

enum class Dialect : std::uint8_t { NormalTerminal, Graphics };

// What a control code means, once the dialect has been applied.
enum class ControlCode : std::uint8_t {
  Clear,           // 0
  Home,            // graphics 1
  Backspace,       // 8 and 200
  Step,            // Normal-Terminal 9: one column on, nothing drawn
  Tab,             // graphics 9
  LineFeed,        // Normal-Terminal 10
  CarriageReturn,  // Normal-Terminal 13
  NewLine,         // graphics 13
  Ignored,         // a code without effect in the dialect
};

// The three bytes after a 5: 9-bit coordinates x = 2 X + bit 5 of C, y = 2 Y + bit 4 of C and the
// operation C AND 0x8F.
struct GraphicsBytes {
  std::uint8_t C = 0;
  std::uint8_t X = 0;
  std::uint8_t Y = 0;
  int Op() const { return C & 0x8F; }
  int x() const { return 2 * X + ((C >> 5) & 1); }
  int y() const { return 2 * Y + ((C >> 4) & 1); }
  bool operator==(const GraphicsBytes&) const = default;
};

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

// The actions a parser produces.  Deriving from it (NullActions) lets a recorder override only
// what it looks at; the parser itself calls whatever type it is given, so the screen's calls are
// direct.
class DisplayActions {
 public:
  virtual ~DisplayActions() = default;
  virtual void Print(std::uint8_t /*glyph*/) {}
  virtual void Control(ControlCode /*code*/) {}
  virtual void SetColumn(std::uint8_t /*value*/) {}
  virtual void SetRow(std::uint8_t /*value*/) {}
  virtual void SetColour(std::uint8_t /*value*/) {}
  // Every op but the query and the host request.
  virtual void Graphics(GraphicsBytes /*command*/) {}
  // Op 0x81 with x below 255: 2 time in seconds, 4 time of day, 6 date, 8 the palette value.
  virtual void Query(int /*x*/) {}
  // Op 0x81 with x from 255: block (x - 256) * 128 + Y of the prepared file (negative for 255).
  virtual void FileBlock(std::int32_t /*block*/) {}
  // Op 0x82: a host request y that proves the name's length with x = twice that length.
  virtual void HostRequest(int /*x*/, int /*y*/) {}
};
class NullActions : public DisplayActions {};

class DisplayParser {
 public:
  // Decodes bytes in the dialect given; a command left unfinished is held for the next call.
  template <typename Actions>
  void Feed(std::span<const std::uint8_t> bytes, Dialect dialect, Actions& actions);

  // The bytes of the unfinished command held (0 to 3).
  int HeldCount() const;

 private:
  enum class State : std::uint8_t { Ground, Column, Row, Colour, CommandC, CommandX, CommandY };

  template <typename Actions>
  void Code(std::uint8_t code, Dialect dialect, Actions& actions);
  template <typename Actions>
  void Parameter(std::uint8_t byte, Actions& actions);

  State state_ = State::Ground;
  std::uint8_t c_ = 0;
  std::uint8_t x_ = 0;
};

inline constexpr std::uint8_t kBackspaceAlias = 200;

template <typename Actions>
void DisplayParser::Feed(std::span<const std::uint8_t> bytes, Dialect dialect, Actions& actions) {
  const std::uint8_t* p = bytes.data();
  const std::uint8_t* const end = p + bytes.size();
  while (p != end) {
    const std::uint8_t b = *p++;
    if (state_ != State::Ground) {
      Parameter(b, actions);
    } else if (b >= 14 && b != kBackspaceAlias) {
      actions.Print(b);
    } else {
      Code(b, dialect, actions);
    }
  }
}

template <typename Actions>
void DisplayParser::Code(std::uint8_t code, Dialect dialect, Actions& actions) {
  const bool graphics = dialect == Dialect::Graphics;
  switch (code) {
    case 0:
      actions.Control(ControlCode::Clear);
      break;
    case 1:
      actions.Control(graphics ? ControlCode::Home : ControlCode::Ignored);
      break;
    case 5:
      state_ = State::CommandC;
      break;
    case 8:
    case kBackspaceAlias:
      actions.Control(ControlCode::Backspace);
      break;
    case 9:
      actions.Control(graphics ? ControlCode::Tab : ControlCode::Step);
      break;
    case 10:
      if (graphics) {
        state_ = State::Column;
      } else {
        actions.Control(ControlCode::LineFeed);
      }
      break;
    case 11:
      if (graphics) {
        state_ = State::Row;
      } else {
        actions.Control(ControlCode::Ignored);
      }
      break;
    case 12:
      state_ = State::Colour;
      break;
    case 13:
      actions.Control(graphics ? ControlCode::NewLine : ControlCode::CarriageReturn);
      break;
    default:  // 2, 3, 4, 6, 7
      actions.Control(ControlCode::Ignored);
      break;
  }
}

template <typename Actions>
void DisplayParser::Parameter(std::uint8_t byte, Actions& actions) {
  const State state = state_;
  state_ = State::Ground;
  switch (state) {
    case State::Column:
      actions.SetColumn(byte);
      break;
    case State::Row:
      actions.SetRow(byte);
      break;
    case State::Colour:
      actions.SetColour(byte);
      break;
    case State::CommandC:
      c_ = byte;
      state_ = State::CommandX;
      break;
    case State::CommandX:
      x_ = byte;
      state_ = State::CommandY;
      break;
    case State::CommandY: {
      const GraphicsBytes g{c_, x_, byte};
      if (g.Op() == op::kQuery) {
        if (g.x() < 255) {
          actions.Query(g.x());
        } else {
          actions.FileBlock(static_cast<std::int32_t>(g.x() - 256) * 128 + g.Y);
        }
      } else if (g.Op() == op::kHostRequest) {
        actions.HostRequest(g.x(), g.y());
      } else {
        actions.Graphics(g);
      }
      break;
    }
    case State::Ground:
      break;
  }
}

inline int DisplayParser::HeldCount() const {
  switch (state_) {
    case State::Ground:
      return 0;
    case State::CommandX:
      return 2;
    case State::CommandY:
      return 3;
    default:
      return 1;
  }
}

}  // namespace tavolin
