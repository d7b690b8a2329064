// The tavolin program: builds the host of the system it is built for and hands it to the front
// door (app/Program.h).  This is the only file outside platform/ that asks which system that is.
//   Windows           platform/win32: services and window
//   Linux with Qt     platform/posix services, the window from platform/qt
//   without Qt        platform/posix services alone: the console upload, --help and --version
#include "app/CommandLine.h"
#include "app/Program.h"

#if defined(_WIN32)
#include "platform/win32/Win32Main.h"
#elif defined(TAVOLIN_WITH_WINDOW)
#include "platform/qt/QtMain.h"
#else
#include "platform/posix/PosixMain.h"
#endif

int main(int argc, char** argv) {
  using namespace tavolin;
  const CommandLine line = CommandLineFromArgv(argc, argv);
#if defined(_WIN32)
  win32::Win32Host host;
#elif defined(TAVOLIN_WITH_WINDOW)
  qt::QtHost host(argc, argv);
#else
  posix::PosixHost host;
#endif
  return RunProgram(line, host);
}
