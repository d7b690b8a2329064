// Serial ports on POSIX, on termios.
//
// Naming.  COM n opens the device named by the environment variable TAVOLIN_COM<n> when it is set
// (tests and the demo point it at a pseudo-terminal).  Otherwise n is the n-th entry, from 1, of
// the machine's serial devices in a stable order: USB adapters first (ttyUSB*, then ttyACM* on
// Linux; cu.usbserial*, cu.usbmodem* and the like on macOS), then the other ports that have real
// hardware behind them, each group in natural order (ttyUSB2 before ttyUSB10).  Linux creates
// ttyS0..ttyS31 whether or not a UART is there; a legacy port counts only when sysfs shows a
// device behind it and the serial core does not call its type unknown.  The /dev and /sys roots
// can be replaced, so the order can be tested on a made-up tree.
//
// Opening.  O_RDWR, O_NOCTTY, O_NONBLOCK; exclusive through TIOCEXCL and a non-blocking flock (so
// a second opener is refused even when it runs as root); raw, 8 data bits, no parity, one or two
// stop bits, CLOCAL and CREAD, no flow control, VMIN and VTIME 0.  Linux raises DTR and RTS on
// open; both are set to the requested state straight afterwards.  Line control that a device does
// not have (a pseudo-terminal has no DTR) fails quietly.  The reason for a failed open goes to the
// error stream (standard error), worded for the person who has to fix it, unless the caller only
// probes (SerialOpenOptions::quiet, the start-up scan).
//
// Low latency.  On Linux the port is asked for low-latency mode at open (ASYNC_LOW_LATENCY), so an
// FTDI adapter hands received bytes on within about a millisecond instead of after its 16 ms
// latency timer; drivers without the setting (a pseudo-terminal) are left as they are.
//
// Taking a device back.  A device's identity is the path COM n resolved to (the TAVOLIN_COM<n>
// name itself when one is set, so a symlink can be pointed at a new device) and its
// /dev/serial/by-id name when it has one.  Reopen opens that path again, and only when the by-id
// name, if there was one, leads to it: another adapter that took over the path is left alone.
//
// Transfer.  Reads never wait: nothing waiting gives 0; an unplugged adapter (hang-up) or another
// device error gives -1.  Writes complete: partial writes and a full driver queue are waited out
// with poll(), but a write that makes no progress for kWriteStallMs gives up and returns the short
// count, so a stalled or vanished adapter never hangs the program.
//
// OS differences (device name patterns, the legacy-port probe) live in PosixSerialOs_<os>.cpp.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialDevice.h"

namespace tavolin::posix {

inline constexpr std::string_view kComEnvPrefix = "TAVOLIN_COM";
inline constexpr int kHighestListedPort = 63;
inline constexpr int kWriteStallMs = 2000;

// Messages on the error stream when a port cannot be opened (after "COM<n> (<device>): ").
inline constexpr std::string_view kNoNumberedDevice = "no serial device has this number";
inline constexpr std::string_view kMissingDevice = "no such device";
inline constexpr std::string_view kLockedDevice =
    "the device is locked by another process (close the other program that uses it)";
inline constexpr std::string_view kPermissionDenied =
    "permission denied: add your user to the dialout group (sudo usermod -aG dialout $USER), then "
    "log out and in again, since a group change takes effect only in a new login";
inline constexpr std::string_view kNotATerminal = "not a serial device";
inline constexpr std::string_view kRefusedSetup = "the device refused the rate or framing";

// What the user is told when open() of a serial device fails with errno error.
std::string OpenFailureText(int error);

// Which device names count as serial ports, per group, in order.
struct SerialNaming {
  std::vector<std::string> usbPrefixes;    // first group
  std::vector<std::string> otherPrefixes;  // second group
  bool legacyNeedsHardware = false;        // probe other ports for real hardware (Linux ttyS)
};

SerialNaming LinuxSerialNaming();
SerialNaming MacSerialNaming();
// The naming of the system this was built for.
SerialNaming DefaultSerialNaming();

// Natural order: runs of digits compare by their value, so ttyUSB2 comes before ttyUSB10.
bool NaturalLess(std::string_view a, std::string_view b);

class PosixSerialSystem : public SerialSystem {
 public:
  // The machine's own /dev and /sys, messages on standard error.
  PosixSerialSystem();
  PosixSerialSystem(std::string devRoot, std::string sysRoot, SerialNaming naming,
                    std::ostream& errors, int writeStallMs = kWriteStallMs);

  std::unique_ptr<SerialDevice> Open(int portNumber, const SerialOpenOptions& options) override;
  std::string OpenFailure() const override { return lastFailure_; }
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<SerialDevice> Reopen(const std::string& identity,
                                       const SerialOpenOptions& options) override;
  std::string IdentityAtLoss(const std::string& identity) override;

  // The machine's serial devices in COM order (without the TAVOLIN_COM<n> overrides).
  std::vector<std::string> ScanDevices() const;
  // The device COM portNumber opens, or empty when there is none.
  std::string DeviceForPort(int portNumber) const;

 private:
  std::unique_ptr<SerialDevice> OpenDevice(int portNumber, const std::string& device,
                                           const SerialOpenOptions& options);
  bool HasHardware(const std::string& name) const;
  std::string StableName(const std::string& device) const;
  std::string Description(const std::string& device) const;
  // The sysfs folder of the USB device behind a tty, empty when it is none.
  std::filesystem::path UsbFolder(const std::string& device) const;
  // "usb <vendor>:<product>:<serial>" for a USB adapter, empty for anything else.
  std::string UsbIdentity(const std::string& device) const;
  // The identity a device opened at this path gets.
  std::string Identify(const std::string& device) const;
  void Report(const SerialOpenOptions& options, int portNumber, const std::string& device,
              std::string_view why);

  std::string devRoot_;
  std::string sysRoot_;
  SerialNaming naming_;
  std::ostream& errors_;
  int writeStallMs_;
  std::string lastFailure_;
};

}  // namespace tavolin::posix
