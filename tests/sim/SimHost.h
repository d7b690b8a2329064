// A minimal host for the simulated chip, written from the boot protocol itself (not the
// program's loader): the serial port, the fake device and the virtual clock, with the simulated
// chip behind the device.
#pragma once

#include <memory>
#include <vector>

#include "platform/fake/FakeSerial.h"
#include "platform/fake/VirtualClock.h"
#include "serial/SerialPort.h"
#include "sim/BootWire.h"
#include "sim/SimChip.h"
#include "sim/SimLink.h"

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

struct Rig {
  fake::VirtualClock clock;
  fake::FakeSerialSystem system{clock};
  fake::FakeSerialDevice& device;
  SimChip chip;
  std::unique_ptr<SimLink> link;
  SerialPort port{system, clock};

  explicit Rig(const SimOptions& options = {}, bool modemLines = true, int rateIndex = 0,
               const LinkOptions& linkOptions = {})
      : device(system.Plug(3)), chip(options) {
    device.hasModemLines = modemLines;
    link = std::make_unique<SimLink>(chip, device, clock, linkOptions);
    port.Open(3, rateIndex, 0);
  }

  void Write(const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes) port.QueueByte(b);
    port.Flush();
  }

  void SendHandshake(int flipBit = -1) { Write(HandshakeBytes(flipBit)); }

  // One reply bit without probing, polling every 10 ms: -1 when none came within budgetMs.
  int ReadBit(int budgetMs) {
    for (; budgetMs > 0; budgetMs -= 10) {
      if (port.ReceiveExhausted()) port.FillReceive();
      while (!port.ReceiveExhausted()) {
        const std::uint8_t b = port.TakeReceived();
        if (b == 0xFE || b == 0xFF) return b & 1;
      }
      clock.SleepMs(10);
    }
    return -1;
  }

  std::vector<int> ReadBits(int n, int budgetMs) {
    std::vector<int> bits;
    for (int i = 0; i < n; ++i) bits.push_back(ReadBit(budgetMs));
    return bits;
  }

  // The loader's answer wait: a probe every 35 ms.
  int Probe(int budgetMs) {
    for (; budgetMs > 0; budgetMs -= 35) {
      Write({0xF9});
      clock.SleepMs(25);
      const int bit = ReadBit(10);
      if (bit >= 0) return bit;
    }
    return -1;
  }

  // Reset, handshake, reply and version bits; true when all were right and the version is 1.
  bool Handshake() {
    port.PulseReset(0);
    SendHandshake();
    if (ReadBits(250, 100) != SequenceBits(250, 250)) return false;
    int version = 0;
    for (int i = 0; i < 8; ++i) version |= ReadBit(50) << i;
    return version == 1;
  }

  // Command, count and the file's longs (little-endian, the file padded to longs).
  void Load(std::uint32_t command, const std::vector<std::uint8_t>& file) {
    std::vector<std::uint32_t> longs{command, static_cast<std::uint32_t>((file.size() + 3) / 4)};
    for (std::size_t i = 0; i < file.size(); i += 4) {
      std::uint32_t v = 0;
      for (std::size_t k = 0; k < 4 && i + k < file.size(); ++k)
        v |= std::uint32_t{file[i + k]} << (8 * k);
      longs.push_back(v);
    }
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t v : longs) {
      const auto encoded = EncodeLong(v);
      bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    Write(bytes);
  }

  // Lets the host's bytes reach the chip.
  void Drain() { clock.SleepMs(static_cast<int>(chip.ReceiveBacklogUs(clock.NowMs()) / 1000 + 1)); }
};

}  // namespace tavolin::sim::test
