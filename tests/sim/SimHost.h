// The simulated chip's host: the loader tests' bench, whose port the tests drive byte by byte
// where they need a fault of their own and through the program's boot loader functions where
// they do not.
#pragma once

#include <vector>

#include "loader/BootLoader.h"
#include "sim/BootWire.h"
#include "tests/loader/LoaderRig.h"

namespace tavolin::sim::test {

// Calibration, the 250 handshake bits (flipBit inverted) and then probes, 258 unless told.
inline std::vector<std::uint8_t> HandshakeBytes(int flipBit = -1, int probes = 258) {
  Lfsr lfsr;
  std::vector<std::uint8_t> bytes{0xF9};
  for (int i = 0; i < 250; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(0xFE | (lfsr.Next() ^ (i == flipBit ? 1 : 0))));
  }
  bytes.insert(bytes.end(), static_cast<std::size_t>(probes), 0xF9);
  return bytes;
}

// count bits of the sequence from bit from on: the reply bits follow the 250 of the handshake.
inline std::vector<int> SequenceBits(int from, int count) {
  Lfsr lfsr;
  for (int i = 0; i < from; ++i) lfsr.Next();
  std::vector<int> bits;
  for (int i = 0; i < count; ++i) bits.push_back(lfsr.Next());
  return bits;
}

struct Rig : loadertest::LoaderRig {
  SerialPort& port = app.port;

  explicit Rig(const SimOptions& options = {}, bool modemLines = true, int rateIndex = 0,
               const LinkOptions& linkOptions = {})
      : LoaderRig(options, true, linkOptions, modemLines) {
    port.SetRate(rateIndex);
  }

  void Write(const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes) port.QueueByte(b);
    port.Flush();
  }
  void SendHandshake(int flipBit = -1) { Write(HandshakeBytes(flipBit)); }
  // One reply bit without probing: -1 when none came within budgetMs.
  int ReadBit(int budgetMs) { return ReceiveBitQuiet(app, budgetMs); }
  std::vector<int> ReadBits(int n, int budgetMs) {
    std::vector<int> bits;
    for (int i = 0; i < n; ++i) bits.push_back(ReadBit(budgetMs));
    return bits;
  }
  // The loader's answer wait: a probe every 35 ms.
  int Probe(int budgetMs) { return ReceiveBit(app, true, budgetMs); }
  // Reset and handshake; true when the chip answered version 1.
  bool Handshake() {
    port.PulseReset(0);
    return tavolin::Handshake(app) == 1;
  }
  // Command, count and the file's longs (little-endian, the file padded to longs).
  void Load(std::uint32_t command, const std::vector<std::uint8_t>& file) {
    EncodeLong(app, command);
    EncodeLong(app, static_cast<std::uint32_t>((file.size() + 3) / 4));
    for (std::size_t i = 0; i < file.size(); i += 4) {
      std::uint32_t v = 0;
      for (std::size_t k = 0; k < 4 && i + k < file.size(); ++k)
        v |= std::uint32_t{file[i + k]} << (8 * k);
      EncodeLong(app, v);
    }
    port.Flush();
  }
  // Lets the host's bytes reach the chip.
  void Drain() { clock.SleepMs(static_cast<int>(chip.ReceiveBacklogUs(clock.NowMs()) / 1000 + 1)); }
};

}  // namespace tavolin::sim::test
