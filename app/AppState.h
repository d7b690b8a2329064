// AppState: the one record that holds every piece of run-time state.  It exists once for the
// whole run and is passed by reference; there is no global state.  The records of the other
// layers live in it, each defined in its own layer's header; the layers below app/ see it through
// their contexts (terminal/TerminalContext.h, loader/LoaderContext.h), views of the fields they
// use.
#pragma once

#include <cstdint>
#include <string>

#include "accessories/UploadBanner.h"
#include "loader/LoaderContext.h"
#include "loader/LoaderState.h"
#include "platform/Image.h"
#include "platform/Platform.h"
#include "serial/SerialPort.h"
#include "settings/Settings.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/KeyForwarding.h"
#include "terminal/TerminalContext.h"
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
  ReceiveBlock ReceiveBuffer{};
  SendBlock SendBuffer{};

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

  // What the layers below work on: views of the fields above, under the same names.  The record
  // converts to each, so it is handed to a layer's functions as it is.
  TerminalContext terminal{
      platform,   settings, NormalTerminalMode, screen,     interpreter, keyState,
      glyphSheet, logo,     ReceiveBuffer,      SendBuffer, port};
  LoaderContext loaderContext{
      platform,      settings,      port,
      output,        loader,        RememberedFileType,
      PreparedFile,  QuitRequested, NormalTerminalMode,
      ReceiveBuffer, SendBuffer,    [this] { ShowUploadBanner(terminal, output); }};
  operator TerminalContext&() { return terminal; }
  operator const TerminalContext&() const { return terminal; }
  operator LoaderContext&() { return loaderContext; }
  operator const LoaderContext&() const { return loaderContext; }
};

}  // namespace tavolin
