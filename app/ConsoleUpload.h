// The console upload mode ("image -L port-number"): one image is loaded into the chip and the
// program ends, with no window and no GUI object at all, so it works over ssh and in CI.
//
// Principles of operation.  RunConsoleUpload opens COM port-number at 115200, prints the two
// header lines, runs UploadImage with its status lines going to standard output as lines ended by
// one LF each, waits two seconds and returns the exit code below.  A port lost on the way ends the
// upload with the one line "COM<n> lost" and exit code 6.  A message box of the upload
// ("No COM") becomes its caption and text on standard error.  When standard error is a terminal a
// single progress line is drawn there while the image is sent, and erased when it is done.
//
// The pieces are parts of the core (no platform headers): the program's main() wires them to the
// POSIX clock, serial system and console; tests wire them to the fakes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/CommandLine.h"
#include "app/Program.h"  // the exit codes
#include "loader/ImageUpload.h"
#include "loader/LoaderState.h"
#include "platform/Console.h"
#include "platform/Desktop.h"
#include "platform/Ui.h"
#include "terminal/TextOutput.h"

namespace tavolin {

struct AppState;

inline constexpr std::string_view kConsoleUploadHeader = "Propeller Upload on COM: ";
inline constexpr std::string_view kConsoleFileHeader = "File: ";
inline constexpr int kConsoleClosePauseMs = 2000;
// The rate a Propeller 2 program is loaded at, when not the default; the three words of the
// command line stay as they are.
inline constexpr const char* kP2BaudVariable = "TAVOLIN_P2_BAUD";

int ExitCodeFor(UploadOutcome outcome);

// The load rate from the value of TAVOLIN_P2_BAUD (nullptr when it is not set): a rate in the
// ROM's range, or the default with a warning on standard error for anything else.
int ConsoleLoadBaud(const char* value, Console& console);

// Status lines as console lines: every CR, LF or CR LF of the texts ends a line with exactly one
// LF, and a status line is its text and one LF.  ClearScreen has no meaning on a console.
class ConsoleTextOutput : public TextOutput {
 public:
  explicit ConsoleTextOutput(Console& console) : console_(console) {}
  void PrintText(std::string_view text) override;
  void PrintLine(std::string_view text) override;
  void ClearScreen() override {}
  // Ends a line that a text left open ("Code Error -> Abort" has no line end).
  void Finish();

 private:
  Console& console_;
  bool afterCr_ = false;
  bool lineOpen_ = false;
};

// The Ui of a program without a window: message boxes go to standard error, dialogs are
// cancelled, everything else does nothing.
class ConsoleUi : public Ui {
 public:
  explicit ConsoleUi(Console& console) : console_(console) {}
  bool OpenWindow(int, int) override { return false; }
  bool HasWindow() override { return false; }
  void StartTimer() override {}
  void StopTimer() override {}
  void WatchPortHandle(int) override {}
  Event WaitEvent() override { return {Event::Kind::CloseRequest, 0}; }
  Interruption ProcessPendingEvents() override { return Interruption::None; }
  void SetMenuChecked(int, bool) override {}
  void SetMenuEnabled(int, bool) override {}
  void ShowMessage(std::string_view caption, std::string_view text) override;
  FileDialogResult OpenFileDialog(const FileDialogRequest&) override { return {}; }
  FileDialogResult SaveFileDialog(const FileDialogRequest&) override { return {}; }
  std::string AskComPort(int, const std::vector<PortInfo>&) override { return {}; }
  void ShowPicture(const Image&) override {}
  void SetContentSize(int, int) override {}
  bool IsMinimized() override { return false; }
  PointerPosition PointerInClient() override { return {}; }
  void PaintOverlay(const Image&, const std::vector<OverlayText>&, Pixel) override {}
  void SetProgressVisible(bool) override {}
  void SetProgress(int) override {}
  bool SetClipboardImage(const Image&) override { return false; }
  bool SetClipboardText(std::string_view) override { return false; }

 private:
  Console& console_;
};

// A desktop that starts and opens nothing (the console mode never needs one).
class NullDesktop : public Desktop {
 public:
  bool StartProgram(const std::string&) override { return false; }
  bool OpenDocument(const std::string&, const std::string&) override { return false; }
  bool OpenUrl(const std::string&) override { return false; }
  bool RaiseWindowTitled(std::string_view) override { return false; }
};

// The progress line on a terminal's standard error: redrawn in place when the percentage
// changes, erased when the image has been sent.
class ConsoleProgress : public LoadProgress {
 public:
  explicit ConsoleProgress(Console& console) : console_(console) {}
  void ImageProgress(std::size_t longsSent, std::size_t longsTotal) override;
  void ImageDone() override;

 private:
  Console& console_;
  int shownPercent_ = -1;
};

// Runs the console upload mode on app (whose platform the caller has set up) and returns the
// exit code.  p2Baud is the value of TAVOLIN_P2_BAUD, nullptr when it is not set.
int RunConsoleUpload(AppState& app, const CommandLine& line, const char* p2Baud = nullptr);

}  // namespace tavolin
