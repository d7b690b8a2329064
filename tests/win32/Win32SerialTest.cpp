// The Win32 serial backend against a fake of the calls it makes: the device name, the DCB and
// time-outs it sets, what it tells when an open fails, and how reads and writes behave when the
// driver takes bytes slowly, stalls or the adapter vanishes.  The fake plays Windows where Wine
// differs (Windows refuses a second open; an unplugged adapter fails its reads).  A few cases run
// against the real system calls as far as Wine has them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Win32Serial.h"

namespace tavolin::win32 {
namespace {

class FakeComm : public CommCalls {
 public:
  // Names that open, and the error every other name gives.
  std::map<std::string, int> ports;  // name -> open count
  DWORD missingError = ERROR_FILE_NOT_FOUND;
  DWORD lastError = 0;
  BOOL getStateOk = TRUE, setStateOk = TRUE, timeoutsOk = TRUE, escapeOk = TRUE;
  DCB state{};
  COMMTIMEOUTS timeouts{};
  std::vector<DWORD> escapes;
  std::vector<DWORD> purges;
  std::vector<std::pair<DWORD, DWORD>> queues;
  // What each WriteFile takes: a count, or -1 for a failed call; once none is left, all.
  std::deque<long> writeSteps;
  std::string written;
  std::string incoming;
  std::map<HANDLE, std::string> open;

  HANDLE OpenDevice(const std::string& name) override {
    auto it = ports.find(name);
    if (it == ports.end()) {
      lastError = missingError;
      return INVALID_HANDLE_VALUE;
    }
    if (it->second > 0) {  // a second open is refused, as Windows does
      lastError = ERROR_ACCESS_DENIED;
      return INVALID_HANDLE_VALUE;
    }
    ++it->second;
    HANDLE h = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x100 + open.size() * 4));
    open[h] = name;
    return h;
  }
  DWORD LastError() override { return lastError; }
  std::map<int, std::string> instanceIds;  // what SetupAPI says has COM<n> now
  std::string InstanceIdOf(int n) override {
    const auto it = instanceIds.find(n);
    return it == instanceIds.end() ? std::string() : it->second;
  }
  BOOL SetupComm(HANDLE, DWORD in, DWORD out) override {
    queues.emplace_back(in, out);
    return TRUE;
  }
  BOOL GetCommState(HANDLE, DCB* dcb) override {
    if (getStateOk) *dcb = state;
    return getStateOk;
  }
  BOOL SetCommState(HANDLE, DCB* dcb) override {
    if (setStateOk) state = *dcb;
    return setStateOk;
  }
  BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS* t) override {
    if (timeoutsOk) timeouts = *t;
    return timeoutsOk;
  }
  BOOL EscapeCommFunction(HANDLE, DWORD f) override {
    escapes.push_back(f);
    return escapeOk;
  }
  BOOL PurgeComm(HANDLE, DWORD flags) override {
    purges.push_back(flags);
    return TRUE;
  }
  // The arrival watcher asks from its own thread: incoming and gone change under this lock
  // while a watcher runs.
  std::mutex lock;
  bool gone = false;  // the driver no longer answers
  void Feed(const std::string& bytes) {
    std::lock_guard<std::mutex> hold(lock);
    incoming += bytes;
  }
  void Vanish() {
    std::lock_guard<std::mutex> hold(lock);
    gone = true;
  }
  BOOL BytesWaiting(HANDLE, DWORD* n) override {
    std::lock_guard<std::mutex> hold(lock);
    *n = static_cast<DWORD>(incoming.size());
    return gone ? FALSE : TRUE;
  }
  BOOL ReadFile(HANDLE, void* buffer, DWORD n, DWORD* got) override {
    std::lock_guard<std::mutex> hold(lock);
    *got = 0;
    if (gone) return FALSE;
    const DWORD take = std::min<DWORD>(n, static_cast<DWORD>(incoming.size()));
    std::memcpy(buffer, incoming.data(), take);
    incoming.erase(0, take);
    *got = take;
    return TRUE;
  }
  BOOL WriteFile(HANDLE, const void* bytes, DWORD n, DWORD* put) override {
    long step = n;
    if (!writeSteps.empty()) {
      step = writeSteps.front();
      writeSteps.pop_front();
    }
    *put = 0;
    if (step < 0) return FALSE;
    const DWORD take = std::min<DWORD>(n, static_cast<DWORD>(step));
    written.append(static_cast<const char*>(bytes), take);
    *put = take;
    return TRUE;
  }
  BOOL CloseHandle(HANDLE h) override {
    auto it = open.find(h);
    if (it == open.end()) return FALSE;  // a handle closed twice, or never opened
    --ports[it->second];
    open.erase(it);
    return TRUE;
  }
};

