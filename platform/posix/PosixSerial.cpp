#include "platform/posix/PosixSerial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "platform/posix/PosixOs.h"

namespace tavolin::posix {
namespace fs = std::filesystem;

SerialNaming LinuxSerialNaming() {
  return {{"ttyUSB", "ttyACM"}, {"ttyS", "ttyAMA", "ttymxc"}, true};
}

SerialNaming MacSerialNaming() {
  return {{"cu.usbserial", "cu.usbmodem", "cu.SLAB_USBtoUART", "cu.wchusbserial"}, {"cu."}, false};
}

bool NaturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t ei = i;
      std::size_t ej = j;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      std::string_view da = a.substr(i, ei - i);
      std::string_view db = b.substr(j, ej - j);
      while (da.size() > 1 && da.front() == '0') da.remove_prefix(1);
      while (db.size() > 1 && db.front() == '0') db.remove_prefix(1);
      if (da.size() != db.size()) return da.size() < db.size();
      if (da != db) return da < db;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return (a.size() - i) < (b.size() - j) || ((a.size() - i) == (b.size() - j) && a < b);
}

namespace {

speed_t SpeedFor(int bitsPerSecond, bool& known) {
  struct Rate {
    int bps;
    speed_t speed;
  };
  static constexpr Rate kRates[] = {
      {50, B50},       {75, B75},         {110, B110},       {134, B134},     {150, B150},
      {200, B200},     {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
      {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
      {57600, B57600}, {115200, B115200}, {230400, B230400},
  };
  for (const Rate& r : kRates) {
    if (r.bps == bitsPerSecond) {
      known = true;
      return r.speed;
    }
  }
  known = false;
  return B0;
}

void SetStopBits(termios& t, StopBits stopBits) {
  if (stopBits == StopBits::Two) {
    t.c_cflag |= CSTOPB;
  } else {
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
  }
}

// Raw: no line editing, no translation, no signals, no flow control; 8N1 plus the stop bits.
void MakeRaw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD);
#ifdef CRTSCTS  // not POSIX, but every system with hardware flow control names it so
  t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

std::int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

class PosixSerialDevice : public SerialDevice {
 public:
  PosixSerialDevice(int fd, int writeStallMs, std::string identity)
      : fd_(fd), writeStallMs_(writeStallMs), identity_(std::move(identity)) {}
  ~PosixSerialDevice() override {
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // releases the flock as well
  }
  PosixSerialDevice(const PosixSerialDevice&) = delete;
  PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

  // The whole configuration of a freshly opened port.
  bool Setup(int bitsPerSecond, StopBits stopBits) {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return false;
    MakeRaw(t);
    return Apply(t, bitsPerSecond, stopBits);
  }

  // The rate changes on this descriptor: the modem lines stay as they are (closing and opening
  // again would drop DTR, and the exclusive open forbids a second descriptor).
  bool Configure(int bitsPerSecond, StopBits stopBits) override {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return false;
    return Apply(t, bitsPerSecond, stopBits);
  }

  bool SetDtr(bool on) override { return SetLine(TIOCM_DTR, on); }
  bool SetRts(bool on) override { return SetLine(TIOCM_RTS, on); }
  bool PurgeInput() override { return ::tcflush(fd_, TCIFLUSH) == 0; }

  long Write(const std::uint8_t* bytes, std::size_t n) override {
    std::size_t done = 0;
    std::int64_t lastProgress = MonotonicMs();
    while (done < n) {
      const ssize_t w = ::write(fd_, bytes + done, n - done);
      if (w > 0) {
        done += static_cast<std::size_t>(w);
        lastProgress = MonotonicMs();
        continue;
      }
      if (w < 0 && errno == EINTR) continue;
      if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        return done > 0 ? static_cast<long>(done) : -1;
      }
      // The driver's queue is full: wait for room, but not for ever.
      const std::int64_t left = writeStallMs_ - (MonotonicMs() - lastProgress);
      if (left <= 0) break;
      pollfd p{fd_, POLLOUT, 0};
      const int r = ::poll(&p, 1, static_cast<int>(left));
      if (r < 0 && errno != EINTR) break;
      if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        return done > 0 ? static_cast<long>(done) : -1;
      }
    }
    return static_cast<long>(done);
  }

