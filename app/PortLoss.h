// What the program does when its serial device goes away, and how it takes the device back.
//
// Principles of operation.  SerialPort notices the loss itself (a read or write that fails) and
// closes; whatever was running stops at once.  NoticePortLoss, run after every cycle and after the
// console upload, then tells the user exactly once: the Com Enabled check mark is cleared and the
// status line "COM<n> lost" is printed on a line of its own (in the window with kReconnectHint).
// Later polls find the port closed and print nothing, and the window stops watching the dead
// handle, so the program is idle again.
//
// From the loss on the program looks for the same device (SerialSystem::Reopen: never another
// device that took its name) about once a second, on timer ticks
// (RetakeLostPort).  When it is back it is opened as Connect opens it (Com Enabled set, the screen
// cleared) and "COM<n> back" is printed; an attempt that fails shows nothing.  Looking stops for
// good as soon as the user takes the port into their own hands: the Com Enabled command (Pause) in
// either direction, the Com-Port command, a successful Connect, Auto Mode releasing the port, or
// loaded settings that name another COM number.
// May touch: app.port, app.ComEnabled (through app/Flags.h), the retake fields of AppState,
// app.output and app.platform.clock.
#pragma once

#include <string>
#include <string_view>

#include "app/AppState.h"

namespace tavolin {

// Our own status lines after "COM<n>".  In the window the loss line also says how to connect
// again by hand, since only the same device is taken back by itself.
inline constexpr std::string_view kPortLostSuffix = " lost";
inline constexpr std::string_view kReconnectHint = " (Com Enabled or Pause connects again)";
inline constexpr std::string_view kPortBackSuffix = " back";
// How often a lost device is looked for.
inline constexpr int kRetakeIntervalMs = 1000;

// "COM<n> lost" / "COM<n> back" for the port's number.
std::string PortLostLine(int portNumber);
std::string PortBackLine(int portNumber);

// Reports a loss the port has seen since the last call, once, and starts looking for the device.
void NoticePortLoss(AppState& app);
// On timer ticks: after a loss, tries to take the device back when a second has passed since the
// last try.
void RetakeLostPort(AppState& app);
// The user took over the port: no more automatic attempts.
void StopRetaking(AppState& app);

}  // namespace tavolin
