// The desktop outside the window on POSIX: starting a program, and opening documents and web
// addresses with the desktop's handler (xdg-open, or open on macOS).
//
// Every program is started with posix_spawn and exactly one argument vector: the program itself,
// or the opener and the one path or address.  No shell ever sees a name, so nothing the chip sends
// can become a command.  Nothing waits for a started program.  Children that have ended are
// reaped (waitpid with WNOHANG, only the children started here, never anyone else's) at every
// start, on the main loop's timer ticks (ReapEndedPrograms) and when the desktop goes away, so a
// program that has ended is gone within a tick.  A process-wide
// SIGCHLD disposition is not used, since it would take the exit status from the window toolkit's
// own child processes.
//
// Raising another program's window is the window system's business: the Qt layer does it; here
// it always answers false.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace tavolin::posix {

class PosixDesktop : public Desktop {
 public:
  // Documents and addresses go to the desktop's opener (xdg-open, open), or to the one given.
  PosixDesktop();
  explicit PosixDesktop(std::string opener);
  ~PosixDesktop() override;
  PosixDesktop(const PosixDesktop&) = delete;
  PosixDesktop& operator=(const PosixDesktop&) = delete;

  bool StartProgram(const std::string& path) override;
  bool OpenDocument(const std::string& path, const std::string& workDir) override;
  bool OpenUrl(const std::string& url) override;
  bool RaiseWindowTitled(std::string_view title) override;
  void ReapEndedPrograms() override { ReapEnded(); }

  // Reaps the children started here that have ended; returns how many are still running.
  std::size_t ReapEnded();
  // Waits until every child started here has ended (for tests; the program never waits).
  void WaitForChildren();

 private:
  bool Spawn(const char* program, bool searchPath, const std::string* argument,
             const std::string* workDir);

  std::string opener_;
  std::vector<pid_t> children_;
};

}  // namespace tavolin::posix
