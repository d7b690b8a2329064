// The main window as every platform builds it: its title and place on the screen, the period of
// its timer, the progress bar's place and range, and the texts of the "&Com-Port" dialog.  The
// window's content size follows the settings (ContentWidth, ContentHeight in app/Commands.h);
// the menu comes from app/MenuTable.h.
#pragma once

namespace tavolin::window {

inline constexpr const char* kTitle = "Tavolin for P2 Monitor";
// The window's top-left corner on the screen.
inline constexpr int kX = 100;
inline constexpr int kY = 200;
// The tick that guarantees a cycle of the main loop and drives Auto Mode.
inline constexpr int kTimerPeriodMs = 40;

// The progress bar in the client area, hidden until a transfer shows it.
inline constexpr int kProgressX = 40;
inline constexpr int kProgressY = 40;
inline constexpr int kProgressWidth = 110;
inline constexpr int kProgressHeight = 15;
inline constexpr int kProgressMax = 100;

// The "&Com-Port" dialog.
inline constexpr const char* kComPortCaption = "ComPort";
inline constexpr const char* kComPortPrompt = "On which COM is the Propeller connected?";
inline constexpr const char* kBaudRateCaption = "Baudrate";
inline constexpr const char* kBaudRatePrompt = "Terminal rate in bits per second:";

}  // namespace tavolin::window
