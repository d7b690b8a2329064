// The windowed start-up and exit, in the order the program runs them.  The platform's own steps
// (creating and showing the window, starting the 40 ms timer) sit between these calls in main.
//
//   ReadStartupSettings   parameters into AppState; the settings file; "-A" sets Autoload
//   OpenTerminal          window size, check marks, the screen image with its band, clear
//   (platform)            show the window, start the timer
//   ConnectAtStartup      the port scan when ComNr is 0, Connect, Autoload, the baud menu
//   RunMainLoop           (app/MainLoop.h)
//   Shutdown              the port closed
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

}  // namespace tavolin