// The DCB's flag word: the 32 bits after DCBlength and BaudRate.
DWORD FlagWord(const DCB& dcb) {
  DWORD word = 0;
  std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + 2 * sizeof(DWORD), sizeof(word));
  return word;
}

// COM2 on comm, opened with the default options.
std::unique_ptr<SerialDevice> OpenCom2(FakeComm& comm, std::ostringstream& errors) {
  comm.ports["\\\\.\\COM2"] = 0;
  return Win32SerialSystem(comm, errors).Open(2, SerialOpenOptions{});
}

TEST(Win32Serial, TheDcbKeepsTheDriversFieldsButReplacesTheWholeFlagWord) {
  DCB base{};
  std::memset(&base, 0xFF, sizeof(base));  // every flag set, as a driver might leave them
  base.XonLim = 11;
  base.XoffLim = 22;
  base.EvtChar = 'e';
  // The other rate, stop bits and DTR are the open's and the rate change's below.
  const DCB dcb = ConfiguredDcb(base, 9600, StopBits::One, false, false);
  EXPECT_EQ(FlagWord(dcb), 0x01u) << "binary mode alone";
  EXPECT_EQ(dcb.BaudRate, 9600u);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
  EXPECT_EQ(dcb.XonLim, 11);
  EXPECT_EQ(dcb.XoffLim, 22);
  EXPECT_EQ(dcb.EvtChar, 'e');
}

