// Serial ports on Windows, through the Win32 communications calls.
//
// Naming.  COM n opens the device "\\.\COMn": the prefix names the device namespace, without which
// only COM1 to COM9 open.  The port list comes from the system: every present device of the
// Ports class (SetupAPI) with its friendly name (for example "USB Serial Port (COM3)") and its
// device instance id, plus the ports that have no device node of their own but are registered
// under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (virtual port drivers, Wine).
//
// Opening.  CreateFileA for reading and writing with no sharing, so the port is exclusive as
// Windows opens COM ports; SetupComm with a receive queue that holds a third of a second at
// 2,000,000 baud (the window may be busy for a moment; the chip does not wait) and a 1024-byte
// send queue; the DCB from GetCommState with the rate and stop bits, 8 data bits, no parity,
// binary mode, DTR enabled or disabled as asked, RTS disabled, and no flow control of any kind
// (every other flag off); COMMTIMEOUTS that make a read return at once with what is there.  A
// port that refuses its DCB or its time-outs is closed again and the open fails: a port whose
// reads might wait would stall the main loop.  The reason for a failed open goes to the error
// stream (standard error), unless the caller only probes.
//
// Transfer.  Reads never wait: nothing waiting gives 0, a failed ReadFile (the adapter was
// unplugged) gives -1.  Writes complete: each WriteFile may wait up to kWriteStallMs for the
// driver to take bytes, and the write goes on while it makes progress; a write that makes no
// progress for that long returns the short count.  A WriteFile that fails before any byte left
// gives -1.  Line control that a device lacks fails quietly.
//
// Waking for arriving bytes.  The device's ReadableHandle is an event that a watcher thread sets
// when the driver holds received bytes (ClearCommError's count, asked every kArrivalPollMs with
// the system timer at 1 ms), or when the driver no longer answers, so that the next read finds
// the loss; Read clears it before it reads.  The window's message loop waits on it beside its
// messages, so a byte reaches the picture within about two milliseconds of arriving.  The port
// stays a plain (not overlapped) handle whose reads return at once: a read that waits for the
// chip's next byte and the writes beside it are what Wine's serial emulation handles least well
// (a waiting read ends as a broken pipe when the input is purged under it, and overlapped writes
// to a full pseudo-terminal stall until their time-out), and a synchronous handle would hold
// every other call behind a read that waits.  The watcher only asks for the count: no byte is
// read outside the main thread.
//
// Taking a lost port back.  A device's identity is its device name ("\\.\COM5") with the device
// instance id SetupAPI gives for that COM name (for example
// FTDIBUS\VID_0403+PID_6001+A50285BIA\0000, which holds the adapter's serial number or its USB
// socket).  Reopen opens the name again, quietly, only when the same instance id has it: a COM
// number handed to another device is left alone.  A port without a device node (a virtual port
// driver, Wine) has no instance id and is not taken back by itself.
//
// The Win32 calls are made through CommCalls, so tests can play a Windows that refuses a second
// open or an adapter that vanishes, which Wine does not show the way Windows does.
#pragma once

#include <windows.h>

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialDevice.h"

namespace tavolin::win32 {

inline constexpr std::string_view kDevicePrefix = "\\\\.\\COM";
inline constexpr DWORD kReceiveQueueBytes = 65536;
inline constexpr DWORD kSendQueueBytes = 1024;
inline constexpr int kWriteStallMs = 2000;
inline constexpr int kArrivalPollMs = 1;

// Messages on the error stream when a port cannot be opened (after "COM<n> (<device>): ").
inline constexpr std::string_view kNoSuchPort =
    "no such port (the Device Manager shows the COM numbers of this machine under Ports)";
inline constexpr std::string_view kPortInUse =
    "access denied: another program has the port open (close it), or this user may not open it";
inline constexpr std::string_view kPortShared = "the port is in use by another program";
inline constexpr std::string_view kNotSerial = "not a serial port";
inline constexpr std::string_view kRefusedSetup = "the port refused the rate, framing or time-outs";

// The Win32 calls the serial backend makes.  SystemCommCalls passes them to Windows.
class CommCalls {
 public:
  virtual ~CommCalls() = default;
  // CreateFileA(name, GENERIC_READ | GENERIC_WRITE, no sharing, OPEN_EXISTING).
  virtual HANDLE OpenDevice(const std::string& name) = 0;
  virtual DWORD LastError() = 0;
  virtual BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) = 0;
  virtual BOOL GetCommState(HANDLE h, DCB* dcb) = 0;
  virtual BOOL SetCommState(HANDLE h, DCB* dcb) = 0;
  virtual BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) = 0;
  virtual BOOL EscapeCommFunction(HANDLE h, DWORD function) = 0;
  virtual BOOL PurgeComm(HANDLE h, DWORD flags) = 0;
  virtual BOOL ReadFile(HANDLE h, void* buffer, DWORD n, DWORD* got) = 0;
  // ClearCommError's count of received bytes the driver holds.
  virtual BOOL BytesWaiting(HANDLE h, DWORD* n) = 0;
  virtual BOOL WriteFile(HANDLE h, const void* bytes, DWORD n, DWORD* put) = 0;
  virtual BOOL CloseHandle(HANDLE h) = 0;
  // The device instance id of the present device whose port name is COM<portNumber>; empty when
  // there is none.
  virtual std::string InstanceIdOf(int portNumber) = 0;
};