  long Read(std::uint8_t* buffer, std::size_t n) override {
    if (n == 0) return 0;
    const ssize_t r = ::read(fd_, buffer, n);
    if (r > 0) return static_cast<long>(r);
    if (r < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
    // A raw tty without VMIN reads 0 both when nothing waits and after a hang-up (the adapter
    // was unplugged); only poll tells them apart.
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return -1;
    return 0;
  }

  int ReadableHandle() const override { return fd_; }
  std::string Identity() const override { return identity_; }

 private:
  // A rate without a B constant is set after the rest, through the system's own interface; when
  // it has none the port keeps its former rate and the answer is false.
  bool Apply(termios& t, int bitsPerSecond, StopBits stopBits) {
    if (bitsPerSecond <= 0) return false;
    bool known = false;
    const speed_t speed = SpeedFor(bitsPerSecond, known);
    SetStopBits(t, stopBits);
    if (known) {
      ::cfsetispeed(&t, speed);
      ::cfsetospeed(&t, speed);
    }
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    return known || SetArbitraryRate(fd_, bitsPerSecond);
  }

  bool SetLine(int line, bool on) {
    int bits = line;
    return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
  }

  int fd_;
  int writeStallMs_;
  std::string identity_;
};

// An identity is the path COM n named, a line end, and what recognises the device behind it: "usb "
// and the adapter's vendor, product and serial number (or its place on the bus when it has no
// serial number), or "node " and the path's stamp (PathStamp) at the time of the loss.
constexpr std::string_view kUsbKind = "usb ";
constexpr std::string_view kNodeKind = "node ";

void SplitIdentity(const std::string& identity, std::string& path, std::string& kind) {
  const std::size_t cut = identity.find('\n');
  path = identity.substr(0, cut);
  kind = cut == std::string::npos ? std::string() : identity.substr(cut + 1);
}

// What tells a file at path apart from one made later under the same name: its device, inode
// and change time as lstat gives them for the name itself, a link not followed.  Empty when
// nothing is there.
std::string PathStamp(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' +
         std::to_string(ChangeTimeNs(st));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string ReadLineOf(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
    line.pop_back();
  }
  return line;
}

}  // namespace

PosixSerialSystem::PosixSerialSystem()
    : PosixSerialSystem("/dev", "/sys", DefaultSerialNaming(), std::cerr) {}

PosixSerialSystem::PosixSerialSystem(std::string devRoot, std::string sysRoot, SerialNaming naming,
                                     std::ostream& errors, int writeStallMs)
    : devRoot_(std::move(devRoot)),
      sysRoot_(std::move(sysRoot)),
      naming_(std::move(naming)),
      errors_(errors),
      writeStallMs_(writeStallMs) {}

bool PosixSerialSystem::HasHardware(const std::string& name) const {
  const fs::path tty = fs::path(sysRoot_) / "class" / "tty" / name;
  std::error_code ec;
  if (!fs::exists(tty / "device", ec)) return false;
  if (fs::exists(tty / "type", ec)) return ReadLineOf(tty / "type") != "0";  // 0: PORT_UNKNOWN
  return ProbeLegacyPortHardware(devRoot_ + "/" + name);
}

