#include "platform/win32/Win32Serial.h"

// after windows.h, which Win32Serial.h includes
#include <setupapi.h>
#include <timeapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <map>

#include "platform/win32/Win32Text.h"

namespace tavolin::win32 {

HANDLE SystemCommCalls::OpenDevice(const std::string& name) {
  return ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
DWORD SystemCommCalls::LastError() {
  return ::GetLastError();
}
BOOL SystemCommCalls::SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) {
  return ::SetupComm(h, inQueue, outQueue);
}
BOOL SystemCommCalls::GetCommState(HANDLE h, DCB* dcb) {
  return ::GetCommState(h, dcb);
}
BOOL SystemCommCalls::SetCommState(HANDLE h, DCB* dcb) {
  return ::SetCommState(h, dcb);
}
BOOL SystemCommCalls::SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) {
  return ::SetCommTimeouts(h, timeouts);
}
BOOL SystemCommCalls::EscapeCommFunction(HANDLE h, DWORD function) {
  return ::EscapeCommFunction(h, function);
}
BOOL SystemCommCalls::PurgeComm(HANDLE h, DWORD flags) {
  return ::PurgeComm(h, flags);
}
BOOL SystemCommCalls::ReadFile(HANDLE h, void* buffer, DWORD n, DWORD* got) {
  return ::ReadFile(h, buffer, n, got, nullptr);
}
BOOL SystemCommCalls::BytesWaiting(HANDLE h, DWORD* n) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!::ClearCommError(h, &errors, &status)) return FALSE;
  *n = status.cbInQue;
  return TRUE;
}
BOOL SystemCommCalls::WriteFile(HANDLE h, const void* bytes, DWORD n, DWORD* put) {
  return ::WriteFile(h, bytes, n, put, nullptr);
}
BOOL SystemCommCalls::CloseHandle(HANDLE h) {
  return ::CloseHandle(h);
}

std::string DeviceNameFor(int portNumber) {
  return std::string(kDevicePrefix) + std::to_string(portNumber);
}

DCB ConfiguredDcb(const DCB& base, int bitsPerSecond, StopBits stopBits, bool dtr, bool rts) {
  DCB dcb = base;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = static_cast<DWORD>(bitsPerSecond);
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = stopBits == StopBits::Two ? TWOSTOPBITS : ONESTOPBIT;
  // The flag word is set as a whole: binary mode (Windows supports no other), no parity check,
  // no handshake on CTS, DSR or XON/XOFF, no error or null-byte replacement and no abort on error,
  // so that nothing the chip sends is changed or stops the link.
  dcb.fBinary = 1;
  dcb.fParity = 0;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  dcb.fAbortOnError = 0;
  dcb.fDummy2 = 0;
  return dcb;
}

COMMTIMEOUTS PortTimeouts(int writeStallMs) {
  COMMTIMEOUTS t{};
  // MAXDWORD with both read totals 0: a read returns at once with what has arrived, maybe nothing.
  t.ReadIntervalTimeout = MAXDWORD;
  t.ReadTotalTimeoutMultiplier = 0;
  t.ReadTotalTimeoutConstant = 0;
  // A write gives up after this long; the device keeps writing while that makes progress.
  t.WriteTotalTimeoutMultiplier = 0;
  t.WriteTotalTimeoutConstant = static_cast<DWORD>(std::max(writeStallMs, 1));
  return t;
}

bool ArrivalsWaiting(CommCalls& calls, HANDLE port) {
  DWORD waiting = 0;
  return !calls.BytesWaiting(port, &waiting) || waiting > 0;
}

int PortNumberOf(std::string_view portName) {
  if (portName.size() < 4) return 0;
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
  if (upper(portName[0]) != 'C' || upper(portName[1]) != 'O' || upper(portName[2]) != 'M') {
    return 0;
  }
  long value = 0;
  for (std::size_t i = 3; i < portName.size(); ++i) {
    const char c = portName[i];
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > 255) return 0;  // Windows numbers COM ports 1 to 255
  }
  return static_cast<int>(value);
}

