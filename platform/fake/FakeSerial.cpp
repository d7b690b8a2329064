#include "platform/fake/FakeSerial.h"

#include <algorithm>

namespace tavolin::fake {

void FakeSerialDevice::Feed(const std::vector<std::uint8_t>& bytes,
                            std::optional<std::int64_t> dueMs) {
  const std::int64_t at = dueMs.value_or(clock_.NowMs());
  for (std::uint8_t b : bytes) incoming_.push_back({at, b});
}

bool FakeSerialDevice::HandleSignalled() {
  if (gone) return true;
  const std::int64_t now = clock_.NowMs();
  if (peer != nullptr) peer->OnPoll(*this, now);
  return !incoming_.empty() && incoming_.front().atMs <= now;
}

bool FakeSerialDevice::Configure(int bps, StopBits stop) {
  if (gone) return false;
  bitsPerSecond = bps;
  stopBits = stop;
  return true;
}

bool FakeSerialDevice::SetDtr(bool on) {
  if (!hasModemLines || gone) return false;
  dtr = on;
  lineChanges.push_back({clock_.NowMs(), dtr, rts});
  if (peer != nullptr) peer->OnLines(*this, dtr, rts, clock_.NowMs());
  return true;
}

bool FakeSerialDevice::SetRts(bool on) {
  if (!hasModemLines || gone) return false;
  rts = on;
  lineChanges.push_back({clock_.NowMs(), dtr, rts});
  if (peer != nullptr) peer->OnLines(*this, dtr, rts, clock_.NowMs());
  return true;
}

bool FakeSerialDevice::PurgeInput() {
  if (gone) return false;
  ++purges;
  const std::int64_t now = clock_.NowMs();
  // Only what has arrived by now is discarded; bytes still on the wire come later.
  incoming_.erase(std::remove_if(incoming_.begin(), incoming_.end(),
                                 [now](const Due& d) { return d.atMs <= now; }),
                  incoming_.end());
  return true;
}

long FakeSerialDevice::Write(const std::uint8_t* bytes, std::size_t n) {
  if (goneAfterWritten && written.size() >= *goneAfterWritten) gone = true;
  if (failWrites || gone) return -1;
  const std::size_t moved = writeLimit ? std::min(n, *writeLimit) : n;
  written.insert(written.end(), bytes, bytes + moved);
  writeSizes.push_back(moved);
  if (peer != nullptr && moved > 0) peer->OnHostWrite(*this, bytes, moved, clock_.NowMs());
  return static_cast<long>(moved);
}

long FakeSerialDevice::Read(std::uint8_t* buffer, std::size_t n) {
  if (goneAfterWritten && written.size() >= *goneAfterWritten) gone = true;
  if (failReads || gone) return -1;
  const std::int64_t now = clock_.NowMs();
  if (peer != nullptr) peer->OnPoll(*this, now);
  std::size_t got = 0;
  while (got < n && !incoming_.empty() && incoming_.front().atMs <= now) {
    buffer[got++] = incoming_.front().byte;
    incoming_.pop_front();
  }
  return static_cast<long>(got);
}

namespace {

// The handle the host holds; the test keeps the device itself.
class Handle : public SerialDevice {
 public:
  explicit Handle(std::shared_ptr<FakeSerialDevice> device) : device_(std::move(device)) {
    device_->isOpen = true;
  }
  ~Handle() override { device_->isOpen = false; }
  bool Configure(int bps, StopBits stop) override { return device_->Configure(bps, stop); }
  bool SetDtr(bool on) override { return device_->SetDtr(on); }
  bool SetRts(bool on) override { return device_->SetRts(on); }
  bool PurgeInput() override { return device_->PurgeInput(); }
  long Write(const std::uint8_t* bytes, std::size_t n) override { return device_->Write(bytes, n); }
  long Read(std::uint8_t* buffer, std::size_t n) override { return device_->Read(buffer, n); }
  int ReadableHandle() const override { return device_->readableHandle; }
  std::string Identity() const override { return device_->identity; }

 private:
  std::shared_ptr<FakeSerialDevice> device_;
};

}  // namespace

FakeSerialDevice& FakeSerialSystem::Plug(int number) {
  auto device = std::make_shared<FakeSerialDevice>(clock_);
  device->identity = "fake" + std::to_string(number);
  devices_[number] = device;
  return *device;
}

FakeSerialDevice* FakeSerialSystem::Device(int number) {
  auto it = devices_.find(number);
  return it == devices_.end() ? nullptr : it->second.get();
}

std::unique_ptr<SerialDevice> FakeSerialSystem::Open(int portNumber,
                                                     const SerialOpenOptions& options) {
  openAttempts.push_back(portNumber);
  auto it = devices_.find(portNumber);
  lastFailed_ = it == devices_.end() || it->second->isOpen || it->second->gone;
  if (lastFailed_) return nullptr;
  return OpenPlugged(it->second, options);
}

std::unique_ptr<SerialDevice> FakeSerialSystem::Reopen(const std::string& identity,
                                                       const SerialOpenOptions& options) {
  reopenAttempts.push_back(identity);
  for (const auto& [number, device] : devices_) {
    if (device->identity == identity && !device->isOpen && !device->gone) {
      return OpenPlugged(device, options);
    }
  }
  return nullptr;
}

std::unique_ptr<SerialDevice> FakeSerialSystem::OpenPlugged(
    const std::shared_ptr<FakeSerialDevice>& device, const SerialOpenOptions& options) {
  openOptions.push_back(options);
  FakeSerialDevice& d = *device;
  d.bitsPerSecond = options.bitsPerSecond;
  d.stopBits = options.stopBits;
  d.dtr = options.dtr;
  d.rts = options.rts;
  return std::make_unique<Handle>(device);
}

std::vector<PortInfo> FakeSerialSystem::ListPorts() {
  std::vector<PortInfo> ports;
  for (const auto& [number, device] : devices_) {
    ports.push_back({number, "fake" + std::to_string(number), "", "scripted test device"});
  }
  return ports;
}

}  // namespace tavolin::fake
