#include "sim/BootWire.h"

namespace tavolin::sim {

bool DecodePulses(std::uint8_t byte, std::vector<int>& bits) {
  // The line as the receiver sees it: start bit (low), the data bits, the stop bit (high).
  int level[10];
  level[0] = 0;
  for (int i = 0; i < 8; ++i) level[1 + i] = (byte >> i) & 1;
  level[9] = 1;
  int run = 0;
  for (int i = 0; i < 10; ++i) {
    if (level[i] == 0) {
      ++run;
      continue;
    }
    if (run == 1) bits.push_back(1);
    if (run == 2) bits.push_back(0);
    if (run > 2) return false;
    run = 0;
  }
  return true;
}

std::array<std::uint8_t, 11> EncodeLong(std::uint32_t value) {
  std::array<std::uint8_t, 11> out{};
  for (int i = 0; i < 10; ++i) {
    out[i] = static_cast<std::uint8_t>(0x92 | (value & 1) | ((value >> 1) & 1) << 3 |
                                       ((value >> 2) & 1) << 6);
    value >>= 3;
  }
  out[10] = static_cast<std::uint8_t>(0xF2 | (value & 1) | ((value >> 1) & 1) << 3);
  return out;
}

}  // namespace tavolin::sim
