// A scripted serial device and the port table that hands it out, for tests.
//
// Bytes from the chip are fed in (optionally due at a virtual time); bytes the host writes are
// captured with the size of every write; writes and reads can be switched to fail or stall in the
// middle of a test, or the whole device can go away (gone: an adapter pulled out); DTR and RTS
// changes are logged with their times.  A Peer (the simulated chip)
// can watch the writes and line changes and answer through Feed.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/SerialDevice.h"

namespace tavolin::fake {

class FakeSerialDevice;

// The far end of a fake device.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual void OnHostWrite(FakeSerialDevice& device, const std::uint8_t* bytes, std::size_t n,
                           std::int64_t nowMs) = 0;
  virtual void OnLines(FakeSerialDevice& /*device*/, bool /*dtr*/, bool /*rts*/,
                       std::int64_t /*nowMs*/) {}
  // Called before every read, so the peer can produce what is due by now.
  virtual void OnPoll(FakeSerialDevice& /*device*/, std::int64_t /*nowMs*/) {}
};

struct LineChange {
  std::int64_t atMs;
  bool dtr;
  bool rts;
};

class FakeSerialDevice {
 public:
  explicit FakeSerialDevice(Clock& clock) : clock_(clock) {}

  // Bytes from the chip, readable from dueMs on (now when omitted).
  void Feed(const std::vector<std::uint8_t>& bytes, std::optional<std::int64_t> dueMs = {});
  void Feed(std::uint8_t byte, std::optional<std::int64_t> dueMs = {}) {
    Feed(std::vector<std::uint8_t>{byte}, dueMs);
  }
  std::size_t PendingCount() const { return incoming_.size(); }

  // Everything the host wrote, and the size of each write.
  std::vector<std::uint8_t> written;
  std::vector<std::size_t> writeSizes;
  void ClearWritten() {
    written.clear();
    writeSizes.clear();
  }

  // Faults.
  bool failWrites = false;                // Write returns -1
  std::optional<std::size_t> writeLimit;  // Write moves at most this many bytes
  bool failReads = false;                 // Read returns -1
  bool hasModemLines = true;              // false: SetDtr / SetRts fail (a pseudo-terminal)
  // The device went away: every call fails, reads and writes with -1, and its readable handle
  // reports a hang-up (see HandleSignalled).
  bool gone = false;
  // The device goes away at the first read or write once the host has written this many bytes.
  std::optional<std::size_t> goneAfterWritten;

  // The handle a window may watch (-1: none), and whether watching it would wake the loop now:
  // bytes are due, or the device is gone (a hang-up is reported for as long as the handle is
  // watched).
  int readableHandle = -1;
  bool HandleSignalled();
  // Which device this is (SerialDevice::Identity); Plug names it "fake<number>".
  std::string identity;

  // State seen by the host's calls.
  bool isOpen = false;
  int bitsPerSecond = 0;
  StopBits stopBits = StopBits::One;
  bool dtr = false;
  bool rts = false;
  int purges = 0;
  std::vector<LineChange> lineChanges;

  Peer* peer = nullptr;
  Clock& clock() { return clock_; }

  // The SerialDevice calls, reached through the handle Open returns.
  bool Configure(int bps, StopBits stop);
  bool SetDtr(bool on);
  bool SetRts(bool on);
  bool PurgeInput();
  long Write(const std::uint8_t* bytes, std::size_t n);
  long Read(std::uint8_t* buffer, std::size_t n);

 private:
  struct Due {
    std::int64_t atMs;
    std::uint8_t byte;
  };
  Clock& clock_;
  std::deque<Due> incoming_;
};

// A port table: port numbers that are "plugged in" open their device, others fail.  A device is
// opened exclusively: a second Open while it is open fails.
class FakeSerialSystem : public SerialSystem {
 public:
  explicit FakeSerialSystem(Clock& clock) : clock_(clock) {}

  // Plugs in a device at number (replacing any) and returns it.
  FakeSerialDevice& Plug(int number);
  void Unplug(int number) { devices_.erase(number); }
  FakeSerialDevice* Device(int number);

  std::unique_ptr<SerialDevice> Open(int portNumber, const SerialOpenOptions& options) override;
  // failureReason after an Open that failed, empty after one that succeeded.
  std::string OpenFailure() const override { return lastFailed_ ? failureReason : std::string(); }
  std::vector<PortInfo> ListPorts() override;
  // A plugged device with this identity that is neither open nor gone.
  std::unique_ptr<SerialDevice> Reopen(const std::string& identity,
                                       const SerialOpenOptions& options) override;

  std::vector<int> openAttempts;               // every number Open was asked for
  std::vector<std::string> reopenAttempts;     // every identity Reopen was asked for
  std::vector<SerialOpenOptions> openOptions;  // the options of every successful Open
  std::string failureReason;                   // what the system says when an Open fails

 private:
  std::unique_ptr<SerialDevice> OpenPlugged(const std::shared_ptr<FakeSerialDevice>& device,
                                            const SerialOpenOptions& options);

  Clock& clock_;
  std::map<int, std::shared_ptr<FakeSerialDevice>> devices_;
  bool lastFailed_ = false;
};

}  // namespace tavolin::fake
