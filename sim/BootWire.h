// The bit-level coding of the P1 ROM boot protocol, from the chip's side of the wire.
//
// The ROM does not match bytes: it times the low pulses on its receive pin.  A low pulse one bit
// time long is a 1, two bit times long a 0.  Every byte therefore carries as many bits as it has
// low pulses (its start bit begins the first one): 0xFF carries 1, 0xFE carries 0, 0xF9 the two
// bits 1, 0, and the long encoding 0x92 | b0 | b1 << 3 | b2 << 6 carries b0, b1, b2.  A low run of
// three bit times or more is no valid pulse; the ROM loses its step and gives up.
// Pure computation: no time, no I/O.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tavolin::sim {

// The handshake's pseudo-random sequence; the host and the chip both start it from 0x50.
class Lfsr {
 public:
  static constexpr std::uint8_t kSeed = 0x50;
  explicit Lfsr(std::uint8_t seed = kSeed) : state_(seed) {}
  int Next() {
    const int bit = state_ & 1;
    const int feedback = ((state_ >> 7) ^ (state_ >> 5) ^ (state_ >> 4) ^ (state_ >> 1)) & 1;
    state_ = static_cast<std::uint8_t>(((state_ << 1) & 0xFE) | feedback);
    return bit;
  }

 private:
  std::uint8_t state_;
};

// Appends the pulse bits one received byte carries (8 data bits, LSB first, between a start and a
// stop bit).  False when the byte holds a low run longer than two bit times.
bool DecodePulses(std::uint8_t byte, std::vector<int>& bits);

// The host side of the long encoding (3 bits per byte, 11 bytes per long), for tests and tools.
std::array<std::uint8_t, 11> EncodeLong(std::uint32_t value);

}  // namespace tavolin::sim
