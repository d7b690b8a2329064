// The serial devices of the machine, as the core sees them: open one by its COM number, set its
// rate and framing, drive DTR and RTS, purge its input, and move bytes without ever waiting for
// the far end.  platform/posix implements it on termios, platform/fake with a scripted device.
//
// A device can go away while it is open (a USB adapter pulled out, the far end of a
// pseudo-terminal closed).  Read and Write then return -1, and keep doing so; "nothing yet" is
// never -1.  The device remembers which device it is (Identity), so that the program can take the
// same one back when it returns (SerialSystem::Reopen) without picking up another adapter, or
// another program's terminal, that now answers to the same COM number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavolin {

enum class StopBits { One, Two };

// Everything Open needs: always 8 data bits, no parity, no flow control.
struct SerialOpenOptions {
  int bitsPerSecond = 115200;
  StopBits stopBits = StopBits::Two;
  bool dtr = true;   // state of DTR straight after opening
  bool rts = false;  // state of RTS straight after opening
  // A probe (the start-up scan of COM1..COM63): a failure is expected and not worth a word.
  bool quiet = false;
};

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  // Changes rate and stop bits; the rest of the configuration stays.  False when refused.
  virtual bool Configure(int bitsPerSecond, StopBits stopBits) = 0;
  // Line control.  False when the device has no such line (a pseudo-terminal); never fatal.
  virtual bool SetDtr(bool on) = 0;
  virtual bool SetRts(bool on) = 0;
  // Discards what was received and not read yet.
  virtual bool PurgeInput() = 0;
  // Writes up to n bytes, completely unless the device fails or stalls.  Returns the number
  // written, or -1 when the write failed outright.
  virtual long Write(const std::uint8_t* bytes, std::size_t n) = 0;
  // Reads what has already arrived, at most n bytes, without waiting.  Returns the count (0 when
  // nothing is waiting) or -1 when the read failed (for example the adapter was unplugged).
  virtual long Read(std::uint8_t* buffer, std::size_t n) = 0;
  // A descriptor that becomes readable when bytes arrive, so the window can wake for them
  // instead of waiting for its next timer tick; -1 when the device has none.
  virtual int ReadableHandle() const { return -1; }
  // Which device this is, in the backend's own words, for SerialSystem::Reopen: on POSIX the path
  // COM n named with the USB adapter's vendor, product and serial number, or with what the path
  // itself was; on Windows the COM name with the device instance id.  Empty when the backend
  // cannot tell; such a device is never taken back by itself.
  virtual std::string Identity() const { return {}; }
};

// One serial port the machine offers, with what a person needs to tell it from the others.
struct PortInfo {
  int number = 0;           // the COM number that opens it
  std::string device;       // for example /dev/ttyUSB0
  std::string stableName;   // for example /dev/serial/by-id/usb-FTDI_..., or empty
  std::string description;  // for example "FT232R USB UART (FTDI)", or empty
  bool operator==(const PortInfo&) const = default;
};

class SerialSystem {
 public:
  virtual ~SerialSystem() = default;
  // Opens COM portNumber exclusively.  nullptr when it does not exist or cannot be opened; the
  // backend tells the reason on standard error, the caller shows its own message.
  virtual std::unique_ptr<SerialDevice> Open(int portNumber, const SerialOpenOptions& options) = 0;
  // Why the last Open failed, in a few words for the user's box (the port is in use by another
  // program, no permission and how to get it, no such device); empty when it did not fail or the
  // system gave no reason.
  virtual std::string OpenFailure() const { return {}; }
  // The identity to take the device back by, once it went away: the backend may note what its
  // name leads to at that moment (so that only something made later counts).  Called once per
  // loss with the lost device's identity.
  virtual std::string IdentityAtLoss(const std::string& identity) { return identity; }
  // The ports that can be opened by number, in number order.
  virtual std::vector<PortInfo> ListPorts() = 0;
  // Opens the device with this identity (SerialDevice::Identity) again, configured as Open would:
  // nullptr while it is not there, cannot be opened, or another device now has its name.  Says
  // nothing on failure, since the caller tries again later.  A backend that cannot recognise a
  // device again keeps the default.
  virtual std::unique_ptr<SerialDevice> Reopen(const std::string& identity,
                                               const SerialOpenOptions& options) {
    (void)identity;
    (void)options;
    return nullptr;
  }
};

}  // namespace tavolin
