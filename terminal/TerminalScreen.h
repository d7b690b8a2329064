// TerminalScreen: the picture the chip writes to, a grid of 8 x 17-pixel cells drawn into the
// screen image, with the text cursor, the colour byte, the graphics pen and the text mirror.
//
// Principles of operation.  The text area is Cols x 8 by Rows x 17 pixels at the top left of the
// screen image (effective Cols and Rows, see settings/Settings.h); the image made when the window
// opens has a band of 21 more rows below it that text never writes and graphics may.  Glyphs come
// straight from the glyph sheet (ink black, background white), coloured from the palette entry
// selected by colorByte; a colorByte above 8 inverts the cell.  The background is always black.
// Present hands the picture to the window, stretched by WindowScale when that is above 1.01: the
// text area alone is stretched to (W x scale) by (H x scale), so the picture keeps its proportions
// and the mouse positions (divided by the scale) fall on the pixels shown; at scale 1 it hands
// over a copy with the rows in order (the screen image keeps them in a ring, ScreenImage.h).
// A scroll that moves whole rows up (every line feed on the last row) turns the ring and sets
// only the rows that come round at the bottom, so it costs about one text row; other scrolls
// move the pixels.  Both give exactly the picture of a copy through a temporary image.
// Touches the screen, reads the settings and the glyph sheet, shows through ui.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Image.h"
#include "settings/Settings.h"
#include "terminal/Raster.h"
#include "terminal/ScreenImage.h"

namespace tavolin {

struct TerminalContext;

inline constexpr int kCellWidth = 8;
inline constexpr int kCellHeight = 17;
static_assert(kCellWidth == kCellPixelWidth && kCellHeight == kCellPixelHeight,
              "the scale budget in settings/Settings.h counts with the same cell");
inline constexpr int kBandRows = 21;  // below the text area in the image the window opens with
inline constexpr std::size_t kTextMirrorLimit = 32700;

// The glyph sheet: 32 x 8 cells.
inline constexpr int kSheetColumns = 32;
inline constexpr int kSheetWidth = kSheetColumns * kCellWidth;  // 256
inline constexpr int kSheetHeight = 8 * kCellHeight;            // 136

struct TerminalScreen {
  std::int32_t cursorCol = 0;
  std::int32_t cursorRow = 0;
  std::int32_t colorByte = 0;
  std::int32_t penX = 0;
  std::int32_t penY = 0;
  ScreenImage screenImage;  // rows in a ring: see ScreenImage.h
  Image scaledImage;  // what Present shows: the stretched copy, or the rows in order at scale 1
  raster::StretchMaps stretchMaps;
  std::string textMirror;
  std::string previousText;
};

// The text area in pixels for the effective Cols and Rows.
int TextWidth(const TerminalContext& app);
int TextHeight(const TerminalContext& app);

// Makes the screen image black, Cols x 8 by Rows x 17 pixels, with the 21-row band below when
// withBand (the window's first image) and without it (after the settings are loaded again).
void CreateScreenImage(TerminalContext& app, bool withBand);

// The ink: the palette entry selected by colorByte, as a pixel.
Pixel InkPixel(const TerminalContext& app);

// Draws the glyph of code in the cursor cell and advances the cursor, scrolling at the end.
void DrawCharacter(TerminalContext& app, std::uint8_t code);

// Moves the whole picture by (-dx, -dy) pixels: positive values move it left and up.
void ScrollScreen(TerminalContext& app, int dx, int dy);

// The cursor mark: four pixels on the bottom row of the cursor cell, white when shown, black when
// erased (whatever character is in the cell).
void DrawCursorMark(TerminalContext& app, bool shown);

// Shows the picture in the window (stretched when WindowScale is above 1.01).
void Present(TerminalContext& app);

// The picture Present would show, without showing it (for tests).
const Image& PresentedImage(TerminalContext& app);

// A copy of the screen image as it stands, unscaled (the screenshot, tests).
Image ScreenPicture(const TerminalContext& app);

}  // namespace tavolin
