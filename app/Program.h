// The program's one front door, the same on every operating system: what the command line asks
// for, the usage text, and the process's exit code.
//
//   --help | -h                  the usage text on standard output
//   --version                    the program's name and version on standard output
//   image -L port-number         the console upload (app/ConsoleUpload.h), no window system
//   anything else                the windowed terminal (app/Startup.h)
//
// An operating system's main() builds its Host (platform/qt/QtMain.h, platform/win32/Win32Main.h)
// and calls RunProgram; the host builds the window system only when RunProgram asks for it, so
// --help, --version and the upload work with no display at all.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/CommandLine.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Desktop.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"

namespace tavolin {

// Exit codes of the program.  They never change meaning.
namespace exitcode {
inline constexpr int kOk = 0;           // image loaded, the chip answered "..OK -> RUN"
inline constexpr int kNoWindow = 1;     // the window could not start or is not built in
inline constexpr int kNoPort = 2;       // the COM port did not open ("No COM")
inline constexpr int kFileError = 3;    // the image file is missing, unreadable or too long
inline constexpr int kNoHandshake = 4;  // no chip answered the handshake ("Code Error -> Abort")
inline constexpr int kLoadError = 5;    // the chip refused the image or the EEPROM write/verify
inline constexpr int kPortLost = 6;     // the port's device went away during the upload
}  // namespace exitcode

inline constexpr std::string_view kProgramName = "tavolin";

// The text of --help: the command-line forms, the port naming note of the host and the exit
// codes.
std::string UsageText(std::string_view programName, std::string_view portNamingNote);
bool IsHelpRequest(const CommandLine& line);
// The text of --version: the program's name and version, one line.
std::string VersionText(std::string_view programName);
bool IsVersionRequest(const CommandLine& line);

// The window and the desktop of one window system, alive as long as this object.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual Ui& ui() = 0;
  virtual Desktop& desktop() = 0;
};

// What an operating system gives the program.  The services exist from the start; the window
// system is reached only when the windowed terminal runs.
class Host {
 public:
  virtual ~Host() = default;
  virtual Clock& clock() = 0;
  virtual SerialSystem& serial() = 0;
  virtual Console& console() = 0;
  // How COM n finds its device on this system, for the usage text: whole sentences, each line
  // ended by a line feed.
  virtual std::string PortNamingNote() = 0;
  // The window system; nullptr when it cannot be reached or is not built in, with the reason
  // (one sentence, no line end) in reason.
  virtual std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& reason) = 0;
};

// A host whose clock, serial ports and console are one system's own; the system adds the port
// naming note and the window.
template <class SystemClock, class SystemSerial, class SystemConsole>
class ServicesHost : public Host {
 public:
  Clock& clock() override { return clock_; }
  SerialSystem& serial() override { return serial_; }
  Console& console() override { return console_; }

 private:
  SystemClock clock_;
  SystemSerial serial_;
  SystemConsole console_;
};

// Runs the form the command line names on host; the process's exit code.
int RunProgram(const CommandLine& line, Host& host);

}  // namespace tavolin
