// The settings file: an INI-style text file, by default "Tavolin2.ini" in the current directory.
// This module writes it ("&Save Settings"), reads it (start-up and "&Load Settings") and parses
// its hexadecimal palette values.  It touches only the Settings record, the Normal-Terminal Mode
// flag it is handed, and the one file it is asked for.
//
// The file, byte for byte, as SaveSettingsFile writes it (every line ends in CR LF):
//   /* Tavolin Settings v0.5 */'
//   [Config]
//   ComNr=6 FT232R=0 UseRTS=0 BinPath=... AutoDis=1 VKeys=0 TxtCurs=1 MsMoveOff=1 BaudRate=0
//   CRmode=0 Rows=25 Cols=80 Autoload= InversScreenshot=0 WindowScale=1.000000   (one per line)
//   [Colors]
//   pal_0=#FFFFFF ... pal_7=#C0C0C0                                             (one per line)
// After WindowScale come the keys of this version that an older one ignores, TermBaud (the
// terminal's rate in bits per second beyond the BaudRate index) and P2LoadBaud (the rate a P2
// program is loaded at), each only when it differs from its default.
// AutoDis is the Auto Mode check mark at the time of saving, Autoload is always written empty,
// strings are written as they stand up to their first line break (which the file cannot hold),
// and WindowScale has six decimals (always with a point, whatever the locale; infinity and NaN,
// which show at 1.0, are written as 1.000000).  A palette entry is
// the upper-case hexadecimal text of its value, zero-padded on the left to six digits or cut to its
// first six.
//
// Reading.  Lines end at CR, LF or any run of them; leading blanks are skipped; ";" starts a
// comment line, "[" a group (the name runs to "]").  Any other line is an entry: the key is the
// text before the first "=" without trailing blanks, the value the text after it without leading
// blanks.  Names compare without regard to ASCII case; the first group of a name and the first
// entry of a key in it win; lines before the first group are never looked up.  Integers read like
// atoi, floats like atof (text that is no number gives 0), strings lose their outer blanks.  A file
// that starts with the UTF-8 byte-order mark is UTF-8: string values are decoded to the code points
// 0..255 they hold (the value ends before the first code point above 255, without the blanks
// before that point, so that a file saved from it reads back the same; a malformed sequence gives
// an empty value).  A key that is missing from a file that was opened takes its read
// default; a file that cannot be opened changes nothing.  A path that is no regular file (a
// directory, a device, a pipe) or a file larger than kMaxSettingsFileBytes counts as a file that
// cannot be opened: no settings file is that large, and reading it would only tie up memory.
//
// The reader stores every value unchecked, as the file holds it.  Rows, Cols and WindowScale may
// therefore be 0, negative or absurd; whatever sizes an image or a window, or divides by them,
// uses EffectiveRows, EffectiveCols and EffectiveScale of settings/Settings.h (Rows and Cols
// clamped to 1..512, a scale outside 0.25..8 or not finite taken as 1.0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/Settings.h"

namespace tavolin {

inline constexpr std::string_view kSettingsHeader = "/* Tavolin Settings v0.5 */'";
inline constexpr std::size_t kMaxSettingsFileBytes = 1024 * 1024;

// The whole file as SaveSettingsFile writes it.
std::string FormatSettingsFile(const Settings& settings, bool autoModeChecked);

// Writes the file at path, replacing an existing one in one step (ReplaceFileContents of
// platform/RegularFile.h): a save that fails or is cut short leaves the old file whole.  Empty on
// success, otherwise the reason.
std::string SaveSettingsFile(const std::string& path, const Settings& settings,
                             bool autoModeChecked);

// Applies the text of a settings file to settings; MsMoveOff is copied into normalTerminalMode.
void ApplySettingsText(std::string_view text, Settings& settings, std::int32_t& normalTerminalMode);

// Reads the file at path into settings.  Returns whether the file was opened; when it was not,
// nothing changes.
bool LoadSettingsFile(const std::string& path, Settings& settings,
                      std::int32_t& normalTerminalMode);

// Hexadecimal text to a 32-bit value: every digit 0-9, A-F or a-f shifts the value by four bits
// (wrapping), every other character is skipped.
std::uint32_t ParseHexValue(std::string_view text);

}  // namespace tavolin
