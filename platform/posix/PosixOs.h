// What differs between the POSIX systems, one PosixSerialOs_<os>.cpp per system (chosen by the
// build): the default serial naming (declared in PosixSerial.h), the probe for a legacy port's
// hardware, the low-latency request, rates beyond the B constants (Linux: its own file,
// PosixSerialRate_linux.cpp), a file's change time and which nodes are pseudo-terminals, and the
// desktop's program that opens documents and web addresses.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace tavolin::posix {

// Whether the legacy port at devicePath has a UART behind it, asked of its driver.  True when
// the system cannot tell.
bool ProbeLegacyPortHardware(const std::string& devicePath);

// Asks the driver of the open serial device fd to pass received bytes on at once (Linux
// ASYNC_LOW_LATENCY); quietly does nothing where there is no such setting.
void RequestLowLatency(int fd);

// Sets the open serial device fd to a rate that has no B constant (230400 and above, or any
// typed rate), the rest of its configuration unchanged; false where the system cannot.
bool SetArbitraryRate(int fd, int bitsPerSecond);
// The output rate of fd in bits per second as the driver holds it, any rate included; 0 when the
// system cannot tell.
int ReadRate(int fd);

// The time a file's status last changed, in nanoseconds, from what stat or lstat gave.
std::int64_t ChangeTimeNs(const struct stat& st);

// Whether path (followed) is a pseudo-terminal's slave: the system hands its number to whoever
// opens the next pseudo-terminal.
bool IsPseudoTerminal(const std::string& path);

// The program that opens a document or a web address with the desktop's default handler.
const char* DesktopOpener();

}  // namespace tavolin::posix
