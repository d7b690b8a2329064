// The loader's part of the program's record: the image buffer, the load mode, the boot protocol's
// LFSR and an optional observer of the image transfer.  Defined here so the record can hold it
// without knowing the loader's operations (loader/BootLoader.h, loader/ImageUpload.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavolin {

// The image buffer: 8201 longs.  A Propeller's hub RAM is 8192 longs; the buffer is a little
// larger, and a file that does not fit into it is refused (loader/ImageUpload.h).
inline constexpr std::size_t kImageBufferLongs = 8201;

// Told about the image longs while Load sends them, so a console can draw a progress line.
class LoadProgress {
 public:
  virtual ~LoadProgress() = default;
  virtual void ImageProgress(std::size_t longsSent, std::size_t longsTotal) = 0;
  // The image has been sent (also called after an image of 0 longs).
  virtual void ImageDone() = 0;
};

struct LoaderState {
  std::array<std::uint32_t, kImageBufferLongs> image{};
  // EEPROM mode (command 3, the whole 32 KB) or RAM mode (command 1, the file's longs).
  bool eepromMode = false;
  // The 8-bit LFSR of the handshake; seeded at the start of every Handshake and Detect.
  std::uint8_t lfsr = 0x50;
  LoadProgress* progress = nullptr;
};

}  // namespace tavolin
