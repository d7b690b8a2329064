// A small model of the Propeller ROM boot loader for the loader's tests: it takes the bytes the
// host writes and returns the chip's answers.  It checks the handshake bits against its own LFSR,
// answers each probe with a reply or version bit, decodes the command, count and image longs, and
// then answers the checksum (and in EEPROM mode the programming and verify) stages after their
// busy times, swallowing the first probe of each stage the way the ROM does.  Faults are
// scripted.  The in-process tests drive it through a fake serial Peer, the process test from the
// master side of a pseudo-terminal.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tavolin::loadertest {

class BootRomModel {
 public:
  struct Answer {
    int busyMs = 0;                   // probes before this are ignored
    std::optional<int> bit = 0;       // none: the chip stays silent at this stage
    std::vector<std::uint8_t> noise;  // bytes sent just before the answer
  };
  enum class State { Idle, Handshake, Replies, Longs, Answers, Done, Dead };

  // Script.
  int version = 1;
  std::optional<int> wrongReplyBit;     // 0..249: this reply bit is sent inverted
  std::optional<int> silentVersionBit;  // 0..7: no answer to this version bit's probe
  Answer checksum{90, 0, {}};
  Answer program{3400, 0, {}};
  Answer verify{1300, 0, {}};

  // What the chip saw.
  State state = State::Idle;
  int resets = 0;
  std::vector<std::uint32_t> longs;  // command, count, image
  int probesAfterImage = 0;

  void Reset();
  // Host bytes arriving at nowMs; returns the chip's answer bytes.
  std::vector<std::uint8_t> OnBytes(const std::uint8_t* bytes, std::size_t n, std::int64_t nowMs);

  std::uint32_t command() const { return longs.empty() ? 0xFFFFFFFFu : longs[0]; }
  std::uint32_t count() const { return longs.size() < 2 ? 0xFFFFFFFFu : longs[1]; }
  std::vector<std::uint32_t> image() const {
    return longs.size() < 2 ? std::vector<std::uint32_t>{}
                            : std::vector<std::uint32_t>(longs.begin() + 2, longs.end());
  }

 private:
  int NextBit();
  void OnByte(std::uint8_t b, std::int64_t nowMs, std::vector<std::uint8_t>& out);
  void StartStage(std::size_t stage, std::int64_t nowMs);
  const Answer& StageAnswer() const;
  std::size_t StageCount() const;

  std::uint8_t lfsr_ = 0x50;
  int bitIndex_ = 0;
  std::uint32_t current_ = 0;
  int longByte_ = 0;
  std::size_t stage_ = 0;
  std::int64_t readyAt_ = 0;
  bool swallow_ = true;
};

}  // namespace tavolin::loadertest
