// The menu commands: what each command id does when the main loop hands it over, the baud menu
// synchronisation and the re-application of the settings after "&Load Settings".
// May touch: all of AppState, through the layers' own operations.
#pragma once

#include <string_view>

#include "app/AppState.h"

namespace tavolin {

inline constexpr std::string_view kWebsiteUrl = "https://www.tavolin.example/";
inline constexpr std::string_view kPropellerToolTitle = "Propeller Tool";
inline constexpr std::string_view kLoadSettingsTitle = "Load Settings";
inline constexpr std::string_view kLoadSettingsDefault = "*.ini";
inline constexpr std::string_view kLoadSettingsFilter = "Tavolin(.ini)|*.ini";
inline constexpr std::string_view kConnectErrorCaption = "Error";
inline constexpr std::string_view kConnectErrorText = "COM port not found";
// The box of a "&Save Settings" that failed: the caption, then the text, the file and the reason
// on lines of their own.
inline constexpr std::string_view kSaveSettingsErrorCaption = "Save Settings";
inline constexpr std::string_view kSettingsNotSaved = "The settings were not saved:";

// Runs the command with that id; ids that are not menu commands do nothing.
void DispatchCommand(AppState& app, int id);

// The terminal's rate: TermBaud when it is set, otherwise the BaudRate index's.
RateSetting TerminalRate(const Settings& s);

// Keeps the Baudrate entries, BaudRate, TermBaud and the port's rate in step.
void SyncBaudMenu(AppState& app);

// After "&Load Settings" (read or cancelled): window size, a new screen image without the band,
// check marks, the baud menu, and a cleared screen.
void ApplySettings(AppState& app);

// The content size of the main window for the current settings: Cols x 8 x scale by
// Rows x 17 x scale + 21 (the menu line), each rounded once, halves to even.
int ContentWidth(const Settings& s);
int ContentHeight(const Settings& s);

// The user-level open: Com Enabled set; when the port is closed, COM ComNr opened at BaudRate
// with the screen cleared, or on failure the "COM port not found" box and Com Enabled cleared.
// The box names the reason the system gave (in use, no permission, no such device) on a second
// line.
void Connect(AppState& app);

// Sets the check marks that mirror settings: Auto Mode, Virtual Keycodes, Text Cursor,
// Normal-Terminal Mode and CR with Auto-LF.
void SetSettingsCheckMarks(AppState& app);

}  // namespace tavolin
