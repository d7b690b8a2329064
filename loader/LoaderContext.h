// LoaderContext: what the loader layer works on, handed over as one reference.
//
// Like the terminal's context (terminal/TerminalContext.h) its members are references into the
// program's record, named as there, and the record converts to it.  The one thing the loader asks
// of a layer above it, the EEPROM banner, comes in as a function the program sets.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "loader/LoaderState.h"
#include "platform/Platform.h"
#include "serial/SerialPort.h"
#include "settings/Settings.h"
#include "terminal/TerminalContext.h"
#include "terminal/TextOutput.h"

namespace tavolin {

struct LoaderContext {
  Platform& platform;
  Settings& settings;
  SerialPort& port;
  TextOutput*& output;
  LoaderState& loader;
  std::int32_t& RememberedFileType;
  std::string& PreparedFile;
  std::int32_t& QuitRequested;
  const std::int32_t& NormalTerminalMode;
  ReceiveBlock& ReceiveBuffer;
  SendBlock& SendBuffer;
  // Shows the EEPROM upload's banner (the logo, then a pause).
  std::function<void()> ShowUploadBanner;
};

}  // namespace tavolin
