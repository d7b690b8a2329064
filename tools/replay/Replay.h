// The reference replay set: byte streams the chip sent (recorded from a chip or from tavolin-sim,
// or generated), each with the settings it ran under and the picture it must give.  A stream is
// replayed without a window: the bytes go through Interpret in blocks of a fixed size, as reads
// of the port would hand them over, on a screen made for its settings; the result is summed up
// as three hashes: the screen image (what the screenshot copies), the picture Present shows (the
// stretched copy when scaled) and the text mirror (what Copy Text copies).
//
// The set lives in one folder: index.txt holds one stream a line, its settings and its hashes
// as key=value words ("#" starts a comment line); NAME.bytes holds the stream's bytes.
// Touches only the files it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Image.h"

namespace tavolin::replay {

struct Stream {
  std::string name;
  int graphics = 0;  // 1: graphics mode, 0: Normal-Terminal Mode
  int cols = 80;
  int rows = 25;
  int band = 1;  // 1: the window's first image (21 rows below the text); 0: after Load Settings
  int txtcurs = 0;
  int crmode = 0;
  float scale = 1.0f;
  int block = 1024;  // bytes per Interpret
  // The expected hashes, 16 hexadecimal digits each; empty when not recorded yet.
  std::string screen;
  std::string shown;
  std::string text;
};

struct Result {
  std::string screen;
  std::string shown;
  std::string text;
  Image screenPicture;
  Image shownPicture;
};

// FNV-1a over the size and the colour of every pixel (the alpha byte is left out).
std::string PictureHash(const Image& picture);
std::string TextHash(const std::string& text);

// Replays bytes under the stream's settings.
Result Run(const Stream& stream, const std::vector<std::uint8_t>& bytes);

// index.txt: one Stream a line.  A line that does not parse is reported in error.
std::optional<std::vector<Stream>> ReadIndex(const std::string& path, std::string& error);
std::string FormatStream(const Stream& stream);
bool WriteIndex(const std::string& path, const std::vector<Stream>& streams);

std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The chip's bytes from a tavolin-sim byte log ("<ms> chip: XX XX ..." lines), in order.
std::vector<std::uint8_t> ChipBytesFromLog(const std::string& logText);

}  // namespace tavolin::replay
