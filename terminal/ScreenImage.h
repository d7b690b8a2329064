// ScreenImage: the terminal's picture in memory, built so that a line feed on the last row costs
// about the clearing of one text row instead of a move of the whole picture.
//
// Principles of operation.  The rows are kept in a ring: logical row y lives in the physical row
// (top + y) mod height, so scrolling the whole picture up by n rows only moves top (RotateUp);
// the rows that wrap around from the top are then fixed up by the caller (blackened or copied).
// A row can also be blank: known to be black without its memory having been written, so
// blackening rows (a scroll's uncovered rows, a clear) writes no pixels.  A blank row is filled
// in when something asks to write into it (Row, the writable At); readers (ReadRow, the const At)
// see a shared black row.  Each logical row is contiguous, so drawing works row by row exactly as
// on a plain Image; a contiguous copy (CopyTo, Picture) is made for the window and the clipboard.
// Pixels are 0xFFRRGGBB like Image's.  Touches only itself.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Image.h"

namespace tavolin {

class ScreenImage {
 public:
  ScreenImage() = default;
  // Black, w x h pixels.
  ScreenImage(int w, int h);
  explicit ScreenImage(const Image& picture);

  int width = 0;   // read only: set by the constructors
  int height = 0;  // read only: set by the constructors

  bool empty() const { return width == 0 || height == 0; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  Pixel At(int x, int y) const { return ReadRow(y)[x]; }
  Pixel& At(int x, int y) { return Row(y)[x]; }
  // Logical row y (0 <= y < height), ready to be written.
  Pixel* Row(int y) {
    const std::size_t p = Physical(y);
    if (blank_[p] != 0) FillBlank(p);
    return Storage(p);
  }
  // Logical row y for reading; a blank row reads as black.
  const Pixel* ReadRow(int y) const;
  bool IsBlank(int y) const { return blank_[Physical(y)] != 0; }

  // Rows [y0, y1) become black (clipped to the picture).
  void Blacken(int y0, int y1);
  // Logical row y then shows what row (y + n) mod height showed: the picture moves up by n rows
  // and the top n rows come round at the bottom.  0 < n < height; anything else does nothing.
  void RotateUp(int n);
  // Row to becomes a copy of row from.
  void CopyRow(int from, int to);

  // The picture with its rows in order, into out (whose buffer is reused when it fits).
  void CopyTo(Image& out) const;
  Image Picture() const;

 private:
  std::size_t Physical(int y) const {
    const int p = y + top_;
    return static_cast<std::size_t>(p >= height ? p - height : p);
  }
  void FillBlank(std::size_t physical);
  Pixel* Storage(std::size_t physical) {
    return pixels_.data() + physical * static_cast<std::size_t>(width);
  }
  const Pixel* Storage(std::size_t physical) const {
    return pixels_.data() + physical * static_cast<std::size_t>(width);
  }

  std::vector<Pixel> pixels_;
  std::vector<std::uint8_t> blank_;  // per physical row
  std::vector<Pixel> black_;         // one black row, what blank rows read as
  int top_ = 0;
};

}  // namespace tavolin
