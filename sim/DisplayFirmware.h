// Display firmware for the simulated chip: a demo of the display protocol that answers keys and
// the mouse and, on request, exercises the queries, the sector service and the host requests.
//
// Principles of operation.  Everything the firmware sends goes through one queue of steps; a step
// sends its bytes and may then wait for the host's answer (a pixel test reply, a text answer to a
// query ending in CR, a fixed number of binary bytes, or a binary transfer), with a time limit.
// Nothing else is sent while a step waits, so answers and transfers never mix with drawing.
// Host bytes are read as: a 5 starts a four-byte mouse report; a byte that answers the waiting
// step; otherwise a key.
//
// Keys (codes as the host's key forwarding sends them):
//   printable bytes  echoed on the Keys line; Backspace (8 or 0xC8) erases; Enter (13) moves the
//                    line into the log and keeps it as the name for the requests below
//   F1 (0xD0)  the demo page again (with the pixel test)
//   F2 (0xD1)  the teletype page (Normal-Terminal Mode)   F3 (0xD2) the graphics-mode text page
//   F4 (0xD3)  the four queries (seconds, time, date, palette) shown in the log
//   F5 (0xD4)  block 0 of the prepared file through the sector service, its sum checked
//   host requests, with the Keys line (or the last entered line) as the name:
//   F6 o (size of the prepared file)  F7 f (binary transfer of the named file, "*.*" when none)
//   F8 a (binary transfer of the prepared file)  F9 t (send the named text file)
//   F11 s (save the previous text)  F12 b and Insert e (load the named image)  Delete i (open it)
// Mouse: the pointer sprite (op 0x06) follows the reports, the old one erased by XOR-ing it again;
// a left press paints a dot, a right press inverts a square.  A clock in the title bar is updated
// once a second from the time query.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "sim/ChipContext.h"
#include "sim/TransferPeer.h"

namespace tavolin::sim {

struct DisplayOptions {
  bool clock = true;
  int clockPeriodMs = 1000;
  // Quiet after the start, like a real program setting itself up: the host purges its input
  // right after a load's "run" answer, and would lose the start of the page otherwise.
  int startupMs = 100;
  int imageRequestWaitMs = 2000;  // quiet after asking for an image ("b", "e")
  // Quiet after the other requests ("t", "s", "i"): the host serves a request once it has read
  // the whole block it came in, and a page drawn at once would clear the name before that.
  int requestPauseMs = 200;
  int answerWaitMs = 500;         // pixel and text answers
  int binaryWaitMs = 1500;        // sector blocks and sizes
  int transferWaitMs = 5000;      // the size of a named file ("*.*": the user picks one)
  int pickWaitMs = 120000;        // the size when the host shows its file dialog first
};

class DisplayFirmware : public ChipProgram {
 public:
  DisplayFirmware(ChipContext& chip, const DisplayOptions& options);

  void Start(std::int64_t atUs) override;
  void OnByte(std::uint8_t byte, std::int64_t atUs) override;
  void Advance(std::int64_t nowUs) override;

  // What the firmware has shown, for tests.
  const std::vector<std::string>& log() const { return log_; }
  const std::string& inputLine() const { return input_; }
  std::string lastClock() const { return clock_; }
  int pointerX() const { return pointerX_; }
  int pointerY() const { return pointerY_; }
  bool pointerShown() const { return pointerShown_; }
  bool Idle() const { return !waiting_ && steps_.empty(); }
  const TransferPeer& transfer() const { return transfer_; }

 private:
  enum class Wait { None, Pixel, Text, Binary, Transfer, Pause };
  using Done = std::function<void(const std::string& answer, bool ok, std::int64_t atUs)>;
  struct Step {
    std::vector<std::uint8_t> bytes;
    bool draws = true;    // hide the pointer around the bytes
    bool clears = false;  // the bytes clear the screen (the pointer is gone)
    Wait wait = Wait::None;
    std::size_t count = 0;  // Binary: bytes to wait for
    int waitMs = 0;
    Done done;
    std::function<std::vector<std::uint8_t>()> make;  // bytes made when the step is sent
  };

  void Queue(Step step);
  void Pump(std::int64_t atUs);
  void Complete(bool ok, std::int64_t atUs);
  void Key(std::uint8_t key, std::int64_t atUs);
  void Mouse(std::int64_t atUs);
  void Log(const std::string& line);
  void ShowDemo();
  void Queries();
  void SectorZero();
  void Request(char letter);
  std::string Name() const;

  ChipContext& chip_;
  DisplayOptions options_;
  TransferPeer transfer_;
  std::deque<Step> steps_;
  bool waiting_ = false;
  Step current_;
  std::string answer_;
  std::int64_t deadlineUs_ = 0;
  std::int64_t nextClockUs_ = 0;
  std::vector<std::uint8_t> mouse_;
  int buttons_ = 0;
  int pointerX_ = 0;
  int pointerY_ = 0;
  bool pointerShown_ = false;
  int paint_ = 1;
  std::string input_;
  std::string lastLine_;
  std::string clock_;
  std::vector<std::string> log_;
  std::vector<std::string> queryAnswers_;
};

}  // namespace tavolin::sim
