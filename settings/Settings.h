// The user's settings.  The fields bear the settings-file key names; the values here are the
// start-up values, which every field keeps when no settings file can be opened (and which the
// command-line upload mode always uses).  settings/SettingsFile.h reads and writes them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavolin {

inline constexpr std::array<std::uint32_t, 8> kStartupPalette = {
    0xFFFFFF,  // 0 white
    0xFFFF00,  // 1 cyan
    0x0000FF,  // 2 red
    0xFF00FF,  // 3 magenta
    0xFF0000,  // 4 blue
    0x00FF00,  // 5 green
    0x00FFFF,  // 6 yellow
    0xC0C0C0,  // 7 light grey
};

struct Settings {
  std::int32_t ComNr = 6;
  std::int32_t FT232R = 0;
  std::int32_t UseRTS = 0;
  std::string BinPath;
  std::int32_t AutoDis = 1;
  std::int32_t VKeys = 0;
  std::int32_t TxtCurs = 1;
  std::int32_t MsMoveOff = 1;
  std::int32_t BaudRate = 0;
  std::int32_t CRmode = 0;
  std::int32_t Rows = 25;
  std::int32_t Cols = 80;
  std::string Autoload;
  std::int32_t InversScreenshot = 0;
  float WindowScale = 1.0f;
  std::array<std::uint32_t, 8> palette = kStartupPalette;  // COLORREF 0x00BBGGRR
};

}  // namespace tavolin
