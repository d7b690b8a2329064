// The termios backend against a real pseudo-terminal pair (TAVOLIN_COM<n> names the slave), and
// the port order on a made-up /dev and /sys tree.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fake/VirtualClock.h"
#include "platform/posix/PosixSerial.h"
#include "serial/SerialPort.h"
#include "tests/TempDir.h"

namespace tavolin::posix {
namespace {

namespace fs = std::filesystem;

constexpr int kPort = 41;

// A pseudo-terminal pair.
struct Pty {
  int master = -1;
  std::string slave;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
  }
  ~Pty() {
    if (master >= 0) ::close(master);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
};

// What the far end has received, waiting (on the descriptor, bounded) until want bytes came.
std::string ReadFar(int master, std::size_t want) {
  std::string got;
  while (got.size() < want) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) break;
    char buffer[256];
    const ssize_t r = ::read(master, buffer, sizeof buffer);
    if (r <= 0) break;
    got.append(buffer, static_cast<std::size_t>(r));
  }
  return got;
}

// A pseudo-terminal whose slave is COM 41.  The test keeps its own slave descriptor open (taken
// before the backend's exclusive open), so it can look at the settings and the line stays up.
class PtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(pty_->slave.empty());
    slave_ = ::open(pty_->slave.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave_, 0);
    setenv("TAVOLIN_COM41", pty_->slave.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TAVOLIN_COM41");
    if (slave_ >= 0) ::close(slave_);
  }

  std::unique_ptr<SerialDevice> OpenPort(int bps = 115200, StopBits stop = StopBits::Two) {
    SerialOpenOptions options;
    options.bitsPerSecond = bps;
    options.stopBits = stop;
    return system_.Open(kPort, options);
  }

  std::unique_ptr<Pty> pty_ = std::make_unique<Pty>();
  int slave_ = -1;
  std::ostringstream errors_;
  PosixSerialSystem system_{"/dev", "/sys", LinuxSerialNaming(), errors_, 20};
};

TEST_F(PtyTest, BytesTravelBothWaysAndReadsNeverWait) {
  auto port = OpenPort();
  ASSERT_NE(port, nullptr) << errors_.str();
  std::uint8_t buffer[1024];
  EXPECT_EQ(port->Read(buffer, sizeof buffer), 0);  // nothing there: at once

  const std::uint8_t out[] = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0x7F, 0xFF, 'A'};
  ASSERT_EQ(port->Write(out, sizeof out), static_cast<long>(sizeof out));
  EXPECT_EQ(ReadFar(pty_->master, sizeof out),
            std::string(reinterpret_cast<const char*>(out), sizeof out));

  const std::string in = std::string("\x00\r\n\x03\x11\x13\xFF", 7) + "xyz";
  ASSERT_EQ(::write(pty_->master, in.data(), in.size()), static_cast<ssize_t>(in.size()));
  std::string got;
  for (int tries = 0; tries < 1000 && got.size() < in.size(); ++tries) {
    pollfd p{port->ReadableHandle(), POLLIN, 0};
    ::poll(&p, 1, 2000);
    const long r = port->Read(buffer, sizeof buffer);
    ASSERT_GE(r, 0);
    got.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(r));
  }
  EXPECT_EQ(got, in);  // raw: no CR/LF translation, no XON/XOFF, no signals
  EXPECT_EQ(port->Read(buffer, sizeof buffer), 0);
}

