// Linux: any rate through the kernel's termios2 (BOTHER with the rate in bits per second).  Kept
// apart from the termios code because <asm/termbits.h> and <termios.h> cannot meet in one file.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "platform/posix/PosixOs.h"

namespace tavolin::posix {

bool SetArbitraryRate(int fd, int bitsPerSecond) {
  if (bitsPerSecond <= 0) return false;
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = static_cast<speed_t>(bitsPerSecond);
  t.c_ospeed = static_cast<speed_t>(bitsPerSecond);
  return ::ioctl(fd, TCSETS2, &t) == 0;
}

int ReadRate(int fd) {
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) != 0) return 0;
  return static_cast<int>(t.c_ospeed);
}

}  // namespace tavolin::posix