TEST(Win32Serial, OpenConfiguresThePortAndLineControlPurgeAndRateChangeUseTheirOwnCalls) {
  FakeComm comm;
  comm.ports["\\\\.\\COM12"] = 0;
  std::ostringstream errors;
  Win32SerialSystem system(comm, errors, 700);
  auto port = system.Open(12, SerialOpenOptions{});
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(comm.queues, (std::vector<std::pair<DWORD, DWORD>>{{65536, 1024}}));
  EXPECT_EQ(comm.state.BaudRate, 115200u);
  EXPECT_EQ(comm.state.StopBits, TWOSTOPBITS);
  EXPECT_EQ(FlagWord(comm.state), 0x11u) << "DTR on from the open";
  const COMMTIMEOUTS neverWaitingReads{MAXDWORD, 0, 0, 0, 700};
  EXPECT_EQ(std::memcmp(&comm.timeouts, &neverWaitingReads, sizeof(COMMTIMEOUTS)), 0);
  EXPECT_TRUE(comm.escapes.empty()) << "the lines come from the DCB at open";

  EXPECT_TRUE(port->SetDtr(true));
  EXPECT_TRUE(port->SetDtr(false));
  EXPECT_TRUE(port->SetRts(true));
  EXPECT_TRUE(port->SetRts(false));
  EXPECT_EQ(comm.escapes, (std::vector<DWORD>{SETDTR, CLRDTR, SETRTS, CLRRTS}));
  EXPECT_TRUE(port->PurgeInput());
  EXPECT_EQ(comm.purges, std::vector<DWORD>{PURGE_RXCLEAR}) << "the transmit side is left alone";

  EXPECT_TRUE(port->Configure(9600, StopBits::One));
  EXPECT_EQ(comm.state.BaudRate, 9600u);
  EXPECT_EQ(comm.state.StopBits, ONESTOPBIT);
  // The open enabled DTR, the pulse above left it clear: the new state writes it clear, so that
  // the rate change does not raise it (and reset the chip) again.
  EXPECT_EQ(comm.state.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
  EXPECT_EQ(comm.state.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
  EXPECT_EQ(FlagWord(comm.state), 0x01u) << "the other flags stay";
  EXPECT_TRUE(port->SetDtr(true));
  EXPECT_TRUE(port->Configure(2000000, StopBits::One));
  EXPECT_EQ(comm.state.BaudRate, 2000000u) << "any rate goes to the driver as it is";
  EXPECT_EQ(comm.state.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));

  // A device without modem lines (Wine's pseudo-terminals) refuses quietly.
  comm.escapeOk = FALSE;
  EXPECT_FALSE(port->SetDtr(true));
  EXPECT_FALSE(port->SetRts(false));
  EXPECT_EQ(errors.str(), "");
  port.reset();
  EXPECT_TRUE(comm.open.empty()) << "closed";
}

// A port that opens but refuses its setup is closed again and not handed out.
TEST(Win32Serial, AFailedOpenTellsTheSystemsReasonUnlessItIsAProbe) {
  struct Case {
    const char* what;
    DWORD error;  // what opening a missing port gives
    bool alreadyOpen;
    int refusing;  // 1: GetCommState fails, 2: SetCommState, 3: SetCommTimeouts; 0: none
    std::string_view expected;
  };
  const Case cases[] = {
      {"missing", ERROR_FILE_NOT_FOUND, false, 0, kNoSuchPort},
      {"missing path", ERROR_PATH_NOT_FOUND, false, 0, kNoSuchPort},
      {"in use", ERROR_FILE_NOT_FOUND, true, 0, kPortInUse},
      {"shared", ERROR_SHARING_VIOLATION, false, 0, kPortShared},
      // A Bluetooth port whose far end does not answer: in the system's own words, one line.
      {"unlisted", ERROR_SEM_TIMEOUT, false, 0, ""},
      {"unknown to the system", 0xDEAD, false, 0, ""},
      {"no DCB", 0, false, 1, kNotSerial},
      {"DCB refused", 0, false, 2, kRefusedSetup},
      {"time-outs refused", 0, false, 3, kRefusedSetup},
  };
  for (const Case& c : cases) {
    for (bool quiet : {false, true}) {
      FakeComm comm;
      comm.missingError = c.error;
      comm.getStateOk = c.refusing != 1;
      comm.setStateOk = c.refusing != 2;
      comm.timeoutsOk = c.refusing != 3;
      if (c.alreadyOpen || c.refusing != 0) comm.ports["\\\\.\\COM4"] = 0;
      std::unique_ptr<SerialDevice> first;
      std::ostringstream errors;
      Win32SerialSystem system(comm, errors);
      if (c.alreadyOpen) {
        first = system.Open(4, SerialOpenOptions{});
        ASSERT_NE(first, nullptr);
      }
      SerialOpenOptions options;
      options.quiet = quiet;
      EXPECT_EQ(system.Open(4, options), nullptr) << c.what;
      EXPECT_EQ(comm.open.size(), c.alreadyOpen ? 1u : 0u) << c.what;
      const std::string text = errors.str();
      const std::string prefix = "COM4 (\\\\.\\COM4): ";
      if (quiet) {
        EXPECT_EQ(text, "") << c.what;
      } else if (c.expected.empty()) {
        EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
        EXPECT_GT(text.size(), prefix.size() + 1) << text;
        EXPECT_EQ(text.find_first_of("\r\n"), text.size() - 1) << text;
      } else {
        EXPECT_EQ(text, prefix + std::string(c.expected) + "\n") << c.what;
      }
    }
  }
}

// Only the device that had the number comes back by itself: the same device instance id must have
// the COM name again.
TEST(Win32Serial, ALostPortIsTakenBackOnlyWhenTheSameDeviceHasItsNumber) {
  struct Case {
    const char* what;
    std::string identity;
    bool present;
    std::string instanceNow;  // the device instance id that has COM5 now
    bool reopened;
  };
  const std::string adapter = "FTDIBUS\\VID_0403+PID_6001+A1\\0000";
  const std::string com5 = "\\\\.\\COM5\n";
  const Case cases[] = {
      {"the same adapter", com5 + adapter, true, adapter, true},
      {"another adapter got the number", com5 + adapter, true,
       "FTDIBUS\\VID_0403+PID_6001+B2\\0000", false},
      {"not back yet", com5 + adapter, false, "", false},
      {"no device node at the open", com5, true, "", false},
      {"a name with a leading zero", "\\\\.\\COM05\n" + adapter, true, adapter, false},
      {"a POSIX identity", "/dev/ttyUSB0\nnode 1", true, adapter, false},
      {"nothing", "", true, adapter, false},
  };
  for (const Case& c : cases) {
    FakeComm comm;
    if (c.present) comm.ports["\\\\.\\COM5"] = 0;
    comm.instanceIds[5] = c.instanceNow;
    std::ostringstream errors;
    Win32SerialSystem system(comm, errors);
    auto port = system.Reopen(c.identity, SerialOpenOptions{115200, StopBits::Two, false});
    EXPECT_EQ(port != nullptr, c.reopened) << c.what;
    EXPECT_EQ(comm.ports.count("\\\\.\\COM5") != 0 && comm.ports["\\\\.\\COM5"] > 0, c.reopened)
        << c.what << ": opened";
    if (port) {
      EXPECT_EQ(port->Identity(), c.identity);
      EXPECT_EQ(comm.state.BaudRate, 115200u) << "configured as Open does";
      EXPECT_EQ(FlagWord(comm.state), 0x01u) << "DTR as asked";
      EXPECT_EQ(comm.timeouts.ReadIntervalTimeout, MAXDWORD);
    }
    EXPECT_EQ(errors.str(), "") << c.what;
  }
}

TEST(Win32Serial, WritesCompleteWhileTheDriverMakesProgress) {
  struct Case {
    const char* what;
    std::vector<long> steps;
    long result;
    std::string written;
  };
  const std::string data = "0123456789";
  const Case cases[] = {
      {"at once", {}, 10, data},
      {"in pieces", {3, 4, 2}, 10, data},
      {"stalls after 4", {4, 0}, 4, "0123"},
      {"stalls at once", {0}, 0, ""},
      {"gone at once (Wine: error 21)", {-1}, -1, ""},
      {"gone after 6", {6, -1}, 6, "012345"},
  };
  for (const Case& c : cases) {
    FakeComm comm;
    std::ostringstream errors;
    auto port = OpenCom2(comm, errors);
    ASSERT_NE(port, nullptr);
    comm.writeSteps.assign(c.steps.begin(), c.steps.end());
    EXPECT_EQ(port->Write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()),
              c.result)
        << c.what;
    EXPECT_EQ(comm.written, c.written) << c.what;
  }
}

