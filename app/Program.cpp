#include "app/Program.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/AppState.h"
#include "app/ConsoleUpload.h"
#include "app/Startup.h"
#include "app/Version.h"
#include "platform/WindowedClock.h"

namespace tavolin {

bool IsHelpRequest(const CommandLine& line) {
  return line.first == "--help" || line.first == "-h";
}

bool IsVersionRequest(const CommandLine& line) {
  return line.first == "--version";
}

std::string VersionText(std::string_view programName) {
  std::string text(programName);
  text += ' ';
  text += kVersion;
  text += '\n';
  return text;
}

std::string UsageText(std::string_view programName, std::string_view portNamingNote) {
  const std::string name(programName);
  const auto form = [&name](std::string_view arguments, std::string_view meaning) {
    std::string line = "  " + name + std::string(arguments);
    line.resize(std::max<std::size_t>(line.size() + 1, 36), ' ');
    return line + std::string(meaning) + "\n";
  };
  return "Usage:\n" + form("", "windowed terminal, settings from Tavolin2.ini") +
         form(" SETTINGS-FILE", "windowed terminal, settings from SETTINGS-FILE") +
         form(" SETTINGS-FILE -A IMAGE", "the same, then upload IMAGE once connected") +
         form(" IMAGE -L PORT-NUMBER", "load IMAGE into the chip on COM PORT-NUMBER") +
         "                                    (RAM, or EEPROM for a path containing .eeprom)\n"
         "                                    without a window, then exit; a Propeller 2\n"
         "                                    image is loaded into the P2 at 2000000 baud,\n"
         "                                    or at the rate in TAVOLIN_P2_BAUD (9600 to\n"
         "                                    2000000) when it is set\n" +
         form(" --help | -h", "this text") + form(" --version", "the version of this program") +
         "\n" + std::string(portNamingNote) +
         "\n"
         "Exit codes of the upload (-L):\n"
         "  0  the image was loaded and the chip answered \"..OK -> RUN\"\n"
         "  2  the COM port did not open\n"
         "  3  the image file is missing, unreadable or too long (P1: 32804 bytes, P2:\n"
         "     512 KB, or more than the P2 takes in 60 s at the load rate)\n"
         "  4  no chip answered the handshake (for a P2 image: no P2 answered)\n"
         "  5  the chip reported a checksum, EEPROM write or EEPROM verify error\n"
         "  6  the COM port was lost during the upload (the adapter was unplugged)\n"
         "Other exit codes:\n"
         "  0  the windowed terminal ended normally, or this text or the version was shown\n"
         "  1  the windowed terminal could not start (no window system, the window could not\n"
         "     be opened, or this program was built without it)\n";
}

int RunProgram(const CommandLine& line, Host& host) {
  Console& console = host.console();
  if (IsHelpRequest(line)) {
    console.Out(UsageText(kProgramName, host.PortNamingNote()));
    return exitcode::kOk;
  }
  if (IsVersionRequest(line)) {
    console.Out(VersionText(kProgramName));
    return exitcode::kOk;
  }
  if (line.second == kOptionConsoleUpload) {
    // No window and no message box: a box would stall a scripted upload.
    ConsoleUi ui(console);
    NullDesktop desktop;
    Platform platform{host.clock(), host.serial(), ui, console, desktop};
    AppState app(platform);
    return RunConsoleUpload(app, line, std::getenv(kP2BaudVariable));
  }
  std::string reason;
  const std::unique_ptr<WindowSystem> windows = host.OpenWindowSystem(reason);
  if (windows == nullptr) {
    console.Err(std::string(kProgramName) + ": " + reason + "  See " + std::string(kProgramName) +
                " --help.\n");
    return exitcode::kNoWindow;
  }
  // The waits of long operations keep the window painted.
  WindowedClock clock(host.clock(), [&ui = windows->ui()] { ui.KeepPainted(); });
  Platform platform{clock, host.serial(), windows->ui(), console, windows->desktop()};
  // AppState is large (buffers, images): on the heap, not on the main thread's stack.
  const auto app = std::make_unique<AppState>(platform);
  return RunWindowed(*app, line);
}

}  // namespace tavolin