std::vector<PortInfo> MergePorts(const std::vector<PortEntry>& devices,
                                 const std::vector<std::string>& registered) {
  std::map<int, PortInfo> byNumber;
  for (const PortEntry& d : devices) {
    const int n = PortNumberOf(d.portName);
    if (n == 0 || byNumber.count(n) != 0) continue;
    byNumber[n] = PortInfo{n, DeviceNameFor(n), d.instanceId, d.friendlyName};
  }
  for (const std::string& name : registered) {
    const int n = PortNumberOf(name);
    if (n == 0 || byNumber.count(n) != 0) continue;
    byNumber[n] = PortInfo{n, DeviceNameFor(n), {}, {}};
  }
  std::vector<PortInfo> ports;
  ports.reserve(byNumber.size());
  for (auto& [n, info] : byNumber) ports.push_back(std::move(info));
  return ports;
}

namespace {

// The setup class of serial and parallel ports (GUID_DEVCLASS_PORTS), spelled out so that no
// GUID library is needed.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The thread that sets the reader's event when bytes have arrived (see Win32Serial.h).  It asks
// the driver every pollMs until it is stopped; while the event is set it only sleeps.
class ArrivalWatcher {
 public:
  ArrivalWatcher(CommCalls& calls, HANDLE port, int pollMs) : calls_(calls), port_(port) {
    pollMs_ = static_cast<DWORD>(pollMs);
    arrived_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (pollMs <= 0 || arrived_ == nullptr) return;
    // The watcher's sleeps need the 1 ms timer; the system's default tick is 15.6 ms.
    if (pollMs_ < 15 && ::timeBeginPeriod(1) == TIMERR_NOERROR) finePeriod_ = true;
    thread_ = ::CreateThread(nullptr, 0, &ArrivalWatcher::Run, this, 0, nullptr);
  }
  ~ArrivalWatcher() {
    if (thread_ != nullptr) {
      stopping_.store(true);
      ::WaitForSingleObject(thread_, INFINITE);
      ::CloseHandle(thread_);
    }
    if (finePeriod_) ::timeEndPeriod(1);
    if (arrived_ != nullptr) ::CloseHandle(arrived_);
  }
  ArrivalWatcher(const ArrivalWatcher&) = delete;
  ArrivalWatcher& operator=(const ArrivalWatcher&) = delete;

  // The event as the window's int (kernel handles fit in 32 bits, HandleToLong); -1 without a
  // watcher.
  int Handle() const {
    return thread_ != nullptr ? static_cast<int>(reinterpret_cast<std::intptr_t>(arrived_)) : -1;
  }
  // Before a read: bytes that arrive from now on set the event again.  The event is cleared
  // before the mark, so a watcher that sets both in between only wakes the reader once more; an
  // event not set is left alone (the loaders read byte by byte, and under Wine each reset is a
  // call to its server).
  void Clear() {
    if (thread_ == nullptr || !set_.load()) return;
    ::ResetEvent(arrived_);
    set_.store(false);
  }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<ArrivalWatcher*>(self)->Watch();
    return 0;
  }
  // Sleep rather than a wait on an event: under Wine a plain sleep stays in the process, where
  // every wait is a call to its server.
  void Watch() {
    while (!stopping_.load()) {
      ::Sleep(pollMs_);
      if (set_.load() || !ArrivalsWaiting(calls_, port_)) continue;
      set_.store(true);
      ::SetEvent(arrived_);
    }
  }

  CommCalls& calls_;
  HANDLE port_;
  DWORD pollMs_ = 0;
  HANDLE arrived_ = nullptr;
  HANDLE thread_ = nullptr;
  bool finePeriod_ = false;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> set_{false};  // the event as the watcher last set it (asking Wine costs a call)
};

class Win32SerialDevice : public SerialDevice {
 public:
  Win32SerialDevice(CommCalls& calls, HANDLE handle, std::string identity, bool dtr, bool rts)
      : calls_(calls), handle_(handle), identity_(std::move(identity)), dtr_(dtr), rts_(rts) {}
  ~Win32SerialDevice() override {
    watcher_.reset();  // before the handle it asks about closes
    calls_.CloseHandle(handle_);
  }
  Win32SerialDevice(const Win32SerialDevice&) = delete;
  Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

