// The windowed program from start to exit, in the order it runs, the same on every platform: a
// platform's main builds its clock, serial system, window, console and desktop and calls
// RunWindowed.
//
//   DecodeAssets          the glyph sheet and the logo (terminal/Assets.h)
//   ReadStartupSettings   parameters into AppState; the settings file; "-A" sets Autoload
//   OpenWindow            the window with its menu and hidden progress bar (platform)
//   OpenTerminal          window size, check marks, the screen image with its band, clear
//   StartTimer            the 40 ms tick (platform)
//   ConnectAtStartup      the port scan when ComNr is 0, Connect, Autoload, the baud menu
//   cycles                RunCycle per window event (app/MainLoop.h), the port watched for data
//   Shutdown              the timer stopped, the port closed
#pragma once

#include "app/AppState.h"
#include "app/CommandLine.h"

namespace tavolin {

inline constexpr int kFirstScannedPort = 1;
inline constexpr int kLastScannedPort = 63;

void ReadStartupSettings(AppState& app, const CommandLine& line);
void OpenTerminal(AppState& app);
// Tries COM1..COM63 with the quiet detection; the first port whose chip answers with a version of
// 1 or more becomes ComNr.  Returns whether one answered.
bool ScanForChip(AppState& app);
void ConnectAtStartup(AppState& app);
void Shutdown(AppState& app);

// ReadStartupSettings to ConnectAtStartup, with the window opened and the timer started.  False
// when the window could not be opened (nothing else is done then).
bool StartWindowed(AppState& app, const CommandLine& line);
// The whole windowed program; the process's exit code (exitcode::kNoWindow when the window
// did not open).
int RunWindowed(AppState& app, const CommandLine& line);

}  // namespace tavolin