TEST_F(PtyTest, RateAndStopBitsAreVisibleOnTheLine) {
  struct Case {
    int bps;
    StopBits stop;
    speed_t speed;
  };
  const Case cases[] = {{115200, StopBits::Two, B115200},
                        {57600, StopBits::One, B57600},
                        {1200, StopBits::One, B1200}};
  for (const Case& c : cases) {
    auto port = OpenPort(c.bps, c.stop);
    ASSERT_NE(port, nullptr) << errors_.str();
    termios t{};
    ASSERT_EQ(::tcgetattr(slave_, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), c.speed) << c.bps;
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stop == StopBits::Two) << c.bps;
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  }
  auto port = OpenPort();
  ASSERT_NE(port, nullptr);
  ASSERT_TRUE(port->Configure(9600, StopBits::One));
  termios t{};
  ASSERT_EQ(::tcgetattr(slave_, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(t.c_lflag & ICANON, 0u);  // the rest stays raw
  // A rate with no B constant goes through the kernel's arbitrary-rate interface.
  EXPECT_TRUE(port->Configure(12345, StopBits::One));
}

// The second opener may be another instance of the program: it learns why, for its box.
TEST_F(PtyTest, SecondOpenerIsRefusedAndToldWhy) {
  auto first = OpenPort();
  ASSERT_NE(first, nullptr) << errors_.str();
  EXPECT_EQ(system_.OpenFailure(), "");
  std::ostringstream otherErrors;
  PosixSerialSystem other{"/dev", "/sys", LinuxSerialNaming(), otherErrors, 20};
  EXPECT_EQ(other.Open(kPort, SerialOpenOptions{}), nullptr);
  EXPECT_EQ(other.OpenFailure(), kLockedDevice);
  EXPECT_NE(otherErrors.str().find("locked by another process"), std::string::npos)
      << otherErrors.str();
  first.reset();
  EXPECT_NE(OpenPort(), nullptr) << "closing releases the port";
}

TEST_F(PtyTest, PurgeDiscardsWaitingInput) {
  auto port = OpenPort();
  ASSERT_NE(port, nullptr);
  ASSERT_EQ(::write(pty_->master, "stale", 5), 5);
  pollfd p{port->ReadableHandle(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 2000), 1);
  EXPECT_TRUE(port->PurgeInput());
  std::uint8_t buffer[16];
  EXPECT_EQ(port->Read(buffer, sizeof buffer), 0);
  ASSERT_EQ(::write(pty_->master, "new", 3), 3);
  ASSERT_EQ(::poll(&p, 1, 2000), 1);
  EXPECT_EQ(port->Read(buffer, sizeof buffer), 3);
}

// A pseudo-terminal has no modem lines: the reset pulse on either line goes by without a word.
TEST_F(PtyTest, LineControlFailsQuietlyAndTheResetPulseReturns) {
  fake::VirtualClock clock;
  SerialPort port(system_, clock);
  ASSERT_TRUE(port.Open(kPort, 0, 0)) << errors_.str();
  port.PulseReset(0);
  port.PulseReset(1);
  const std::uint8_t byte = 'k';
  EXPECT_EQ(port.WriteRaw(&byte, 1), 1);
  EXPECT_EQ(ReadFar(pty_->master, 1), "k");
  EXPECT_EQ(errors_.str(), "");
}

TEST_F(PtyTest, StalledWriteGivesUpWithTheShortCount) {
  auto port = OpenPort();
  ASSERT_NE(port, nullptr);
  const std::vector<std::uint8_t> lots(4 * 1024 * 1024, 'x');  // far more than the pty buffers
  const long written = port->Write(lots.data(), lots.size());
  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<long>(lots.size()));
}

TEST_F(PtyTest, VanishedFarEndFailsReadsAndWrites) {
  auto port = OpenPort();
  ASSERT_NE(port, nullptr);
  pty_.reset();
  std::uint8_t byte = 'x';
  EXPECT_EQ(port->Read(&byte, 1), -1);
  EXPECT_EQ(port->Write(&byte, 1), -1);
  pollfd p{port->ReadableHandle(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 0), 1);
  EXPECT_NE(p.revents & POLLHUP, 0) << "the handle a window watches reports the hang-up";
}

// COM 41 is a symlink, as TAVOLIN_COM<n> may name one; the device behind it is replaced the way
// an adapter is unplugged and plugged in again.
class ReplacedDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "dev" / "serial" / "by-id");
    fs::create_directories(root_ / "sys");
    ASSERT_FALSE(first_->slave.empty());
    Point(link(), first_->slave);
    setenv("TAVOLIN_COM41", link().c_str(), 1);
  }
  void TearDown() override { unsetenv("TAVOLIN_COM41"); }
  fs::path link() const { return root_ / "com41"; }
  static void Point(const fs::path& at, const std::string& target) {
    fs::remove(at);
    fs::create_symlink(target, at);
  }
  // COM n opened, then the first terminal's far end closes and the port sees it at its next read.
  std::unique_ptr<SerialPort> OpenAndLose(int n) {
    auto port = std::make_unique<SerialPort>(system_, clock_);
    EXPECT_TRUE(port->Open(n, 0, 0)) << errors_.str();
    first_.reset();
    std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
    EXPECT_EQ(port->ReadRaw(buffer.data()), 0);
    EXPECT_TRUE(port->Lost());
    return port;
  }

  testing::TempDir dir_;
  fs::path root_ = dir_.Folder();
  std::unique_ptr<Pty> first_ = std::make_unique<Pty>();
  std::ostringstream errors_;
  fake::VirtualClock clock_;
  PosixSerialSystem system_{(root_ / "dev").string(), (root_ / "sys").string(), LinuxSerialNaming(),
                            errors_, 20};
};

