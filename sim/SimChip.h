// SimChip: a simulated Propeller at the far end of the serial link, driven by time and bytes.
//
// Principles of operation.  The chip runs one program at a time (ChipContext.h): the ROM boot
// loader after a reset, then the firmware (display demo, P2 monitor or transfer peer) once a load
// runs or the chip boots from its EEPROM, or nothing (Off) after a shutdown.  The host's bytes
// are stamped with the moment they have crossed the wire: a byte takes bitsPerByte bit times at
// the configured rate (10 for one stop bit, 11 for two) and the wire carries one byte at a time,
// so a 256-byte write at 115200 reaches the chip over 24 ms.  The chip's answers are spaced the
// same way, and none is due before the byte it answers has arrived.
//
// Driving it: OnHostBytes when the host writes, OnReset for a reset pulse, OnTick whenever time
// passes (all with the host's millisecond clock), then TakeOutput for the bytes that are due.
// Nothing happens between calls: the chip catches up on each call, in time order, so the caller
// decides how often it looks (the fake link does it at every step of the virtual clock).
//
// Reset: on a device with modem lines every change of DTR or RTS resets the chip (the usual
// capacitor-coupled reset circuit turns an edge into a short pulse), and the chip starts from the
// last change.  A pseudo-terminal has no modem lines; with resetOnHandshake the chip takes the
// start of a handshake (0xF9 followed by the first eight handshake bytes; for a P2 ROM the
// question "> Prop_Chk") as its reset, holding such bytes back from the running program until
// they match or not.
// Pure C++: no I/O and no clock of its own.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "sim/BootLoader.h"
#include "sim/ChipContext.h"
#include "sim/DisplayFirmware.h"
#include "sim/P2Monitor.h"
#include "sim/P2RomLoader.h"
#include "sim/TransferPeer.h"

namespace tavolin::sim {

struct SimOptions {
  Personality start = Personality::BootLoader;  // what runs at power-on
  Personality firmware = Personality::Display;  // what a load that runs, or the EEPROM, starts
  // The chip's ROM, which a reset starts: the P1 boot loader, or the P2's serial loader (P2Rom).
  Personality rom = Personality::BootLoader;
  bool resetOnHandshake = false;
  BootOptions boot;
  DisplayOptions display;
  MonitorOptions monitor;
  P2RomOptions p2;
  TransferOptions transfer;
};

struct TimedByte {
  std::int64_t dueMs;  // the host can read it from this moment on
  std::uint8_t byte;
};

class SimChip : private ChipContext {
 public:
  explicit SimChip(const SimOptions& options = {});

  // The link's rate and frame; 10 or 11 bits per byte.
  void SetLink(int bitsPerSecond, int bitsPerByte);
  // Power on: starts options.start.  Until then the chip ignores everything.
  void PowerOn(std::int64_t nowMs);
  void OnReset(std::int64_t nowMs);
  // The host opened the port: power-on the first time, a reset after that, and the boot loader
  // then waits boot.openWaitMs for the host's handshake.
  void OnPortOpen(std::int64_t nowMs);
  void OnHostBytes(const std::uint8_t* bytes, std::size_t n, std::int64_t nowMs);
  void OnTick(std::int64_t nowMs);
  // The bytes due by nowMs, in order; the rest stay until they are due (a reset drops them).
  std::vector<TimedByte> TakeOutput(std::int64_t nowMs);
  // How long the bytes the host has written still need to reach the chip.
  std::int64_t ReceiveBacklogUs(std::int64_t nowMs) const;
  std::int64_t ByteUs() const override { return byteUs_; }
  std::int64_t SentByUs(std::int64_t atUs) const override {
    return transmitFreeUs_ > atUs ? transmitFreeUs_ : atUs;
  }
  // True while received bytes may be the start of a handshake that resets the chip
  // (resetOnHandshake): a 0xF9 not yet delivered, or bytes held back to compare.  The chip's
  // output of that moment is dropped if they are.
  bool HandshakeStartPending() const;
  // Counts the resets (pulses, opens and handshakes seen), so a caller holding bytes it took
  // before can tell they are void.
  std::uint64_t resetCount() const { return resetCount_; }

  Personality running() const { return running_; }
  bool poweredOn() const { return powered_; }
  BootLoader& bootLoader() { return boot_; }
  DisplayFirmware& display() { return display_; }
  P2Monitor& monitor() { return monitor_; }
  P2RomLoader& p2Rom() { return p2rom_; }
  TransferPeer& transferPeer() { return transfer_; }
  // Where the chip's notes go (the tool's log); none when unset.
  void SetNoteSink(std::function<void(const std::string&, std::int64_t atUs)> sink) {
    notes_ = std::move(sink);
  }

 private:
  class OffProgram : public ChipProgram {
   public:
    void Start(std::int64_t) override {}
    void OnByte(std::uint8_t, std::int64_t) override {}
    void Advance(std::int64_t) override {}
  };
  struct Stamped {
    std::uint8_t byte;
    std::int64_t atUs;
  };

  void Send(const std::vector<std::uint8_t>& bytes, std::int64_t atUs) override;
  void Run(Personality next, std::int64_t atUs) override;
  void Note(const std::string& text, std::int64_t atUs) override;
  ChipProgram& Program(Personality p);
  void Process(std::int64_t nowUs);
  void AdvanceTo(std::int64_t atUs);
  void Deliver(std::uint8_t byte, std::int64_t atUs);
  bool Watching() const;
  void FlushHeld();

  SimOptions options_;
  std::int64_t byteUs_ = 96;
  bool powered_ = false;
  Personality running_ = Personality::Off;
  OffProgram off_;
  BootLoader boot_;
  DisplayFirmware display_;
  P2Monitor monitor_;
  P2RomLoader p2rom_;
  TransferPeer transfer_;
  ChipProgram* current_ = &off_;
  std::deque<Stamped> received_;
  std::int64_t receiveFreeUs_ = 0;
  std::int64_t transmitFreeUs_ = 0;
  std::deque<std::pair<std::int64_t, std::uint8_t>> output_;
  std::vector<Stamped> held_;
  std::uint64_t resetCount_ = 0;
  std::function<void(const std::string&, std::int64_t)> notes_;
};

}  // namespace tavolin::sim
