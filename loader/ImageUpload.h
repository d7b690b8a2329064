// ImageUpload: what the "&Upload File" command does with the chosen file, and the image upload
// itself, which the console upload mode, Autoload and the chip's requests b and e call directly.
//
// Principles of operation.  UploadImage resets the chip, reads the image file into the image
// buffer, resets again and runs the boot protocol (loader/BootLoader.h), reporting every stage as
// a status line through app.output.  The load mode comes from the path: ".eeprom" anywhere in it
// (case-sensitive) programs the EEPROM, anything else loads RAM.  The rest of the image buffer is
// zeroed for every upload, so an EEPROM image never carries the tail of an earlier, longer one,
// and a file that does not fit into the buffer is refused before anything is sent.
// SendTextFile types a text file line by line, each line ended by CR, and lets the window repaint
// at every line end and at least every kEventPumpIntervalMs within a long line; Escape or the
// close button there stops it (loader/MonitorTransfer.h, StopRequested).  Images and text
// files must be regular files (platform/RegularFile.h): a FIFO or a device is "No such file".
// An upload or a send whose port is lost (app.port.Lost()) stops at once and prints nothing more;
// the program reports the loss.
//
// May touch: app.port, app.loader, app.output, app.settings (BinPath, BaudRate, UseRTS, TxtCurs),
// app.RememberedFileType, app.PreparedFile, app.platform.ui (the dialog, the "No COM" box, pumping
// events) and app.platform.clock.
#pragma once

#include <string>
#include <string_view>

namespace tavolin {

struct LoaderContext;

inline constexpr std::string_view kLoadBinaryTitle = "Load Binary";
inline constexpr std::string_view kDefaultImagePattern = "\\*.binary";
inline constexpr std::string_view kLoadBinaryFilter =
    "Propeller(.binary)|*.binary|Propeller(.eeprom)|*.eeprom|Text(.txt)|*.txt|OBJ "
    "file(.obj)|*.obj|Prepare|*.bin;*.??a";
inline constexpr std::string_view kEepromMarker = ".eeprom";

inline constexpr std::string_view kNoComCaption = "No COM";
inline constexpr std::string_view kNoComText = "wrong number or not activated";
inline constexpr std::string_view kStartUpload = "Start Upload\r";
inline constexpr std::string_view kNoSuchFile = "No such file\r";
inline constexpr std::string_view kImageTooLong = "Image too long: more than 32804 bytes\r";
inline constexpr std::string_view kCodeErrorAbort = "Code Error -> Abort";

// The file types of the "Load Binary" dialog (its filter indexes).
namespace filetype {
inline constexpr int kBinary = 0;
inline constexpr int kEeprom = 1;
inline constexpr int kText = 2;
inline constexpr int kObj = 3;
inline constexpr int kPrepare = 4;
}  // namespace filetype

// Pacing of the text send, in milliseconds.
inline constexpr int kTextCharPauseMs = 1;
inline constexpr int kTextLinePauseCursorMs = 100;  // TxtCurs on
inline constexpr int kTextLinePauseMs = 10;
// Long sends let the window repaint at least this often (clock time).
inline constexpr int kEventPumpIntervalMs = 100;

// How an upload ended; the windowed program ignores it, the console mode turns it into its exit
// code.
enum class UploadOutcome {
  Loaded,           // "..OK -> RUN"
  NoPort,           // the "No COM" box
  NoFile,           // "No such file"
  FileRefused,      // longer than the image buffer
  HandshakeFailed,  // "Code Error -> Abort"
  ProtocolError,    // "CheckSum Error", "EEPROM write Error" or "EEPROM verify Error"
  PortLost,         // the device went away during the upload
};

bool IsEepromPath(std::string_view path);
// Everything up to and including the last backslash or slash; empty when there is none.
std::string DirectoryPart(std::string_view path);

void UploadFileCommand(LoaderContext& app);
UploadOutcome UploadImage(LoaderContext& app, const std::string& path);
void SendTextFile(LoaderContext& app, const std::string& path);

}  // namespace tavolin
