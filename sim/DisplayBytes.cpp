#include "sim/DisplayBytes.h"

namespace tavolin::sim {

DisplayBytes& DisplayBytes::Text(std::string_view text) {
  for (char ch : text) bytes.push_back(static_cast<std::uint8_t>(ch));
  return *this;
}

DisplayBytes& DisplayBytes::Op(std::uint8_t opCode, int x, int y) {
  const auto c = static_cast<std::uint8_t>(opCode | (x & 1) << 5 | (y & 1) << 4);
  return RawOp(c, static_cast<std::uint8_t>((x >> 1) & 0xFF),
               static_cast<std::uint8_t>((y >> 1) & 0xFF));
}

DisplayBytes& DisplayBytes::RawOp(std::uint8_t c, std::uint8_t x, std::uint8_t y) {
  bytes.insert(bytes.end(), {5, c, x, y});
  return *this;
}

DisplayBytes& DisplayBytes::Sector(int s) {
  const auto c = static_cast<std::uint8_t>(op::kQuery | ((s >> 7) & 1) << 5);
  return RawOp(c, static_cast<std::uint8_t>(128 + ((s >> 8) & 0x7F)),
               static_cast<std::uint8_t>(s & 0x7F));
}

}  // namespace tavolin::sim
