// The end-to-end rig: the program under test and tavolin-sim as real processes, joined by a
// pseudo-terminal, and a virtual X server with xdotool for the tests that need real input in the
// window.  The program is started by a Launcher: the Linux build directly, with the chip's
// pseudo-terminal named in TAVOLIN_COM<n>, or tavolin.exe under Wine, with the pseudo-terminal
// linked as COM<n> in a scratch Wine prefix (so no run scans ports or meets the machine's own).
// The same tests run with either; the test program picks Wine when TAVOLIN_E2E_LAUNCHER=wine.
// Every process is a child that the rig kills when it goes out of scope (and the kernel kills
// when the test program dies), so no test leaves one behind.  Waits are polls with short steps
// and a deadline; nothing sleeps for a fixed time.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/TempDir.h"

namespace tavolin::e2e {

using testing::TempDir;

// The environment of a child: the test's own without display, Qt platform or port variables,
// plus what the test sets.
using Env = std::map<std::string, std::string>;

std::int64_t NowMs();
// Polls check every stepMs (a few milliseconds unless given) until it holds or limitMs have
// passed.  A costly check takes a longer step, so the polling does not slow the programs down.
bool WaitFor(const std::function<bool()>& check, int limitMs, int stepMs = 5);
inline std::string ReadFile(const std::string& path) {
  return TempDir::Read(path);
}
// True when the program is found on PATH.
bool HaveProgram(const std::string& name);

// A child process; its standard output and error go to files, its standard input is /dev/null.
// Ending it also removes links (the ports a started program was given).
class Child {
 public:
  Child(const std::vector<std::string>& argv, const Env& env, const std::string& workDir,
        const std::string& outFile, const std::string& errFile,
        std::vector<std::filesystem::path> links = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t pid() const { return pid_; }
  // True once it has ended (reaps it).
  bool Ended();
  // Waits up to limitMs for the end; -1 when it did not end (it is then killed).
  int WaitExit(int limitMs);
  void Kill();

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int exitCode_ = -1;
  std::vector<std::filesystem::path> links_;
};

// tavolin-sim with its byte log; device() is the pseudo-terminal to name in TAVOLIN_COM<n>.
class Sim {
 public:
  Sim(const TempDir& dir, const std::vector<std::string>& args);
  bool ok() const { return !device_.empty(); }
  const std::string& device() const { return device_; }
  std::string Log() const { return ReadFile(logPath_); }
  // Waits until the log holds text (from position from on); returns its position or npos.
  std::size_t WaitForLog(const std::string& text, int limitMs, std::size_t from = 0) const;
  // The bytes the host sent, in order, from every "host:" line of the log from position from.
  std::vector<std::uint8_t> HostBytes(std::size_t from = 0) const;
  // Ends the chip at once (the host's port sees its far end close).
  void Kill() { child_->Kill(); }

 private:
  std::string logPath_;
  std::string device_;
  std::unique_ptr<Child> child_;
};

// A window's pixels as the X server holds them, 0x00RRGGBB, row by row.
struct WindowPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// A virtual X server on a free display number, for real key and mouse input.
class XServer {
 public:
  XServer();
  bool ok() const { return !display_.empty(); }
  const std::string& display() const { return display_; }
  // Runs xdotool with the arguments on this display; its standard output.
  std::string Xdotool(const std::vector<std::string>& args) const;
  // Runs a program on this display; its standard output.
  std::string Run(const std::vector<std::string>& argv) const;
  // The id of the window titled title, or empty when none shows within limitMs.
  std::string FindWindow(const std::string& title, int limitMs) const;
  // What the window shows on the screen (read with xwd); empty when it cannot be read.  Without a
  // compositor this is the frame buffer: an area the program failed to repaint shows whatever
  // covered it last.
  WindowPixels Grab(const std::string& window) const;

 private:
  TempDir dir_;
  std::unique_ptr<Child> xvfb_;
  std::string display_;
};

// One start of the program under test.
struct Launch {
  std::vector<std::string> args;  // paths in them as Launcher::Path gives them
  // COM number to device.  A device that does not exist stands for a port that is not there.
  std::map<int, std::string> ports;
  std::string display;  // the X display for the window; empty: none
  Env env;              // more variables
  std::string workDir;
  std::string outFile;
  std::string errFile;
};

class Launcher {
 public:
  // The launcher this test program runs with.
  static const Launcher& Get();

  bool wine() const { return wine_; }
  // What is missing to run the program at all (the built program, Wine); empty when nothing.
  std::string Missing() const;
  // Whether the program has a window (the Linux one may be built without).
  bool HasWindow() const { return wine_ || TAVOLIN_HAS_WINDOW; }
  // A time limit for the program: Wine on a busy machine takes several times as long.
  int Limit(int nativeMs) const { return wine_ ? 3 * nativeMs : nativeMs; }
  // A Linux path as the program sees it.
  std::string Path(const std::string& path) const;
  std::unique_ptr<Child> Start(const Launch& launch) const;
  // Windows on display: under Wine they need a prefix whose server runs on that display (and
  // ends with it).  False when that prefix did not start.
  bool OpenDisplay(const std::string& display) const;
  void CloseDisplay() const;

 private:
  explicit Launcher(bool wine) : wine_(wine) {}
  bool wine_;
};

}  // namespace tavolin::e2e
