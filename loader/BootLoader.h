// BootLoader: the Propeller ROM's serial boot protocol, from the PC's side.
//
// Principles of operation.  Right after a reset the PC proves itself with 250 bits of an 8-bit
// LFSR sequence; the chip answers with the next 250 bits and its version, and the PC then sends a
// command, a long count and the image longs.  The chip answers whether the checksum was right and,
// in EEPROM mode, whether programming and verifying the EEPROM succeeded; then it runs the image.
// The protocol itself is described at the top of BootLoader.cpp.
//
// When the port is lost (its device went away) every wait ends at once, without "Time Out" or
// another status line: the caller sees app.port.Lost() and stops, and the program reports the
// loss once.
//
// Every operation works on the loader's context it is given: app.port carries the bytes (the
// transmit queue and receive block for the upload path, raw transfer for Detect), app.loader holds
// the LFSR, the mode and the image, app.output takes the status lines, app.platform.clock every
// wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavolin {

struct LoaderContext;

// Status lines, spelled as the user sees them.
inline constexpr std::string_view kPropellerVersion = "Propeller Version = ";
inline constexpr std::string_view kWriteInRamLength = "Write in RAM Lenght=";
inline constexpr std::string_view kWriteInEepromLength = "Write in EEPROM Lenght=";
inline constexpr std::string_view kVerify = "Verify ..";
inline constexpr std::string_view kChecksumError = "CheckSum Error";
inline constexpr std::string_view kEepromWriteError = "EEPROM write Error";
inline constexpr std::string_view kEepromVerifyError = "EEPROM verify Error";
inline constexpr std::string_view kOkRun = "..OK -> RUN";
inline constexpr std::string_view kHardwareLost = "Hardware lost";
inline constexpr std::string_view kTimeOut = "Time Out";

namespace boot {

inline constexpr std::uint8_t kLfsrSeed = 0x50;  // the character P
inline constexpr int kHandshakeBits = 250;
inline constexpr int kVersionBits = 8;
inline constexpr std::uint8_t kProbe = 0xF9;  // leading handshake byte; asks for one reply bit
inline constexpr std::uint8_t kBitZero = 0xFE;
inline constexpr std::uint8_t kBitOne = 0xFF;
inline constexpr int kEncodedLongBytes = 11;

// Commands (the first long after the handshake).
inline constexpr std::uint32_t kCommandShutdown = 0;
inline constexpr std::uint32_t kCommandLoadRun = 1;
inline constexpr std::uint32_t kCommandProgramRun = 3;
// EEPROM mode always sends the whole 32 KB.
inline constexpr std::uint32_t kEepromLongs = 8192;
inline constexpr std::uint32_t kEepromBytes = kEepromLongs * 4;

// Budgets and pacing, in milliseconds.
inline constexpr int kPollMs = 10;             // one pass of a reply wait
inline constexpr int kProbeMs = 25;            // after each probe, on top of the pass
inline constexpr int kReplyBitBudgetMs = 100;  // each of the 250 reply bits
inline constexpr int kVersionBitBudgetMs = 50;
inline constexpr int kDetectBitBudgetMs = 50;  // each reply and version bit of Detect
inline constexpr int kChecksumBudgetMs = 2500;
inline constexpr int kProgramBudgetMs = 5000;
inline constexpr int kVerifyBudgetMs = 2500;

}  // namespace boot

// How a Load ended.
enum class LoadResult { Ok, ChecksumError, EepromWriteError, EepromVerifyError, PortLost };

// The next bit of the handshake sequence; steps app.loader.lfsr.
int NextLfsrBit(LoaderContext& app);
// Queues the 11 bytes that carry value, least significant bits first.
void EncodeLong(LoaderContext& app, std::uint32_t value);
// One reply bit from the receive block: 0, 1, or -1 after "Time Out" (or at once, silently, when
// the port is lost).  Bytes other than 0xFE and 0xFF print "Hardware lost" and are dropped.  With
// probe, a 0xF9 goes out before every pass.
int ReceiveBit(LoaderContext& app, bool probe, int budgetMs);
// One reply bit by single-byte reads; prints nothing.
int ReceiveBitQuiet(LoaderContext& app, int budgetMs);
// The handshake after a reset: -1 when a reply bit was wrong or missing, a negative number when a
// version bit was missing, otherwise the version (0..255).  Prints the version line whenever all
// 250 reply bits matched.
int Handshake(LoaderContext& app);
// Resets the chip and runs a silent handshake by raw transfer; the result as for Handshake.
int Detect(LoaderContext& app);
// Sends command, count and image (app.loader.image, in app.loader.eepromMode) and reports the
// chip's answers.  byteLength is 4 times the number of longs read from the file.
LoadResult Load(LoaderContext& app, std::size_t byteLength);

}  // namespace tavolin
