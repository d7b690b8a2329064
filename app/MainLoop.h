// The main loop: one cycle per window event.  A cycle acts on the event (menu command, close
// request, key, mouse), polls the port once (up to 1024 bytes through the interpreter, up to 4096
// while the reads come back full, then what the chip asked for in them: the answers to its queries and file blocks, its host request and
// the reply byte), reports a port whose device went away, and on timer
// ticks applies Auto Mode, looks for a lost device (app/PortLoss.h) and collects the programs the
// chip had started that have ended.
// May touch: all of AppState, through the layers' own operations.
#pragma once

#include "app/AppState.h"
#include "platform/Ui.h"

namespace tavolin {

// Host requests: twice the request letter's character code.
inline constexpr int kRequestUploadImage = 'b' * 2;       // 196
inline constexpr int kRequestUploadEeprom = 'e' * 2;      // 202
inline constexpr int kRequestSendText = 't' * 2;          // 232
inline constexpr int kRequestStartProgram = 'i' * 2;      // 210
inline constexpr int kRequestDownloadFile = 'f' * 2;      // 204
inline constexpr int kRequestDownloadPrepared = 'a' * 2;  // 194
inline constexpr int kRequestPreparedSize = 'o' * 2;      // 222
inline constexpr int kRequestSaveText = 's' * 2;          // 230

// One cycle for event.
void RunCycle(AppState& app, const Event& event);

// Step 9: the serial poll, the host request and the reply byte.
void PollPort(AppState& app);

// Serves one host request with the text mirror as its name.
void ServeHostRequest(AppState& app, int request);

// The Auto Mode rule, run on timer ticks while Auto Mode is on: the port is
// released while the window is minimised and taken back when it is restored.
void ApplyAutoMode(AppState& app);

}  // namespace tavolin
