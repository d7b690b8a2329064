// What the programs of the simulated chip (ROM boot loader, display firmware, P2 monitor,
// transfer peer) see of the chip around them: a transmitter, the link's byte time and the
// switch to another program.  Times are microseconds on the chip's own time line, the same one
// the received bytes are stamped with (the moment their stop bit ended).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavolin::sim {

enum class Personality { Off, BootLoader, Display, Monitor, Transfer, P2Rom };

const char* PersonalityName(Personality p);

class ChipContext {
 public:
  virtual ~ChipContext() = default;
  // Sends bytes, the first no earlier than atUs; the transmitter spaces them by the byte time.
  virtual void Send(const std::vector<std::uint8_t>& bytes, std::int64_t atUs) = 0;
  // Hands the chip to another program from atUs on (a load that runs, a boot from EEPROM, a
  // shutdown).  The caller returns right after.
  virtual void Run(Personality next, std::int64_t atUs) = 0;
  // The time one byte takes on the wire at the configured rate and frame.
  virtual std::int64_t ByteUs() const = 0;
  // When the last byte sent so far has left (no earlier than atUs): a wait for the host's answer
  // starts there, not when a long page was queued ahead of the question.
  virtual std::int64_t SentByUs(std::int64_t atUs) const = 0;
  // A line for the byte log / the tool's standard error.
  virtual void Note(const std::string& text, std::int64_t atUs) = 0;
};

// One program of the chip.  Bytes come in arrival order; Advance tells that time reached nowUs
// with nothing received in between, so deadlines up to nowUs can fire.
class ChipProgram {
 public:
  virtual ~ChipProgram() = default;
  virtual void Start(std::int64_t atUs) = 0;
  virtual void OnByte(std::uint8_t byte, std::int64_t atUs) = 0;
  virtual void Advance(std::int64_t nowUs) = 0;
};

}  // namespace tavolin::sim
