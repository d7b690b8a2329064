// What differs between the POSIX systems, one PosixSerialOs_<os>.cpp per system (chosen by the
// build): the default serial naming (declared in PosixSerial.h), the probe for a legacy port's
// hardware, the low-latency request, and the desktop's program that opens documents and web
// addresses.
#pragma once

#include <string>

namespace tavolin::posix {

// Whether the legacy port at devicePath has a UART behind it, asked of its driver.  True when
// the system cannot tell.
bool ProbeLegacyPortHardware(const std::string& devicePath);

// Asks the driver of the open serial device fd to pass received bytes on at once (Linux
// ASYNC_LOW_LATENCY); quietly does nothing where there is no such setting.
void RequestLowLatency(int fd);

// What tells a file at path apart from one made later under the same name: its device, inode
// and change time (to the nanosecond where the system keeps it) as lstat gives them for the name
// itself, a link not followed.  Empty when nothing is there.
std::string PathStamp(const std::string& path);

// Whether path (followed) is a pseudo-terminal's slave: the system hands its number to whoever
// opens the next pseudo-terminal.
bool IsPseudoTerminal(const std::string& path);

// The program that opens a document or a web address with the desktop's default handler.
const char* DesktopOpener();

}  // namespace tavolin::posix
