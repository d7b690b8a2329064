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

inline constexpr std::int32_t kDefaultP2LoadBaud = 2000000;

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
  // Keys an older version neither reads nor writes.  The file holds them only when they differ
  // from these defaults, so the file of a setup that uses none of them stays as it was.
  // The terminal's rate in bits per second when it is none of the BaudRate index's (0: the index
  // decides).  BaudRate then holds 0, the rate an older version falls back to.
  std::int32_t TermBaud = 0;
  // The rate a Propeller 2 program is loaded at.
  std::int32_t P2LoadBaud = kDefaultP2LoadBaud;
};

}  // namespace tavolin

// Effective values.  The settings file stores Rows, Cols and WindowScale as read, unchecked (a
// file may hold 0, a negative number or text).  Everything that sizes an image or a window, or
// divides by these values, uses the effective values instead:
//   - Rows and Cols: clamped to 1..512 (512 columns is 4096 pixels, 512 rows 8704);
//   - WindowScale: a finite number from 0.25 to 8 is used as it is, anything else as 1.0;
//   - and the stretched picture has a budget of kMaxStretchedPixels (64 megapixels, 256 MB): when
//     Cols, Rows and the scale together would pass it, the scale used is the largest multiple of
//     1/16 below it that fits (512 x 512 cells at 8 show at 1.3125).  The unstretched picture of
//     the largest terminal (4096 x 8704) is within the budget, so a scale is never reduced below
//     1 this way.
#include <algorithm>
#include <cmath>

namespace tavolin {

inline constexpr std::int32_t kMinCells = 1;
inline constexpr std::int32_t kMaxCells = 512;
inline constexpr float kMinScale = 0.25f;
inline constexpr float kMaxScale = 8.0f;
inline constexpr double kMaxStretchedPixels = 64.0 * 1024 * 1024;
inline constexpr float kScaleReductionStep = 1.0f / 16;
// A character cell in picture pixels (terminal/TerminalScreen.h holds the same numbers).
inline constexpr int kCellPixelWidth = 8;
inline constexpr int kCellPixelHeight = 17;

inline std::int32_t EffectiveCells(std::int32_t cells) {
  return std::clamp(cells, kMinCells, kMaxCells);
}
inline std::int32_t EffectiveRows(const Settings& s) {
  return EffectiveCells(s.Rows);
}
inline std::int32_t EffectiveCols(const Settings& s) {
  return EffectiveCells(s.Cols);
}
inline float EffectiveScale(float scale) {
  return (std::isfinite(scale) && scale >= kMinScale && scale <= kMaxScale) ? scale : 1.0f;
}

// Rounds to the nearest integer, halves to even (658.5 gives 658, 150.5 gives 150).
inline int RoundHalfEven(double value) {
  const double r = std::nearbyint(value);  // the default rounding mode is to nearest, ties even
  if (!(r > -2147483648.0)) return -2147483647 - 1;
  if (!(r < 2147483647.0)) return 2147483647;
  return static_cast<int>(r);
}

// Whether a picture of cols x rows cells stretched by scale (each side rounded as the picture
// is) stays within kMaxStretchedPixels.
inline bool StretchedPictureFits(std::int32_t cols, std::int32_t rows, float scale) {
  const double w = RoundHalfEven(static_cast<double>(cols) * kCellPixelWidth * scale);
  const double h = RoundHalfEven(static_cast<double>(rows) * kCellPixelHeight * scale);
  return w * h <= kMaxStretchedPixels;
}

// The scale everything uses: the window size, the stretched picture and the mouse position.
inline float EffectiveScale(const Settings& s) {
  const float scale = EffectiveScale(s.WindowScale);
  const std::int32_t cols = EffectiveCols(s);
  const std::int32_t rows = EffectiveRows(s);
  if (StretchedPictureFits(cols, rows, scale)) return scale;
  float reduced = std::floor(scale / kScaleReductionStep) * kScaleReductionStep;
  while (reduced > 1.0f && !StretchedPictureFits(cols, rows, reduced)) {
    reduced -= kScaleReductionStep;
  }
  return std::max(reduced, 1.0f);
}

}  // namespace tavolin
