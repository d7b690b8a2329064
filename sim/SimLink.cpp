#include "sim/SimLink.h"

namespace tavolin::sim {

SimLink::SimLink(SimChip& chip, fake::FakeSerialDevice& device, fake::VirtualClock& clock,
                 const LinkOptions& options)
    : chip_(chip),
      device_(device),
      clock_(clock),
      options_(options),
      dtr_(device.dtr),
      rts_(device.rts) {
  device_.peer = this;
  std::weak_ptr<bool> alive = alive_;
  clock_.OnAdvance([this, alive](std::int64_t nowMs) {
    if (!alive.expired()) Sync(nowMs);
  });
  TakeRate();
  if (options_.powerOn && !chip_.poweredOn()) chip_.PowerOn(clock_.NowMs());
}

SimLink::~SimLink() {
  if (device_.peer == this) device_.peer = nullptr;
}

void SimLink::TakeRate() {
  chip_.SetLink(device_.bitsPerSecond > 0 ? device_.bitsPerSecond : 115200,
                device_.stopBits == StopBits::Two ? 11 : 10);
}

void SimLink::Sync(std::int64_t nowMs) {
  if (syncing_) return;
  syncing_ = true;
  TakeRate();
  chip_.OnTick(nowMs);
  for (const TimedByte& b : chip_.TakeOutput(nowMs)) {
    std::int64_t due = b.dueMs;
    if (options_.latencyMs > 0)
      due = (due + options_.latencyMs - 1) / options_.latencyMs * options_.latencyMs;
    device_.Feed(b.byte, due);
  }
  syncing_ = false;
}

void SimLink::OnHostWrite(fake::FakeSerialDevice& /*device*/, const std::uint8_t* bytes,
                          std::size_t n, std::int64_t nowMs) {
  Sync(nowMs);
  chip_.OnHostBytes(bytes, n, nowMs);
  if (!options_.blockingWrites) return;
  const std::int64_t buffered =
      static_cast<std::int64_t>(options_.hostBufferBytes) * chip_.ByteUs();
  const std::int64_t waitUs = chip_.ReceiveBacklogUs(nowMs) - buffered;
  if (waitUs > 0) clock_.SleepMs(static_cast<int>((waitUs + 999) / 1000));
}

void SimLink::OnLines(fake::FakeSerialDevice& /*device*/, bool dtr, bool rts, std::int64_t nowMs) {
  Sync(nowMs);
  if (dtr != dtr_ || rts != rts_) chip_.OnReset(nowMs);
  dtr_ = dtr;
  rts_ = rts;
}

void SimLink::OnPoll(fake::FakeSerialDevice& /*device*/, std::int64_t nowMs) {
  Sync(nowMs);
}

}  // namespace tavolin::sim