std::vector<std::string> PosixSerialSystem::ScanDevices() const {
  struct Candidate {
    std::size_t rank;
    std::string name;
  };
  std::vector<Candidate> found;
  std::error_code ec;
  for (fs::directory_iterator it(devRoot_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    auto rankOf = [&name](const std::vector<std::string>& prefixes) -> std::size_t {
      for (std::size_t i = 0; i < prefixes.size(); ++i) {
        if (name.size() > prefixes[i].size() &&
            name.compare(0, prefixes[i].size(), prefixes[i]) == 0) {
          return i;
        }
      }
      return prefixes.size();
    };
    const std::size_t usb = rankOf(naming_.usbPrefixes);
    if (usb < naming_.usbPrefixes.size()) {
      found.push_back({usb, name});
      continue;
    }
    const std::size_t other = rankOf(naming_.otherPrefixes);
    if (other == naming_.otherPrefixes.size()) continue;
    if (naming_.legacyNeedsHardware && !HasHardware(name)) continue;
    found.push_back({naming_.usbPrefixes.size() + other, name});
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return a.rank != b.rank ? a.rank < b.rank : NaturalLess(a.name, b.name);
  });
  std::vector<std::string> devices;
  devices.reserve(found.size());
  for (const Candidate& c : found) devices.push_back(devRoot_ + "/" + c.name);
  return devices;
}

std::string PosixSerialSystem::DeviceForPort(int portNumber) const {
  if (portNumber < 1) return {};
  const std::string var = std::string(kComEnvPrefix) + std::to_string(portNumber);
  const char* named = std::getenv(var.c_str());
  if (named != nullptr && named[0] != '\0') return named;
  const std::vector<std::string> devices = ScanDevices();
  if (static_cast<std::size_t>(portNumber) > devices.size()) return {};
  return devices[static_cast<std::size_t>(portNumber) - 1];
}

void PosixSerialSystem::Report(const SerialOpenOptions& options, int portNumber,
                               const std::string& device, std::string_view why) {
  lastFailure_ = why;
  if (options.quiet) return;
  errors_ << "COM" << portNumber;
  if (!device.empty()) errors_ << " (" << device << ")";
  errors_ << ": " << why << "\n";
  errors_.flush();
}

std::string OpenFailureText(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return std::string(kMissingDevice);
    case EACCES:
    case EPERM:
      return std::string(kPermissionDenied);
    case EBUSY:
      return std::string(kLockedDevice);
    default:
      return std::strerror(error);
  }
}

std::unique_ptr<SerialDevice> PosixSerialSystem::Open(int portNumber,
                                                      const SerialOpenOptions& options) {
  lastFailure_.clear();
  const std::string device = DeviceForPort(portNumber);
  if (device.empty()) {
    Report(options, portNumber, device, kNoNumberedDevice);
    return nullptr;
  }
  return OpenDevice(portNumber, device, options);
}

std::string PosixSerialSystem::Identify(const std::string& device) const {
  const std::string usb = UsbIdentity(device);
  return device + '\n' + (usb.empty() ? std::string(kNodeKind) + PathStamp(device) : usb);
}

std::string PosixSerialSystem::IdentityAtLoss(const std::string& identity) {
  std::string path;
  std::string kind;
  SplitIdentity(identity, path, kind);
  if (!StartsWith(kind, kNodeKind)) return identity;
  return path + '\n' + std::string(kNodeKind) + PathStamp(path);
}

std::unique_ptr<SerialDevice> PosixSerialSystem::Reopen(const std::string& identity,
                                                        const SerialOpenOptions& options) {
  std::string path;
  std::string kind;
  SplitIdentity(identity, path, kind);
  if (path.empty()) return nullptr;
  if (StartsWith(kind, kUsbKind)) {
    // The adapter tells who it is: only the same one counts.
    if (UsbIdentity(path) != kind) return nullptr;
  } else if (StartsWith(kind, kNodeKind)) {
    // Nothing tells who the device is: only a name made anew since the loss counts, never an old
    // link that starts to lead somewhere again, and never a pseudo-terminal named directly, whose
    // number the system hands to any program.
    const std::string now = PathStamp(path);
    if (now.empty() || std::string(kNodeKind) + now == kind) return nullptr;
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec)) && IsPseudoTerminal(path)) return nullptr;
  } else {
    return nullptr;
  }
  SerialOpenOptions quiet = options;
  quiet.quiet = true;
  return OpenDevice(0, path, quiet);
}

