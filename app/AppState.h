// AppState: the one record that holds every piece of run-time state.  It exists once for the
// whole run and is passed by reference; there is no global state.  The records of the other
// layers live in it, each defined in its own layer's header.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/Platform.h"
#include "loader/LoaderState.h"
#include "platform/Image.h"
#include "serial/SerialPort.h"
#include "settings/Settings.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/KeyForwarding.h"
#include "terminal/TerminalScreen.h"
#include "terminal/TextOutput.h"

namespace tavolin {

inline constexpr const char* kDefaultSettingsFile = "Tavolin2.ini";

struct AppState {
  explicit AppState(Platform& p) : platform(p), port(p.serial, p.clock) {}
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  Platform& platform;
  Settings settings;

  // Shell run-time fields.
  std::string FirstParameter = kDefaultSettingsFile;
  std::string SecondParameter;
  // The live state behind three check marks; app/Flags.h writes each with its mark.
  std::int32_t NormalTerminalMode = 1;
  std::int32_t ComEnabled = 0;  // Com Enabled: the user wants the port open
  std::int32_t AutoMode = 0;    // Auto Mode: set from AutoDis when the settings are applied
  std::int32_t QuitRequested = 0;
  std::int32_t PortReleased = 0;
  // After the device went away: looking for it again (app/PortLoss.h), next try due at
  // NextRetakeMs on the clock.
  std::int32_t RetakingPort = 0;
  std::int64_t NextRetakeMs = 0;
  std::int32_t LastBaudIndex = 0;
  std::int32_t LastTermBaud = 0;  // the TermBaud last applied with LastBaudIndex
  std::int32_t RememberedFileType = 3;
  std::string PreparedFile;

  // The interpreter's input block and the scratch space for every byte sent to the chip.
  std::array<std::uint8_t, 4098> ReceiveBuffer{};
  std::array<std::uint8_t, 514> SendBuffer{};

  // Serial link.
  SerialPort port;

  // Where status lines and the program's own texts go: the display interpreter while the main
  // window exists, the console in the command-line upload mode, a recorder in tests.  The serial
  // port's status lines follow it (see SetOutput).
  TextOutput* output = nullptr;
  void SetOutput(TextOutput* o) {
    output = o;
    port.SetStatusOutput(o);
  }

  // Terminal (screen, interpreter, keyboard and mouse state) -- terminal/.
  KeyState keyState;
  TerminalScreen screen;
  DisplayInterpreter interpreter;
  Image glyphSheet;  // decoded at start-up (terminal/Assets.h)
  Image logo;        // the upload banner's picture, decoded with the glyph sheet

  // Loader (image buffer) -- loader/.
  LoaderState loader;

  // Accessories (logo) -- accessories/.
};

}  // namespace tavolin