TEST_F(ReplacedDeviceTest, TheLostPortIsTakenBackBehindTheSameName) {
  const auto port = OpenAndLose(41);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(port->ReadableHandle(), -1);
  EXPECT_TRUE(port->TakeLoss());
  EXPECT_FALSE(port->Reopen(0, 0)) << "nothing behind the name yet";
  Pty second;
  ASSERT_FALSE(second.slave.empty());
  Point(link(), second.slave);
  ASSERT_TRUE(port->Reopen(0, 0));
  EXPECT_FALSE(port->Lost());
  const std::uint8_t byte = 'k';
  EXPECT_EQ(port->WriteRaw(&byte, 1), 1);
  EXPECT_EQ(ReadFar(second.master, 1), "k");
  EXPECT_EQ(errors_.str(), "") << "automatic attempts say nothing";
}

// The settings of a terminal that someone else uses, to see that they stay as they were.
struct TerminalSettings {
  termios t{};
  explicit TerminalSettings(int fd) { ::tcgetattr(fd, &t); }
  bool operator==(const TerminalSettings& o) const {
    return t.c_iflag == o.t.c_iflag && t.c_oflag == o.t.c_oflag && t.c_cflag == o.t.c_cflag &&
           t.c_lflag == o.t.c_lflag && cfgetospeed(&t) == cfgetospeed(&o.t);
  }
};

