// macOS: the call-out devices /dev/cu.*; there are no phantom ports to weed out; "open" opens
// documents.
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

const char* DesktopOpener() {
  return "open";
}

}  // namespace tavolin::posix
