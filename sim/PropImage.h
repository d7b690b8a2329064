// Propeller 1 images as the ROM checks them, and small valid images for tests and the demo.
//
// An image starts with a 16-byte header: long 0 the clock frequency, byte 4 the clock mode,
// byte 5 a checksum byte, word 6 pbase (0x0010 for a runnable image), word 8 vbase, word 10 dbase,
// word 12 pcurr, word 14 dcurr.  The ROM zeroes hub RAM behind the loaded longs, writes the stack
// frame marker 0xFFF9FFFF at dbase - 4 and dbase - 8 and accepts the image when the low byte of
// the sum of all 32 KB is 0.  A .binary file therefore sums to -0xEC modulo 256, and a 32 KB
// .eeprom file (which already holds the marker longs) to 0.
//
// Hub addresses are 16 bits wide and only the lower 32 KB are RAM; a dbase near 0 or above
// 0x7FFF puts the markers into the ROM half (or wraps to its top), where writes have no effect,
// so such an image is checked without them.  Long writes ignore the two low address bits.
// Pure computation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tavolin::sim {

inline constexpr std::size_t kHubRamBytes = 32768;
inline constexpr std::uint32_t kStackMarker = 0xFFF9FFFF;
inline constexpr std::uint16_t kRunnablePbase = 0x0010;
using HubRam = std::array<std::uint8_t, kHubRamBytes>;

std::uint16_t Word(const HubRam& ram, std::size_t address);

// Writes the two marker longs the ROM adds below dbase (where they land in RAM).
void AddStackFrame(HubRam& ram);
// The low byte of the sum of all 32 KB; the ROM accepts 0.
std::uint8_t RamChecksum(const HubRam& ram);
// True when the ROM would start the image (pbase is 0x0010).
bool IsRunnable(const HubRam& ram);

// A small .binary image of the given code length (rounded up to longs) with a correct checksum
// byte.  runnable false gives pbase 0 (the ROM then answers "checksum OK" and shuts down).
std::vector<std::uint8_t> MakeBinaryImage(std::size_t codeBytes = 32, bool runnable = true);
// The 32 KB .eeprom image of a .binary: the file, zeros, and the stack frame markers.
std::vector<std::uint8_t> MakeEepromImage(const std::vector<std::uint8_t>& binary);
// Writes image bytes to a file (replacing it); false when it cannot be written completely.
bool SaveImage(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tavolin::sim
