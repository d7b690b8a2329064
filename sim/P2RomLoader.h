// The Propeller 2 ROM's serial loader, as the host meets it after a reset.
//
// - Autobaud: the receiver is off until a ">" arrives; the byte right after that first ">" is
//   lost while the receiver arms.  From then on every ">" only retunes the rate and is removed
//   from the stream, wherever it stands.  (The model takes any ">" at the link's rate; the timing
//   itself is not modelled.)
// - Receive buffer: 16 bytes filled as bytes arrive, emptied at parseUs per byte.  A host that
//   sends faster than that overruns it: the ring has no overflow check, so the oldest unread byte
//   is overwritten (lost), and the load that follows fails its checksum.
// - Scanner: the last 8 bytes are compared with "Prop_Chk", "Prop_Txt", "Prop_Hex" and
//   "Prop_Clk".  Outside a command, $04 starts the ROM monitor and $1B TAQOZ.
// - Numbers are hex digits ended by the first other byte; blanks are TAB, LF, CR, space and "=".
//   The first four are INA mask and data, INB mask and data (the pins read 0 here); a mismatch or
//   an unexpected byte ends the command silently.
// - "Prop_Chk": CR LF "Prop_Ver G" CR LF, once the byte after the fourth number arrived.
//   "Prop_Clk" answers "." and waits for a new ">" (the clock is not modelled).
//   "Prop_Txt" takes base64, "Prop_Hex" hex values (low 8 bits each), both into hub RAM from 0.
//   Then "~" runs the program, "?" checks the sum (the data as little-endian longs must sum to
//   "Prop") and answers "." and runs it, or "!" and goes back to the scanner.
// - Bytes that arrive within startupMs of the reset are lost.
// - Answers go out a pause of 16 bit times after the byte that asked.
// - The serial window: 600 ticks of 100 ms from the reset, loads included; then the ROM stops.
// Running a program starts the chip's firmware (the display demo), at the link's rate.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/ChipContext.h"

namespace tavolin::sim {

struct P2RomOptions {
  // Time the ROM needs per received byte (interrupt and parsing, about 100 clocks at RCFAST).
  int parseNs = 4000;
  int windowMs = 60000;
  // After a reset the ROM needs this long before its receiver listens (under 15 ms on a chip).
  int startupMs = 10;
  char versionLetter = 'G';
  bool badChecksum = false;  // answer "!" even to a right sum
};

struct P2RomRecord {
  int checks = 0;           // "Prop_Chk" answered
  int loads = 0;            // "?" or "~" reached
  bool ran = false;         // a program was started
  bool checksumOk = false;  // the last "?" found the right sum
  std::size_t loadedBytes = 0;
  int overruns = 0;  // bytes lost in the receive buffer
  std::vector<std::uint8_t> hub;  // the bytes stored by the last load, in address order
};

// A P2 program of the given size for tests and the demo: the 20-byte blinker (cog code that
// toggles a pin) followed by filler that no rule mistakes for a P1 image.
std::vector<std::uint8_t> MakeP2Image(std::size_t bytes = 20);

class P2RomLoader : public ChipProgram {
 public:
  P2RomLoader(ChipContext& chip, const P2RomOptions& options, Personality firmware)
      : chip_(chip), options_(options), firmware_(firmware) {}

  void Start(std::int64_t atUs) override;
  void OnByte(std::uint8_t byte, std::int64_t atUs) override;
  void Advance(std::int64_t nowUs) override;

  const P2RomRecord& record() const { return record_; }
  P2RomOptions& options() { return options_; }

 private:
  enum class State { Off, Armed, Scan, Number, Data, Terminator };
  enum class Command { None, Check, Text, Hex, Clock };

  void Parse(std::uint8_t byte, std::int64_t atUs);
  void Scan(std::uint8_t byte, std::int64_t atUs);
  void EndNumber(std::uint8_t byte, std::int64_t atUs);
  void Terminate(std::uint8_t byte, std::int64_t atUs);
  void Store(std::uint8_t byte);
  void Abort(const std::string& why, std::int64_t atUs);
  void Answer(const std::string& text, std::int64_t atUs);
  void Drain(std::int64_t untilUs);

  ChipContext& chip_;
  P2RomOptions options_;
  Personality firmware_;
  State state_ = State::Off;
  Command command_ = Command::None;
  std::int64_t startUs_ = 0;
  std::string last8_;
  int numbers_ = 0;
  std::uint32_t number_ = 0;
  bool inNumber_ = false;
  std::uint32_t masks_[4] = {};
  std::uint32_t bits_ = 0;
  int bitCount_ = 0;
  std::uint32_t sum_ = 0;
  std::deque<std::pair<std::uint8_t, std::int64_t>> ring_;
  std::int64_t parseFreeNs_ = 0;
  P2RomRecord record_;
};

}  // namespace tavolin::sim