  // Starts the watcher once the port is set up.
  void Watch(int pollMs) {
    if (pollMs > 0) watcher_ = std::make_unique<ArrivalWatcher>(calls_, handle_, pollMs);
  }
  int ReadableHandle() const override { return watcher_ != nullptr ? watcher_->Handle() : -1; }

  bool Configure(int bitsPerSecond, StopBits stopBits) override {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (bitsPerSecond <= 0 || !calls_.GetCommState(handle_, &dcb)) return false;
    dcb.BaudRate = static_cast<DWORD>(bitsPerSecond);
    dcb.StopBits = stopBits == StopBits::Two ? TWOSTOPBITS : ONESTOPBIT;
    // The DCB still holds the line modes of the open: written back, a DTR that a reset pulse
    // has cleared would be raised again, which resets the chip that was just loaded.  The modes
    // follow the lines as they are now, so a new rate leaves both where they stand.
    dcb.fDtrControl = dtr_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = rts_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    return calls_.SetCommState(handle_, &dcb) != 0;
  }

  bool SetDtr(bool on) override {
    const bool done = calls_.EscapeCommFunction(handle_, on ? SETDTR : CLRDTR) != 0;
    if (done) dtr_ = on;
    return done;
  }
  bool SetRts(bool on) override {
    const bool done = calls_.EscapeCommFunction(handle_, on ? SETRTS : CLRRTS) != 0;
    if (done) rts_ = on;
    return done;
  }
  bool PurgeInput() override { return calls_.PurgeComm(handle_, PURGE_RXCLEAR) != 0; }

  long Write(const std::uint8_t* bytes, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const DWORD chunk = static_cast<DWORD>(
          std::min<std::size_t>(n - done, std::numeric_limits<DWORD>::max() / 2));
      DWORD put = 0;
      if (!calls_.WriteFile(handle_, bytes + done, chunk, &put)) {
        return done > 0 ? static_cast<long>(done) : -1;
      }
      if (put == 0) break;  // the write time-out passed without progress: a stalled device
      done += std::min<std::size_t>(put, chunk);
    }
    return static_cast<long>(done);
  }

  std::string Identity() const override { return identity_; }

  long Read(std::uint8_t* buffer, std::size_t n) override {
    if (n == 0) return 0;
    if (watcher_ != nullptr) watcher_->Clear();
    const DWORD want =
        static_cast<DWORD>(std::min<std::size_t>(n, std::numeric_limits<DWORD>::max() / 2));
    DWORD got = 0;
    if (!calls_.ReadFile(handle_, buffer, want, &got)) return -1;
    return static_cast<long>(std::min<DWORD>(got, want));
  }

 private:
  CommCalls& calls_;
  HANDLE handle_;
  std::string identity_;
  bool dtr_;  // the lines as last set
  bool rts_;
  std::unique_ptr<ArrivalWatcher> watcher_;
};

// The friendly names and instance ids of the present devices of the Ports class.
std::vector<PortEntry> PortDevices() {
  std::vector<PortEntry> entries;
  HDEVINFO set = ::SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return entries;
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &info); ++i) {
    PortEntry e;
    HKEY key = ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key != INVALID_HANDLE_VALUE) {
      e.portName = RegistryString(key, "PortName");
      ::RegCloseKey(key);
    }
    char text[512] = {};
    if (::SetupDiGetDeviceRegistryPropertyA(set, &info, SPDRP_FRIENDLYNAME, nullptr,
                                            reinterpret_cast<BYTE*>(text), sizeof(text) - 1,
                                            nullptr)) {
      e.friendlyName = text;
    }
    char id[512] = {};
    if (::SetupDiGetDeviceInstanceIdA(set, &info, id, sizeof(id) - 1, nullptr)) e.instanceId = id;
    entries.push_back(std::move(e));
  }
  ::SetupDiDestroyDeviceInfoList(set);
  return entries;
}

