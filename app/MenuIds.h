// The numeric ids of the menu commands; the menu, the dispatch and the check marks all use them.
#pragma once

namespace tavolin::menu {

inline constexpr int kScreenshot = 1;
inline constexpr int kSaveSettings = 2;
inline constexpr int kQuit = 3;
inline constexpr int kComPort = 4;
inline constexpr int kComEnabled = 5;
inline constexpr int kClear = 7;
inline constexpr int kAbout = 8;
inline constexpr int kUploadFile = 9;
inline constexpr int kAutoMode = 10;
inline constexpr int kResetPropeller = 11;
inline constexpr int kWebsite = 12;
inline constexpr int kNormalTerminalMode = 13;
inline constexpr int kCopyText = 14;
inline constexpr int kVirtualKeycodes = 15;
inline constexpr int kTextCursor = 16;
inline constexpr int kLoadSettings = 17;
inline constexpr int kSaveText = 18;
inline constexpr int kBaudFirst = 19;  // 19 + rate index, 19..26
inline constexpr int kBaudLast = 26;
inline constexpr int kCrAutoLf = 27;
// The terminal's rates beyond the index, after the eight above, and the entry to type a rate.
// Their ids keep clear of 19 + index, so a BaudRate of 9 in a file still checks nothing.
inline constexpr int kFastBaudFirst = 40;  // 40..43: 230400, 460800, 921600, 2000000
inline constexpr int kFastBaudLast = 43;
inline constexpr int kTypedBaud = 44;

}  // namespace tavolin::menu
