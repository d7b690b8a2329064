// MonitorTransfer: two ways of moving a file into a running Propeller 2 outside the boot
// protocol, and the size query that goes with the second.
//
// Principles of operation.
//   - MonitorObjUpload types an object file into the P2 ROM monitor as lines of upper-case hex
//     memory data from address E80 ("E80:00 01 ...", 16 bytes a line, CR LF before each new
//     line), then CR LF and "0+E80", which makes the monitor run it.  One character per write,
//     no pacing: the monitor keeps up.
//   - DownloadBinary sends a file to a program on the chip: the size as 4 bytes little-endian,
//     then blocks of up to 16 bytes, each released by a go-ahead (any bytes) from the chip.  No
//     go-ahead within 200 polls of 10 ms ends the transfer with "TimeOut Error".
//   - SendPreparedSize answers the chip's size query for PreparedFile: the size as a signed
//     32-bit value, -1 for a missing file, none chosen or anything that is no regular file (a
//     FIFO, a device), -2 for a folder.
// Only regular files are sent (platform/RegularFile.h); any other name is treated as missing, so
// DownloadBinary never announces a size and then sends something else.
// Every long send (these two and the text send) can be stopped: Escape stops it, the close button
// stops it and then ends the program (StopRequested).  The chip always sees whole units: the
// binary transfer never cuts a block, the monitor upload finishes the hex line it is in and ends
// it without the run command, so nothing half-typed runs.
// A file of 2 GiB or more cannot be announced in the transfer's signed 32-bit size: it is refused
// like a missing file, with the status line kFileTooBig, and its size is asked as -1.  The
// transfer never sends more than the size it announced, even when the file grows meanwhile.
// Both transfers stop at once when the port is lost (app.port.Lost()), without "TimeOut Error":
// the program reports the loss.  Both set MsMoveOff once their file has opened, so mouse reports do
// not mix into the data; DownloadBinary restores it from Normal-Terminal Mode at its end.
//
// May touch: app.port, app.ReceiveBuffer, app.SendBuffer, app.settings (MsMoveOff, BinPath),
// app.PreparedFile, app.output ("TimeOut Error"), app.platform.ui (dialog, progress bar, pumping
// events, the Normal-Terminal Mode check mark) and app.platform.clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavolin {

struct LoaderContext;

inline constexpr std::uint32_t kMonitorStartAddress = 0xE80;
inline constexpr std::string_view kMonitorLineEnd = "\r\n";
inline constexpr std::string_view kMonitorRun = "0+E80";

inline constexpr std::string_view kAnyFile = "*.*";
inline constexpr std::string_view kDownloadBinaryTitle = "Download Binary";
inline constexpr std::string_view kDownloadBinaryFilter =
    "Propeller(.binary)|*.binary|All Files|*.*";
inline constexpr std::string_view kTransferTimeOut = "TimeOut Error";
inline constexpr int kTransferBlockBytes = 16;
inline constexpr int kGoAheadPolls = 200;
inline constexpr int kGoAheadPollMs = 10;
inline constexpr int kTransferStartProgress = 50;

inline constexpr std::string_view kFileTooBig = "File too big to send (2 GiB or more)";

inline constexpr std::int32_t kSizeMissing = -1;
inline constexpr std::int32_t kSizeFolder = -2;

// Keeps the window painted during a long send (Ui::ProcessPendingEvents).  True when the user
// asked to stop the send: Escape, or the close button, which also sets app.QuitRequested.
bool StopRequested(LoaderContext& app);
// Each character of text with its own one-byte write.
void SendText(LoaderContext& app, std::string_view text);
void MonitorObjUpload(LoaderContext& app, const std::string& path);
// name is a path or exactly "*.*" (the user chooses in a dialog).
void DownloadBinary(LoaderContext& app, const std::string& name);
void SendPreparedSize(LoaderContext& app);

}  // namespace tavolin