// Another program's terminal, in use: echo and line editing on, 9600 bits per second.
int UseAsTerminal(const std::string& slave) {
  const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
  termios t{};
  ::tcgetattr(fd, &t);
  t.c_lflag |= ECHO | ICANON;
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  ::tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// The system hands the freed pseudo-terminal number to the next program that asks.  Whether COM
// 41 named it through a link that now dangles or directly, that terminal is not the lost device
// and is neither opened nor touched.
TEST_F(ReplacedDeviceTest, AnotherProgramsTerminalGivenTheFreedNumberIsLeftAlone) {
  for (const bool throughLink : {true, false}) {
    first_.reset();  // its number is the lowest free one, which the next terminal takes
    first_ = std::make_unique<Pty>();
    ASSERT_FALSE(first_->slave.empty());
    Point(link(), first_->slave);
    setenv("TAVOLIN_COM41", throughLink ? link().c_str() : first_->slave.c_str(), 1);
    const std::string freed = first_->slave;
    const auto port = OpenAndLose(41);
    Pty other;
    if (other.slave != freed) GTEST_SKIP() << "another process took the freed number first";
    const int fd = UseAsTerminal(other.slave);
    ASSERT_GE(fd, 0);
    const TerminalSettings before(fd);
    for (int attempt = 0; attempt < 3; ++attempt) {
      EXPECT_FALSE(port->Reopen(0, 0)) << (throughLink ? "link" : "direct");
    }
    EXPECT_TRUE(TerminalSettings(fd) == before) << "the other program's terminal was changed";
    ::close(fd);
  }
}

// A USB adapter says who it is (vendor, product, serial number in sysfs): when another adapter
// gets the freed name it is left alone, and the same adapter is taken back.
TEST_F(ReplacedDeviceTest, AUsbAdapterIsTakenBackOnlyWhenTheSameOneReturns) {
  unsetenv("TAVOLIN_COM41");  // COM 1 is the made-up tree's only adapter
  const fs::path dev = root_ / "dev";
  const fs::path usb = root_ / "sys" / "devices" / "usb1" / "1-1";
  fs::create_directories(usb / "1-1:1.0" / "ttyUSB0");
  std::ofstream(usb / "idVendor") << "0403\n";
  std::ofstream(usb / "idProduct") << "6001\n";
  std::ofstream(usb / "serial") << "A1\n";
  fs::create_directories(root_ / "sys" / "class" / "tty" / "ttyUSB0");
  fs::create_directory_symlink(usb / "1-1:1.0",
                               root_ / "sys" / "class" / "tty" / "ttyUSB0" / "device");
  Point(dev / "ttyUSB0", first_->slave);
  const auto port = OpenAndLose(1);
  Pty returned;  // the node that comes back under the same name
  Point(dev / "ttyUSB0", returned.slave);
  const int fd = UseAsTerminal(returned.slave);
  const TerminalSettings before(fd);
  std::ofstream(usb / "serial") << "B2\n";  // another FT232R
  EXPECT_FALSE(port->Reopen(0, 0)) << "another adapter of the same kind";
  EXPECT_TRUE(TerminalSettings(fd) == before);
  std::ofstream(usb / "serial") << "A1\n";
  EXPECT_TRUE(port->Reopen(0, 0)) << "the same adapter";
  EXPECT_EQ(errors_.str(), "");
  ::close(fd);
}

TEST(PosixSerialOpen, ReasonsForFailureGoToTheErrorStream) {
  const testing::TempDir dir;
  struct Case {
    const char* device;  // nullptr: no variable set
    std::string_view why;
  };
  const std::string missing = dir.File("ttyUSB9");
  const std::string plain = dir.Write("plain-file", "not a tty");
  const Case cases[] = {
      {missing.c_str(), kMissingDevice},
      {plain.c_str(), kNotATerminal},
      {nullptr, kNoNumberedDevice},
  };
  for (const Case& c : cases) {
    if (c.device != nullptr) {
      setenv("TAVOLIN_COM42", c.device, 1);
    } else {
      unsetenv("TAVOLIN_COM42");
    }
    std::ostringstream errors;
    PosixSerialSystem system(dir.File("dev"), dir.File("sys"), LinuxSerialNaming(), errors);
    EXPECT_EQ(system.Open(42, SerialOpenOptions{}), nullptr);
    EXPECT_EQ(system.OpenFailure(), c.why);
    EXPECT_NE(errors.str().find("COM42"), std::string::npos) << errors.str();
    EXPECT_NE(errors.str().find(c.why), std::string::npos) << errors.str();
    SerialOpenOptions probe;
    probe.quiet = true;
    std::ostringstream none;
    PosixSerialSystem quiet(dir.File("dev"), dir.File("sys"), LinuxSerialNaming(), none);
    EXPECT_EQ(quiet.Open(42, probe), nullptr);
    EXPECT_EQ(none.str(), "") << "a probe says nothing";
  }
  unsetenv("TAVOLIN_COM42");
}

// Each reason open() gives has its advice: the codes of a missing device and of a refused
// permission come in several spellings; a reason without advice of its own is the system's text.
TEST(PosixSerialOpen, EachOpenFailureHasItsOwnText) {
  const std::pair<int, std::string_view> cases[] = {
      {ENOENT, kMissingDevice},    {ENODEV, kMissingDevice},   {ENXIO, kMissingDevice},
      {EACCES, kPermissionDenied}, {EPERM, kPermissionDenied}, {EBUSY, kLockedDevice},
      {EIO, std::strerror(EIO)},
  };
  for (const auto& [error, text] : cases) EXPECT_EQ(OpenFailureText(error), text) << error;
}

// A made-up machine: three USB adapters, a real and two phantom legacy ports, a board UART.
class FakeTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS10",
                             "ttyAMA0", "tty0", "tty", "console", "ttyUSB", "null"}) {
      Touch(dev() / name);
    }
    const fs::path usbDev = sys() / "devices" / "usb1" / "1-1";
    Touch(usbDev / "idVendor", "0403");
    Touch(usbDev / "product", "FT232R USB UART");
    Touch(usbDev / "manufacturer", "FTDI");
    fs::create_directories(usbDev / "1-1:1.0" / "ttyUSB2");
    TtyLink("ttyUSB2", usbDev / "1-1:1.0" / "ttyUSB2");
    Legacy("ttyS0", "4");   // a 16550A
    Legacy("ttyS1", "0");   // phantom: type unknown
    Legacy("ttyS10", "4");  // natural order: after ttyS0
    // ttyS2 has no device behind it in sysfs at all.
    fs::create_directories(sys() / "class" / "tty" / "ttyS2");
    fs::create_directories(sys() / "devices" / "amba" / "uart0");
    TtyLink("ttyAMA0", sys() / "devices" / "amba" / "uart0");
    Touch(sys() / "class" / "tty" / "ttyAMA0" / "type", "91");
    fs::create_directories(dev() / "serial" / "by-id");
    fs::create_symlink("../../ttyUSB2", dev() / "serial" / "by-id" / "usb-FTDI_FT232R_A1-if00");
  }

  fs::path dev() const { return root_ / "dev"; }
  fs::path sys() const { return root_ / "sys"; }
  static void Touch(const fs::path& file, const std::string& text = "") {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  }
  void TtyLink(const std::string& name, const fs::path& deviceDir) {
    fs::create_directories(sys() / "class" / "tty" / name);
    fs::create_directory_symlink(deviceDir, sys() / "class" / "tty" / name / "device");
  }
  void Legacy(const std::string& name, const std::string& type) {
    fs::create_directories(sys() / "devices" / "platform" / "serial8250" / name);
    TtyLink(name, sys() / "devices" / "platform" / "serial8250" / name);
    Touch(sys() / "class" / "tty" / name / "type", type);
  }

  testing::TempDir dir_;
  fs::path root_ = dir_.Folder();
  std::ostringstream errors_;
};