// The readable handle is the watcher's event, from the open until the port closes: set for the
// bytes that arrive and for an adapter that vanishes, so that the read finds the loss, and never
// for nothing.  A read takes what is there, up to its room.
TEST(Win32Serial, TheReadableEventIsSetByTheWatcherThread) {
  FakeComm comm;
  std::ostringstream errors;
  EXPECT_EQ(OpenCom2(comm, errors)->ReadableHandle(), -1) << "no watcher asked for";
  Win32SerialSystem system(comm, errors, kWriteStallMs, kArrivalPollMs);
  auto port = system.Open(2, SerialOpenOptions{});
  ASSERT_NE(port, nullptr);
  ASSERT_NE(port->ReadableHandle(), -1);
  const HANDLE event = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(port->ReadableHandle()));
  constexpr DWORD kPatienceMs = 10000;  // a bound for a loaded machine, not a pace
  EXPECT_FALSE(ArrivalsWaiting(comm, reinterpret_cast<HANDLE>(0x100))) << "nothing has arrived";

  std::uint8_t buffer[16] = {};
  const auto read = [&port, &buffer](std::size_t room) {
    const long n = port->Read(buffer, room);
    return n < 0 ? std::string("failed") : std::string(reinterpret_cast<char*>(buffer), n);
  };
  comm.Feed("abcdefgh");
  ASSERT_EQ(::WaitForSingleObject(event, kPatienceMs), WAIT_OBJECT_0);
  EXPECT_EQ(read(5), "abcde");
  EXPECT_EQ(read(16), "fgh");
  EXPECT_EQ(read(16), "");

  comm.Vanish();
  ASSERT_EQ(::WaitForSingleObject(event, kPatienceMs), WAIT_OBJECT_0);
  EXPECT_EQ(read(16), "failed");
  port.reset();
  EXPECT_TRUE(comm.open.empty()) << "each port closed, the watcher stopped first";
}

TEST(Win32Serial, PortNamesGiveTheirNumbers) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"COM1", 1}, {"COM12", 12}, {"com3", 3},  {"Com255", 255}, {"COM256", 0}, {"COM0", 0},
      {"COM", 0},  {"LPT1", 0},   {"COM1A", 0}, {"", 0},         {"CNCA0", 0},  {"COM007", 7}};
  for (const auto& [name, n] : cases) EXPECT_EQ(PortNumberOf(name), n) << name;
}

TEST(Win32Serial, ThePortListHasOneEntryPerNumberInOrderWithTheDevicesNames) {
  const std::vector<PortEntry> devices = {
      {"COM10", "USB Serial Port (COM10)", "FTDIBUS\\VID_0403+PID_6001+A1\\0000"},
      {"COM3", "Communications Port (COM3)", "ACPI\\PNP0501\\1"},
      {"LPT1", "Printer Port (LPT1)", "ACPI\\PNP0400\\1"},
      {"", "A device without a port name", "X\\1"},
  };
  const std::vector<std::string> registered = {"COM10", "COM4", "COM3", "junk"};
  std::string listed;
  for (const PortInfo& p : MergePorts(devices, registered)) {
    listed += std::to_string(p.number) + " " + p.device + " [" + p.description + "] " +
              p.stableName + "\n";
  }
  // COM4 is registered without a device node.
  EXPECT_EQ(listed,
            "3 \\\\.\\COM3 [Communications Port (COM3)] ACPI\\PNP0501\\1\n"
            "4 \\\\.\\COM4 [] \n"
            "10 \\\\.\\COM10 [USB Serial Port (COM10)] FTDIBUS\\VID_0403+PID_6001+A1\\0000\n");
}

// The real calls, as far as Wine has them: a port number that nothing maps to.
TEST(Win32SerialSystemCalls, AMissingPortIsToldAsMissing) {
  std::ostringstream errors;
  SystemCommCalls calls;
  Win32SerialSystem system(calls, errors);
  EXPECT_EQ(system.Open(251, SerialOpenOptions{}), nullptr);
  EXPECT_EQ(errors.str(), "COM251 (\\\\.\\COM251): " + std::string(kNoSuchPort) + "\n");
  // Listing the ports never fails, whatever the machine has.
  for (const PortInfo& p : system.ListPorts()) EXPECT_EQ(p.device, DeviceNameFor(p.number));
}

}  // namespace
}  // namespace tavolin::win32
