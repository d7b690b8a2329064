// Linux: ttyUSB and ttyACM adapters, legacy ttyS and board UARTs; TIOCGSERIAL tells a phantom
// ttyS (type unknown) from a real one and asks for low latency; xdg-open opens documents.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/posix/PosixOs.h"
#include "platform/posix/PosixSerial.h"

namespace tavolin::posix {

SerialNaming DefaultSerialNaming() {
  return LinuxSerialNaming();
}

bool ProbeLegacyPortHardware(const std::string& devicePath) {
  const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;  // cannot ask (no rights): keep it
  serial_struct info{};
  const bool known = ::ioctl(fd, TIOCGSERIAL, &info) != 0 || info.type != PORT_UNKNOWN;
  ::close(fd);
  return known;
}

void RequestLowLatency(int fd) {
  serial_struct info{};
  if (::ioctl(fd, TIOCGSERIAL, &info) != 0) return;  // not a UART driver (a pseudo-terminal)
  if ((info.flags & ASYNC_LOW_LATENCY) != 0) return;
  info.flags |= ASYNC_LOW_LATENCY;
  ::ioctl(fd, TIOCSSERIAL, &info);  // refused by some drivers: they keep their own timing
}

std::int64_t ChangeTimeNs(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

bool IsPseudoTerminal(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  // UNIX98 pseudo-terminal slaves have the majors 136 to 143.
  return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

const char* DesktopOpener() {
  return "xdg-open";
}

}  // namespace tavolin::posix
