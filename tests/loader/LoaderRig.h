// The loader tests' bench: an AppState on the fakes, with COM 3 plugged in and the simulated
// Propeller (sim/) answering behind it on the virtual clock, a recorder for the status lines,
// and a scratch folder for files.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "app/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "sim/PropImage.h"
#include "sim/SimChip.h"
#include "sim/SimLink.h"
#include "tests/TempDir.h"

namespace tavolin::loadertest {

// The chip of the loader tests: the ROM boot loader at power-on, which (as on a link without
// modem lines) also takes the start of a handshake as its reset, so a test can begin with
// Handshake itself.  A load that runs starts nothing, so no firmware output follows the answers.
inline sim::SimOptions LoaderChipOptions() {
  sim::SimOptions options;
  options.resetOnHandshake = true;
  options.firmware = sim::Personality::Off;
  return options;
}

// Stands between the device and the chip's link and notes the device's rate at every host write.
class RateWatch : public fake::Peer {
 public:
  explicit RateWatch(fake::Peer& inner) : inner_(inner) {}
  void OnHostWrite(fake::FakeSerialDevice& device, const std::uint8_t* bytes, std::size_t n,
                   std::int64_t nowMs) override {
    ratesSeen.push_back(device.bitsPerSecond);
    inner_.OnHostWrite(device, bytes, n, nowMs);
  }
  void OnLines(fake::FakeSerialDevice& device, bool dtr, bool rts, std::int64_t nowMs) override {
    inner_.OnLines(device, dtr, rts, nowMs);
  }
  void OnPoll(fake::FakeSerialDevice& device, std::int64_t nowMs) override {
    inner_.OnPoll(device, nowMs);
  }

  std::vector<int> ratesSeen;

 private:
  fake::Peer& inner_;
};

struct LoaderRig : fake::FakePlatform {
  fake::FakeSerialDevice& device = serial.Plug(3);
  AppState app{platform};
  fake::RecordingTextOutput out;
  sim::SimChip chip;
  std::unique_ptr<sim::SimLink> link;
  std::unique_ptr<RateWatch> rates;
  testing::TempDir files;

  // The chip runs as options say, behind a link as linkOptions say; withChip false: nothing
  // answers.
  explicit LoaderRig(bool withChip = true) : LoaderRig(LoaderChipOptions(), withChip) {}
  explicit LoaderRig(const sim::SimOptions& options, bool withChip = true,
                     const sim::LinkOptions& linkOptions = {}, bool modemLines = true)
      : chip(options) {
    device.hasModemLines = modemLines;
    app.SetOutput(&out);
    if (withChip) {
      link = std::make_unique<sim::SimLink>(chip, device, clock, linkOptions);
      rates = std::make_unique<RateWatch>(*link);
      device.peer = rates.get();
    }
    app.port.Open(3, 0, 0);
  }
  ~LoaderRig() { device.peer = nullptr; }

  sim::BootOptions& boot() { return chip.bootLoader().options(); }
  const sim::BootRecord& record() { return chip.bootLoader().record(); }
  // Reset pulses: each time DTR or RTS went active.
  int resets() const {
    return static_cast<int>(
        std::count_if(device.lineChanges.begin(), device.lineChanges.end(),
                      [](const fake::LineChange& c) { return c.dtr || c.rts; }));
  }
  // True when the chip's 32 KB of RAM hold exactly these bytes, zeros behind them and the
  // stack frame markers the ROM adds: the EEPROM image of the bytes.
  bool RamHolds(const std::vector<std::uint8_t>& bytes) {
    return std::ranges::equal(chip.bootLoader().ram(), sim::MakeEepromImage(bytes));
  }
};

// bytes with their checksum byte (byte 5) set so that the ROM accepts them as an image: the low
// byte of the sum of the 32 KB of RAM they give, with the stack frame markers, is 0.
inline std::vector<std::uint8_t> Checked(std::vector<std::uint8_t> bytes) {
  sim::HubRam ram{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), ram.size()), ram.begin());
  sim::AddStackFrame(ram);
  bytes.at(5) = static_cast<std::uint8_t>(bytes[5] - sim::RamChecksum(ram));
  return bytes;
}

// The little-endian bytes of longs.
inline std::vector<std::uint8_t> BytesOf(const std::vector<std::uint32_t>& longs) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t v : longs) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return bytes;
}

}  // namespace tavolin::loadertest
