// macOS: the call-out devices /dev/cu.*; there are no phantom ports to weed out; "open" opens
// documents.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string_view>

#include "platform/posix/PosixOs.h"
#include "platform/posix/PosixSerial.h"

namespace tavolin::posix {

SerialNaming DefaultSerialNaming() {
  return MacSerialNaming();
}

bool ProbeLegacyPortHardware(const std::string& /*devicePath*/) {
  return true;
}

void RequestLowLatency(int /*fd*/) {
  // The macOS drivers have no such setting to ask for.
}

bool SetArbitraryRate(int /*fd*/, int /*bitsPerSecond*/) {
  return false;  // IOSSIOSPEED would do it; not wired up yet
}

int ReadRate(int /*fd*/) {
  return 0;
}

std::int64_t ChangeTimeNs(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_ctimespec.tv_sec) * 1000000000 + st.st_ctimespec.tv_nsec;
}

bool IsPseudoTerminal(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return false;
  return std::string_view(resolved).rfind("/dev/ttys", 0) == 0;
}

const char* DesktopOpener() {
  return "open";
}

}  // namespace tavolin::posix
