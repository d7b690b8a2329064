// P2Loader: loads a Propeller 2 program through the P2's ROM serial loader, and tells a P2 image
// from a P1 image.
//
// Principles of operation.  The P2 ROM listens on its serial pins after a reset.  Its receiver
// stays off until it has timed a ">" (autobaud), and the byte right after that first ">" is lost
// while it arms, so every command starts with "> ".  Later ">" retune the rate and are dropped
// wherever they stand; the loader sends them only between blanks, so that no number or base64
// group is cut.  "Prop_Chk 0 0 0 0" asks the ROM for "Prop_Ver" and its letter; "Prop_Txt 0 0 0 0"
// followed by the program in base64 and "?" stores it in hub RAM from address 0, checks it and
// runs it ("."), or answers "!" when the sum is wrong.  The sum: the image padded with zeros to
// whole longs plus one appended long sums, as little-endian longs, to 0x706F7250 ("Prop").
//
// Which chip.  The image decides, so that nothing changes for P1 users: a path with ".eeprom"
// is a P1 EEPROM load; an image that passes the P1 header rule (at most 32768 bytes, pbase 0x0010,
// byte sum 0x14) is a P1 image; otherwise an image that cannot be a P1 image (longer than the P1
// image buffer) or that starts like P2 code (the condition field of its first long, the top four
// bits, is "always") is a P2 image; anything else stays with the P1 protocol as before.
//
// The load.  The port is switched to the load rate (2,000,000 by default), the chip reset, and
// "Prop_Chk" is asked again until it is answered or the ROM's start-up time has passed (a P1 or
// no chip answers nothing).  Then the program goes out, and the loader waits for "." or "!".
// A failed load resets the chip again, so that the ROM's command scanner is off (waiting for a
// ">" again) and a key typed in the terminal cannot start its monitor or TAQOZ.  In every case the
// port goes back to the rate it had, on the same handle: the chip keeps running.
//
// May touch: app.port, app.output, app.loader.progress, app.settings (UseRTS) and
// app.platform.clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Settings.h"

namespace tavolin {

struct LoaderContext;

// Status lines of a P2 load, in the style of the P1's.
inline constexpr std::string_view kP2Version = "Propeller 2 Version = ";
inline constexpr std::string_view kWriteInP2Ram = "Write in P2 RAM Length=";
inline constexpr std::string_view kNoP2Found = "No Propeller 2 answered: nothing loaded";
inline constexpr std::string_view kP2ImageTooLong = "Image too long: more than 524288 bytes\r";
// Followed by the rate and the time the program would take on the wire.
inline constexpr std::string_view kP2TooSlow = "Too long for the ROM's 60 s serial window at ";

namespace p2 {

inline constexpr std::size_t kHubBytes = 512 * 1024;
inline constexpr std::uint32_t kChecksumTarget = 0x706F7250;  // "Prop"
inline constexpr std::string_view kCheckCommand = "> Prop_Chk 0 0 0 0\r";
inline constexpr std::string_view kVersionReply = "\r\nProp_Ver ";
inline constexpr std::string_view kLoadCommand = "> Prop_Txt 0 0 0 0 ";
inline constexpr std::string_view kRetune = " > ";  // every kRetuneEvery base64 characters
inline constexpr std::size_t kRetuneEvery = 64;
inline constexpr std::string_view kCheckAndRun = " ?";
inline constexpr std::uint8_t kLoaded = '.';
inline constexpr std::uint8_t kChecksumRefused = '!';

// Load rates: the default and the ROM's autobaud range.
inline constexpr int kDefaultLoadBaud = kDefaultP2LoadBaud;
inline constexpr int kMinLoadBaud = 9600;
inline constexpr int kMaxLoadBaud = 2000000;

// Timing.  The ROM listens within 15 ms of a reset; a "Prop_Chk" sent too early is lost, so it is
// asked again every kCheckBudgetMs, kCheckTries times (about a second: a USB adapter's latency
// and a slow start included).  The answer to "?" comes a few character times after the last
// byte has left; the wait counts from the moment the whole program should have crossed the wire.
inline constexpr int kCheckTries = 20;
inline constexpr int kCheckBudgetMs = 50;
inline constexpr int kPollMs = 1;
inline constexpr int kAnswerBudgetMs = 1000;
// The ROM ends its serial window after 600 ticks of at least 100 ms: a load must be over by then.
inline constexpr int kSerialWindowMs = 60000;
// The program goes out in writes of this size (the progress line moves with them).
inline constexpr std::size_t kWriteChunk = 4096;

}  // namespace p2

enum class ChipKind { P1, P2 };

// Which boot loader an image is meant for (see above); eepromMode is the path's ".eeprom".
ChipKind ImageChip(const std::vector<std::uint8_t>& image, bool eepromMode);

// The long appended to an image so that the ROM's sum comes out as "Prop".
std::uint32_t P2Checksum(const std::vector<std::uint8_t>& image);
// Standard base64 without "=" padding (the ROM drops leftover bits).
std::string Base64(const std::vector<std::uint8_t>& bytes);
// Every byte sent for a load after the chip answered: the command, the image with its checksum
// long in base64 with a retuning ">" every kRetuneEvery characters, and the check request.
std::string P2LoadText(const std::vector<std::uint8_t>& image);
// The load rate to use for a requested one: outside the ROM's range, the default.
int EffectiveLoadBaud(int requested);
// How long bytes take on the wire at bitsPerSecond with 8N1 framing, in milliseconds.
std::int64_t WireMs(std::size_t bytes, int bitsPerSecond);

enum class P2Result { Loaded, NoChip, ChecksumError, TooSlow, PortLost };

// Resets the chip at loadBaud, asks for the P2 and loads image; the port is back at its former
// rate afterwards.
P2Result LoadP2(LoaderContext& app, const std::vector<std::uint8_t>& image, int loadBaud);

}  // namespace tavolin
