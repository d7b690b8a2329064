// ChipLink: the way to the chip as the terminal sees it, for the key and mouse bytes it forwards.
// The serial port (serial/SerialPort.h) is one; the terminal knows nothing else of it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavolin {

class ChipLink {
 public:
  virtual ~ChipLink() = default;
  virtual bool IsOpen() const = 0;
  // Sends n bytes as they are; the count written.
  virtual int WriteRaw(const std::uint8_t* bytes, std::size_t n) = 0;
};

}  // namespace tavolin
