#include "sim/PropImage.h"

#include <algorithm>
#include <fstream>

namespace tavolin::sim {

namespace {

void PutWord(HubRam& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutMarker(HubRam& ram, std::uint32_t address) {
  address &= 0xFFFC;
  if (address >= kHubRamBytes) return;  // the ROM half of hub memory ignores writes
  for (int i = 0; i < 4; ++i) ram[address + i] = static_cast<std::uint8_t>(kStackMarker >> (8 * i));
}

}  // namespace

std::uint16_t Word(const HubRam& ram, std::size_t address) {
  return static_cast<std::uint16_t>(ram[address] | ram[address + 1] << 8);
}

void AddStackFrame(HubRam& ram) {
  const std::uint32_t dbase = Word(ram, 0x000A);
  PutMarker(ram, (dbase - 4) & 0xFFFF);
  PutMarker(ram, (dbase - 8) & 0xFFFF);
}

std::uint8_t RamChecksum(const HubRam& ram) {
  unsigned sum = 0;
  for (std::uint8_t b : ram) sum += b;
  return static_cast<std::uint8_t>(sum);
}

bool IsRunnable(const HubRam& ram) {
  return Word(ram, 0x0006) == kRunnablePbase;
}

std::vector<std::uint8_t> MakeBinaryImage(std::size_t codeBytes, bool runnable) {
  codeBytes = std::min<std::size_t>((codeBytes + 3) / 4 * 4, kHubRamBytes - 0x40);
  const std::size_t vbase = 0x10 + codeBytes;
  const std::size_t dbase = vbase + 8;
  HubRam bytes{};
  const std::uint32_t clock = 80000000;
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(clock >> (8 * i));
  bytes[4] = 0x6F;  // crystal, PLL x16
  PutWord(bytes, 6, runnable ? kRunnablePbase : 0);
  PutWord(bytes, 8, static_cast<std::uint16_t>(vbase));
  PutWord(bytes, 10, static_cast<std::uint16_t>(dbase));
  PutWord(bytes, 12, 0x0018);
  PutWord(bytes, 14, static_cast<std::uint16_t>(dbase + 4));
  for (std::size_t i = 0x10; i < vbase; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  unsigned sum = 0xEC;
  for (std::size_t i = 0; i < vbase; ++i) sum += bytes[i];
  bytes[5] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
  return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(vbase)};
}

std::vector<std::uint8_t> MakeEepromImage(const std::vector<std::uint8_t>& binary) {
  HubRam ram{};
  std::copy_n(binary.begin(), std::min(binary.size(), ram.size()), ram.begin());
  AddStackFrame(ram);
  return {ram.begin(), ram.end()};
}

bool SaveImage(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace tavolin::sim