std::unique_ptr<SerialDevice> PosixSerialSystem::OpenDevice(int portNumber,
                                                            const std::string& device,
                                                            const SerialOpenOptions& options) {
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Report(options, portNumber, device, OpenFailureText(errno));
    return nullptr;
  }
  termios probe{};
  if (::tcgetattr(fd, &probe) != 0) {
    ::close(fd);
    Report(options, portNumber, device, kNotATerminal);
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    Report(options, portNumber, device, kLockedDevice);
    return nullptr;
  }
  ::ioctl(fd, TIOCEXCL);
  RequestLowLatency(fd);
  auto port = std::make_unique<PosixSerialDevice>(fd, writeStallMs_, Identify(device));
  if (!port->Setup(options.bitsPerSecond, options.stopBits)) {
    Report(options, portNumber, device, kRefusedSetup);
    return nullptr;
  }
  port->SetDtr(options.dtr);
  port->SetRts(options.rts);
  return port;
}

std::string PosixSerialSystem::StableName(const std::string& device) const {
  std::error_code ec;
  const fs::path target = fs::canonical(device, ec);
  if (ec) return {};
  const fs::path byId = fs::path(devRoot_) / "serial" / "by-id";
  for (fs::directory_iterator it(byId, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (fs::canonical(it->path(), ec2) == target && !ec2) return it->path().string();
  }
  return {};
}

fs::path PosixSerialSystem::UsbFolder(const std::string& device) const {
  // The tty's sysfs name: the device's own name, or where a link (a TAVOLIN_COM<n> name, a by-id
  // name) leads.
  std::error_code ec;
  std::vector<std::string> names = {fs::path(device).filename().string()};
  const fs::path target = fs::canonical(device, ec);
  if (!ec) names.push_back(target.filename().string());
  for (const std::string& name : names) {
    fs::path dir = fs::canonical(fs::path(sysRoot_) / "class" / "tty" / name / "device", ec);
    if (ec) continue;
    // The USB device (the directory with idVendor, product and serial) sits a level or two above
    // the tty's interface.
    for (int level = 0; level < 4 && !dir.empty(); ++level, dir = dir.parent_path()) {
      if (fs::exists(dir / "idVendor", ec)) return dir;
      if (dir == dir.root_path()) break;
    }
  }
  return {};
}

std::string PosixSerialSystem::UsbIdentity(const std::string& device) const {
  const fs::path dir = UsbFolder(device);
  if (dir.empty()) return {};
  std::string serial = ReadLineOf(dir / "serial");
  if (serial.empty()) serial = "@" + dir.filename().string();  // the same socket on the same hub
  return std::string(kUsbKind) + ReadLineOf(dir / "idVendor") + ":" +
         ReadLineOf(dir / "idProduct") + ":" + serial;
}

std::string PosixSerialSystem::Description(const std::string& device) const {
  const fs::path dir = UsbFolder(device);
  if (dir.empty()) return {};
  const std::string product = ReadLineOf(dir / "product");
  const std::string maker = ReadLineOf(dir / "manufacturer");
  if (!product.empty() && !maker.empty()) return product + " (" + maker + ")";
  return product.empty() ? maker : product;
}

std::vector<PortInfo> PosixSerialSystem::ListPorts() {
  const std::vector<std::string> devices = ScanDevices();
  std::vector<PortInfo> ports;
  const int last = std::max<int>(kHighestListedPort, static_cast<int>(devices.size()));
  for (int n = 1; n <= last; ++n) {
    const std::string var = std::string(kComEnvPrefix) + std::to_string(n);
    const char* named = std::getenv(var.c_str());
    PortInfo info;
    info.number = n;
    if (named != nullptr && named[0] != '\0') {
      info.device = named;
      info.description = var;
    } else if (static_cast<std::size_t>(n) <= devices.size()) {
      info.device = devices[static_cast<std::size_t>(n) - 1];
      info.description = Description(info.device);
    } else {
      continue;
    }
    info.stableName = StableName(info.device);
    ports.push_back(std::move(info));
  }
  return ports;
}

}  // namespace tavolin::posix