TEST_F(FakeTreeTest, UsbAdaptersFirstThenRealPortsInNaturalOrder) {
  PosixSerialSystem system(dev().string(), sys().string(), LinuxSerialNaming(), errors_);
  std::vector<std::string> names;
  for (const std::string& d : system.ScanDevices()) names.push_back(fs::path(d).filename());
  const std::vector<std::string> expected = {"ttyUSB2", "ttyUSB10", "ttyACM0",
                                             "ttyS0",   "ttyS10",   "ttyAMA0"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(system.DeviceForPort(2), (dev() / "ttyUSB10").string());
  EXPECT_EQ(system.DeviceForPort(7), "");
  EXPECT_EQ(system.DeviceForPort(0), "");
}

TEST_F(FakeTreeTest, ListingNamesStableIdsDescriptionsAndOverrides) {
  setenv("TAVOLIN_COM2", "/dev/pts/77", 1);
  setenv("TAVOLIN_COM63", "/dev/pts/78", 1);
  PosixSerialSystem system(dev().string(), sys().string(), LinuxSerialNaming(), errors_);
  const std::vector<PortInfo> ports = system.ListPorts();
  unsetenv("TAVOLIN_COM2");
  unsetenv("TAVOLIN_COM63");
  const std::string d = dev().string() + "/";
  const std::vector<PortInfo> expected = {
      {1, d + "ttyUSB2", d + "serial/by-id/usb-FTDI_FT232R_A1-if00", "FT232R USB UART (FTDI)"},
      {2, "/dev/pts/77", "", "TAVOLIN_COM2"},
      {3, d + "ttyACM0", "", ""},
      {4, d + "ttyS0", "", ""},
      {5, d + "ttyS10", "", ""},
      {6, d + "ttyAMA0", "", ""},
      {63, "/dev/pts/78", "", "TAVOLIN_COM63"},
  };
  EXPECT_EQ(ports, expected);
}

TEST(NaturalLess, DigitRunsCompareByValue) {
  struct Case {
    const char* a;
    const char* b;
    bool less;
  };
  const Case cases[] = {
      {"ttyUSB2", "ttyUSB10", true},
      {"ttyUSB10", "ttyUSB2", false},
      {"ttyS0", "ttyS00", true},
      {"ttyS9", "ttyS9", false},
      {"cu.usbserial-A1", "cu.usbserial-B0", true},
      {"ttyS", "ttyS0", true},
      {"ttyACM1", "ttyAMA0", true},
  };
  for (const Case& c : cases) EXPECT_EQ(NaturalLess(c.a, c.b), c.less) << c.a << " " << c.b;
}

}  // namespace
}  // namespace tavolin::posix