// The port names registered under HARDWARE\DEVICEMAP\SERIALCOMM (values are the names).
std::vector<std::string> RegisteredPorts() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return names;
  }
  for (DWORD i = 0;; ++i) {
    char valueName[256];
    DWORD valueNameSize = sizeof(valueName);
    char data[256] = {};
    DWORD dataSize = sizeof(data) - 1;
    DWORD type = 0;
    const LONG rc = ::RegEnumValueA(key, i, valueName, &valueNameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &dataSize);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;
    if (type == REG_SZ) names.emplace_back(data, strnlen(data, dataSize));
  }
  ::RegCloseKey(key);
  return names;
}

}  // namespace

Win32SerialSystem::Win32SerialSystem()
    : ownCalls_(std::make_unique<SystemCommCalls>()),
      calls_(*ownCalls_),
      errors_(std::cerr),
      writeStallMs_(kWriteStallMs),
      arrivalPollMs_(kArrivalPollMs) {}

Win32SerialSystem::Win32SerialSystem(CommCalls& calls, std::ostream& errors, int writeStallMs,
                                     int arrivalPollMs)
    : calls_(calls),
      errors_(errors),
      writeStallMs_(writeStallMs),
      arrivalPollMs_(arrivalPollMs) {}

void Win32SerialSystem::Report(const SerialOpenOptions& options, int portNumber,
                               std::string_view why) {
  lastFailure_ = why;
  if (options.quiet) return;
  errors_ << "COM" << portNumber << " (" << DeviceNameFor(portNumber) << "): " << why << "\n";
  errors_.flush();
}

std::unique_ptr<SerialDevice> Win32SerialSystem::Open(int portNumber,
                                                      const SerialOpenOptions& options) {
  lastFailure_.clear();
  const std::string name = DeviceNameFor(portNumber);
  const HANDLE h = calls_.OpenDevice(name);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) {
    const DWORD e = calls_.LastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) {
      Report(options, portNumber, kNoSuchPort);
    } else if (e == ERROR_ACCESS_DENIED) {
      Report(options, portNumber, kPortInUse);
    } else if (e == ERROR_SHARING_VIOLATION) {
      Report(options, portNumber, kPortShared);
    } else {
      Report(options, portNumber, SystemMessage(e));
    }
    return nullptr;
  }
  // The port closes h on every way out.
  auto port = std::make_unique<Win32SerialDevice>(
      calls_, h, name + '\n' + calls_.InstanceIdOf(portNumber), options.dtr, options.rts);
  calls_.SetupComm(h, kReceiveQueueBytes, kSendQueueBytes);  // a hint; drivers may refuse
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (!calls_.GetCommState(h, &dcb)) {
    Report(options, portNumber, kNotSerial);
    return nullptr;
  }
  dcb = ConfiguredDcb(dcb, options.bitsPerSecond, options.stopBits, options.dtr, options.rts);
  COMMTIMEOUTS timeouts = PortTimeouts(writeStallMs_);
  if (options.bitsPerSecond <= 0 || !calls_.SetCommState(h, &dcb) ||
      !calls_.SetCommTimeouts(h, &timeouts)) {
    Report(options, portNumber, kRefusedSetup);
    return nullptr;
  }
  port->Watch(arrivalPollMs_);
  return port;
}

std::unique_ptr<SerialDevice> Win32SerialSystem::Reopen(const std::string& identity,
                                                        const SerialOpenOptions& options) {
  const std::size_t cut = identity.find('\n');
  if (cut == std::string::npos || identity.rfind(kDevicePrefix, 0) != 0) return nullptr;
  const std::string name = identity.substr(0, cut);
  const std::string instanceId = identity.substr(cut + 1);
  const int n = PortNumberOf(std::string_view(name).substr(kDevicePrefix.size() - 3));
  if (n == 0 || DeviceNameFor(n) != name || instanceId.empty()) return nullptr;
  if (calls_.InstanceIdOf(n) != instanceId) return nullptr;  // another device has the number
  SerialOpenOptions quiet = options;
  quiet.quiet = true;
  return Open(n, quiet);
}

std::string SystemCommCalls::InstanceIdOf(int portNumber) {
  for (const PortEntry& e : PortDevices()) {
    if (PortNumberOf(e.portName) == portNumber) return e.instanceId;
  }
  return {};
}

std::vector<PortInfo> Win32SerialSystem::ListPorts() {
  return MergePorts(PortDevices(), RegisteredPorts());
}

}  // namespace tavolin::win32