class SystemCommCalls : public CommCalls {
 public:
  HANDLE OpenDevice(const std::string& name) override;
  DWORD LastError() override;
  BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) override;
  BOOL GetCommState(HANDLE h, DCB* dcb) override;
  BOOL SetCommState(HANDLE h, DCB* dcb) override;
  BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) override;
  BOOL EscapeCommFunction(HANDLE h, DWORD function) override;
  BOOL PurgeComm(HANDLE h, DWORD flags) override;
  BOOL ReadFile(HANDLE h, void* buffer, DWORD n, DWORD* got) override;
  BOOL BytesWaiting(HANDLE h, DWORD* n) override;
  BOOL WriteFile(HANDLE h, const void* bytes, DWORD n, DWORD* put) override;
  BOOL CloseHandle(HANDLE h) override;
  std::string InstanceIdOf(int portNumber) override;
};

// "\\.\COM<n>" for port number n.
std::string DeviceNameFor(int portNumber);

// Whether the watcher should wake the reader of port: the driver holds received bytes, or no
// longer answers (the read that follows finds the loss).
bool ArrivalsWaiting(CommCalls& calls, HANDLE port);

// The DCB of a freshly opened port: base as GetCommState returned it, with the rate, framing,
// line states and flags set as described above.
DCB ConfiguredDcb(const DCB& base, int bitsPerSecond, StopBits stopBits, bool dtr, bool rts);
// Reads that return at once; writes that wait at most writeStallMs for progress.
COMMTIMEOUTS PortTimeouts(int writeStallMs);

// What the system says about one port, before it is merged into the list.
struct PortEntry {
  std::string portName;      // the registry's PortName, for example "COM3"
  std::string friendlyName;  // for example "USB Serial Port (COM3)", or empty
  std::string instanceId;    // for example FTDIBUS\VID_0403+PID_6001+A50285BIA\0000, or empty
};

// The number in a port name such as "COM3" (any case), 0 for anything else (LPT1, COM0, COM).
int PortNumberOf(std::string_view portName);
// The port list in number order, one entry per number: the device nodes first, then the
// registered names that no device node has.
std::vector<PortInfo> MergePorts(const std::vector<PortEntry>& devices,
                                 const std::vector<std::string>& registered);

class Win32SerialSystem : public SerialSystem {
 public:
  // The real Win32 calls, messages on standard error, a watcher for arriving bytes.
  Win32SerialSystem();
  // arrivalPollMs 0: no watcher thread (the devices' readable handle is never set).
  Win32SerialSystem(CommCalls& calls, std::ostream& errors, int writeStallMs = kWriteStallMs,
                    int arrivalPollMs = 0);

  std::unique_ptr<SerialDevice> Open(int portNumber, const SerialOpenOptions& options) override;
  std::string OpenFailure() const override { return lastFailure_; }
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<SerialDevice> Reopen(const std::string& identity,
                                       const SerialOpenOptions& options) override;

 private:
  void Report(const SerialOpenOptions& options, int portNumber, std::string_view why);

  std::unique_ptr<CommCalls> ownCalls_;
  CommCalls& calls_;
  std::ostream& errors_;
  int writeStallMs_;
  int arrivalPollMs_;
  std::string lastFailure_;
};

}  // namespace tavolin::win32
