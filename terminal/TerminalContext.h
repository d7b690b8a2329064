// TerminalContext: what the terminal layer works on, handed over as one reference.
//
// Its members are references into the program's record (app/TerminalContext.h) and carry the names they
// have there, so a function of this layer reads the same whichever record it is given; the
// program's record hands out its context by conversion.  The terminal reaches the chip only
// through ChipLink and the window only through the platform's interfaces.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Image.h"
#include "platform/Platform.h"
#include "settings/Settings.h"
#include "terminal/ChipLink.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/KeyForwarding.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

// The interpreter's input block, and the scratch space for every byte sent to the chip.
using ReceiveBlock = std::array<std::uint8_t, 4098>;
using SendBlock = std::array<std::uint8_t, 514>;

struct TerminalContext {
  Platform& platform;
  Settings& settings;
  const std::int32_t& NormalTerminalMode;
  TerminalScreen& screen;
  DisplayInterpreter& interpreter;
  KeyState& keyState;
  Image& glyphSheet;
  Image& logo;
  ReceiveBlock& ReceiveBuffer;
  SendBlock& SendBuffer;
  ChipLink& port;
};

}  // namespace tavolin
