#include "terminal/ScreenImage.h"

#include <algorithm>
#include <cstring>

namespace tavolin {

namespace {
constexpr Pixel kBlackPixel = 0xFF000000u;
}

ScreenImage::ScreenImage(int w, int h)
    : width(w > 0 && h > 0 ? w : 0),
      height(w > 0 && h > 0 ? h : 0),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
      blank_(static_cast<std::size_t>(height), 1),
      black_(static_cast<std::size_t>(width), kBlackPixel) {}

ScreenImage::ScreenImage(const Image& picture) : ScreenImage(picture.width, picture.height) {
  if (empty() || picture.pixels.size() < pixels_.size()) return;
  std::copy(picture.pixels.begin(),
            picture.pixels.begin() + static_cast<std::ptrdiff_t>(pixels_.size()), pixels_.begin());
  std::fill(blank_.begin(), blank_.end(), std::uint8_t{0});
}

void ScreenImage::FillBlank(std::size_t physical) {
  Pixel* row = Storage(physical);
  std::fill(row, row + width, kBlackPixel);
  blank_[physical] = 0;
}

const Pixel* ScreenImage::ReadRow(int y) const {
  const std::size_t p = Physical(y);
  return blank_[p] != 0 ? black_.data() : Storage(p);
}

void ScreenImage::Blacken(int y0, int y1) {
  y0 = std::max(y0, 0);
  y1 = std::min(y1, height);
  for (int y = y0; y < y1; ++y) blank_[Physical(y)] = 1;
}

void ScreenImage::RotateUp(int n) {
  if (n <= 0 || n >= height) return;
  top_ = static_cast<int>(Physical(n));
}

void ScreenImage::CopyRow(int from, int to) {
  if (from == to) return;
  const std::size_t f = Physical(from);
  const std::size_t t = Physical(to);
  if (blank_[f] != 0) {
    blank_[t] = 1;
    return;
  }
  std::memcpy(Storage(t), Storage(f), static_cast<std::size_t>(width) * sizeof(Pixel));
  blank_[t] = 0;
}

void ScreenImage::CopyTo(Image& out) const {
  if (out.width != width || out.height != height) out = Image(width, height);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(Pixel);
  for (int y = 0; y < height; ++y) {
    Pixel* to = out.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    const std::size_t p = Physical(y);
    if (blank_[p] != 0) {
      std::fill(to, to + width, kBlackPixel);
    } else {
      std::memcpy(to, Storage(p), rowBytes);
    }
  }
}

Image ScreenImage::Picture() const {
  Image out;
  CopyTo(out);
  return out;
}

}  // namespace tavolin
