// SimLink: puts a SimChip at the far end of a fake serial device (platform/fake), for tests that
// run the host's code in-process against the simulated chip on the virtual clock.
//
//   fake::VirtualClock clock;
//   fake::FakeSerialSystem system{clock};
//   fake::FakeSerialDevice& device = system.Plug(3);
//   sim::SimChip chip;                      // sim::SimOptions pick the program and the faults
//   sim::SimLink link{chip, device, clock}; // powers the chip on
//   SerialPort port{system, clock};         // ... and the host talks to COM3 as usual
//
// The link follows every step of the virtual clock, so the chip acts at the right virtual moment
// and its answers appear in the device exactly when they are due (a purge only drops what has
// arrived).  The rate and frame are taken from the device at every call.  Every change of DTR or
// RTS resets the chip.  A write blocks the way a real driver's does: it returns (advancing the
// virtual clock) once no more than hostBufferBytes are still waiting for the wire, so a host
// sending a 32 KB image spends the wire time before it waits for the answer.
// With latencyMs the link also models the adapter's latency timer.
// The link must outlive its use of the clock; it detaches itself from the device when destroyed.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/fake/FakeSerial.h"
#include "platform/fake/VirtualClock.h"
#include "sim/SimChip.h"

namespace tavolin::sim {

struct LinkOptions {
  bool blockingWrites = true;
  std::size_t hostBufferBytes = 4096;  // a USB adapter's transmit buffer
  bool powerOn = true;
  // An FTDI adapter's latency timer: received bytes reach the host only at its ticks (16 ms by
  // default on the adapter, 1 ms in low-latency mode); 0 passes them on when they arrive.
  int latencyMs = 0;
};

class SimLink : public fake::Peer {
 public:
  SimLink(SimChip& chip, fake::FakeSerialDevice& device, fake::VirtualClock& clock,
          const LinkOptions& options = {});
  ~SimLink() override;
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  void OnHostWrite(fake::FakeSerialDevice& device, const std::uint8_t* bytes, std::size_t n,
                   std::int64_t nowMs) override;
  void OnLines(fake::FakeSerialDevice& device, bool dtr, bool rts, std::int64_t nowMs) override;
  void OnPoll(fake::FakeSerialDevice& device, std::int64_t nowMs) override;

  // Brings the chip up to nowMs and hands its due bytes to the device.
  void Sync(std::int64_t nowMs);

 private:
  void TakeRate();

  SimChip& chip_;
  fake::FakeSerialDevice& device_;
  fake::VirtualClock& clock_;
  LinkOptions options_;
  bool dtr_;
  bool rts_;
  bool syncing_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tavolin::sim
