// tavolin-replay: keeps the reference replay set (see Replay.h and tests/terminal/replay/).
//
//   tavolin-replay check DIR                 replays every stream; exit 1 when a hash differs
//   tavolin-replay record DIR NAME FILE [key=value ...]
//                                            adds (or replaces) the stream NAME with the bytes
//                                            of FILE and the hashes the current code gives
//   tavolin-replay update DIR                records the current hashes of every stream (after a
//                                            deliberate change of the picture)
//   tavolin-replay from-log LOG FILE         the chip's bytes of a tavolin-sim --log into FILE
//   tavolin-replay png DIR NAME FILE         the picture of stream NAME as a PNG, to look at
//   tavolin-replay generate DIR              writes the generated streams (the simulated chip's
//                                            pages, scroll-heavy text, seeded random streams)
//
// Keys of record: graphics, cols, rows, band, txtcurs, crmode, scale, block (see Replay.h).
#include <cstdint>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "sim/DemoPages.h"
#include "sim/DisplayBytes.h"
#include "terminal/Png.h"
#include "tools/replay/Replay.h"

namespace tavolin::replay {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string BytesPath(const std::string& dir, const std::string& name) {
  return dir + "/" + name + ".bytes";
}
std::string IndexPath(const std::string& dir) {
  return dir + "/index.txt";
}

// Text lines in eight colours and inverse video, then newlines that scroll them away.
Bytes ScrollingText(int lines, int bareNewlines, bool withCr) {
  sim::DisplayBytes out;
  for (int i = 0; i < lines; ++i) {
    out.Color(static_cast<std::uint8_t>(i % 16));
    out.Text("line " + std::to_string(i) + " of scrolling text, colour " + std::to_string(i % 16));
    if (withCr) out.Byte(13);
    out.Byte(10);
  }
  for (int i = 0; i < bareNewlines; ++i) out.Byte(10);
  out.Color(3).Text("after the newlines");
  return out.bytes;
}

// Lines as long as the grid (and one longer), so the glyph in the last column wraps and scrolls.
Bytes WrappingLines(int cols, int lines) {
  sim::DisplayBytes out;
  for (int i = 0; i < lines; ++i) {
    out.Color(static_cast<std::uint8_t>((i * 5) % 16));
    std::string text;
    const int length = cols + (i % 3 == 0 ? 1 : 0);
    for (int k = 0; k < length; ++k) text += static_cast<char>('A' + (i + k) % 26);
    out.Text(text);
  }
  return out.bytes;
}

// Pictures drawn into the text area and the band below it, then every kind of scroll: line feeds
// on the last row (which carry the band up), the scroll command in all directions and sizes.
Bytes GraphicsScrolls(int cols, int rows) {
  const int w = cols * 8;
  const int h = rows * 17;
  sim::DisplayBytes out;
  auto picture = [&](int seed) {
    out.Color(static_cast<std::uint8_t>(1 + seed % 7));
    out.Move(seed % 40, seed % 30).Op(sim::op::kBox, (seed % 40) + 60, (seed % 30) + 40);
    out.Color(static_cast<std::uint8_t>(2 + seed % 6));
    out.Move(0, h + 2).Op(sim::op::kBox, std::min(w, 511) - 1, std::min(h + 18, 511));
    out.Color(6).Move(5, h - 3).Op(sim::op::kLine, std::min(w, 511) - 5, std::min(h + 20, 511));
    out.Move(std::min(w / 2, 500), std::min(h / 2, 500))
        .Op(sim::op::kCircle, std::min(w / 2 + 9, 511), std::min(h / 2, 500));
    out.At(0, 0).Color(11).Text("top row");
    out.At(0, static_cast<std::uint8_t>(rows - 1)).Color(5).Text("bottom row");
  };
  const int scrolls[][2] = {{0, 17},   {0, -17}, {8, 0},  {-8, 0},  {0, 1},   {0, -1},
                            {1, 1},    {-3, 5},  {5, -3}, {255, 0}, {0, 255}, {-256, 0},
                            {0, -256}, {17, 17}, {0, 34}, {0, 0}};
  int seed = 0;
  for (const auto& s : scrolls) {
    picture(seed++);
    out.Scroll(s[0], s[1]);
  }
  // Carriage returns on the last row in graphics mode: the band moves up into the text area.
  picture(seed++);
  out.At(0, static_cast<std::uint8_t>(rows - 1));
  for (int i = 0; i < 30; ++i) out.Text("cr").Byte(13);
  picture(seed++);
  for (int i = 0; i < 5; ++i) out.Scroll(0, 17);
  return out.bytes;
}

// A seeded stream of everything the protocol has: glyphs, every control code, colours with and
// without inverse video, every graphics command with points all over the picture.
Bytes RandomStream(unsigned seed, std::size_t size) {
  std::mt19937 random(seed);
  auto next = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::uint8_t ops[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
                              0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x80, 0x81, 0x82, 0x83};
  sim::DisplayBytes out;
  while (out.bytes.size() < size) {
    switch (next(9)) {
      case 0:
      case 1: {
        const int n = 1 + next(30);
        for (int i = 0; i < n; ++i) out.Byte(static_cast<std::uint8_t>(14 + next(242)));
        break;
      }
      case 2: {
        const int code = next(14);
        if (code == 0 && next(8) != 0) break;  // clears are rare
        out.Byte(static_cast<std::uint8_t>(code));
        if (code == 10 || code == 11 || code == 12) out.Byte(static_cast<std::uint8_t>(next(256)));
        break;
      }
      case 3:
        out.Color(static_cast<std::uint8_t>(next(4) == 0 ? next(256) : next(16)));
        break;
      case 4:
        out.Byte(13).Byte(10);
        break;
      case 5:
        out.Byte(200);
        break;
      default: {
        std::uint8_t op = ops[next(static_cast<int>(sizeof ops))];
        if (op == 0x0B && next(3) != 0) {
          // Mostly small scrolls, so the picture is not wiped at once.
          out.Scroll(next(41) - 20, next(41) - 20);
          break;
        }
        if (op == 0x0E && next(2) == 0) op = 0x03;  // fills are costly to replay; fewer of them
        const auto c = static_cast<std::uint8_t>(op | (next(2) << 5) | (next(2) << 4));
        out.RawOp(c, static_cast<std::uint8_t>(next(256)), static_cast<std::uint8_t>(next(256)));
        break;
      }
    }
  }
  return out.bytes;
}

struct Generated {
  Stream stream;
  Bytes bytes;
};

std::vector<Generated> GeneratedStreams() {
  std::vector<Generated> set;
  auto add = [&](Stream s, Bytes b) { set.push_back({std::move(s), std::move(b)}); };
  auto stream = [](std::string name, int graphics, int cols, int rows) {
    Stream s;
    s.name = std::move(name);
    s.graphics = graphics;
    s.cols = cols;
    s.rows = rows;
    return s;
  };
  {
    Stream s = stream("demo-page", 1, 80, 25);
    add(s, sim::DemoPage());
  }
  {
    Stream s = stream("demo-page-teletype-scale1.5", 0, 80, 25);
    s.scale = 1.5f;
    add(s, sim::DemoPage());
  }
  {
    Stream s = stream("teletype-page-cursor-crmode", 0, 80, 25);
    s.txtcurs = 1;
    s.crmode = 1;
    add(s, sim::TeletypePage());
  }
  {
    Stream s = stream("graphics-text-page-scale2", 1, 80, 25);
    s.scale = 2.0f;
    add(s, sim::GraphicsTextPage());
  }
  {
    Stream s = stream("bare-newlines-80x25", 0, 80, 25);
    add(s, ScrollingText(40, 300, false));
  }
  {
    Stream s = stream("bare-newlines-132x50-cursor", 0, 132, 50);
    s.txtcurs = 1;
    s.block = 97;
    add(s, ScrollingText(80, 120, true));
  }
  {
    Stream s = stream("newlines-1x1-cursor", 0, 1, 1);
    s.txtcurs = 1;
    add(s, ScrollingText(4, 20, true));
  }
  {
    Stream s = stream("newlines-noband-scale1.01", 0, 40, 12);
    s.band = 0;
    s.scale = 1.01f;
    add(s, ScrollingText(30, 10, false));
  }
  {
    Stream s = stream("wrapping-lines-80x25", 0, 80, 25);
    add(s, WrappingLines(80, 60));
  }
  {
    Stream s = stream("wrapping-lines-graphics-cursor", 1, 80, 25);
    s.txtcurs = 1;
    s.block = 61;
    add(s, WrappingLines(80, 45));
  }
  {
    Stream s = stream("graphics-scrolls-80x25", 1, 80, 25);
    add(s, GraphicsScrolls(80, 25));
  }
  {
    Stream s = stream("graphics-scrolls-noband-cursor", 1, 80, 25);
    s.band = 0;
    s.txtcurs = 1;
    add(s, GraphicsScrolls(80, 25));
  }
  {
    Stream s = stream("graphics-scrolls-13x7-scale4", 1, 13, 7);
    s.scale = 4.0f;
    add(s, GraphicsScrolls(13, 7));
  }
  {
    Stream s = stream("graphics-scrolls-teletype-70x30", 0, 70, 30);
    s.block = 5;
    add(s, GraphicsScrolls(70, 30));
  }
  {
    Stream s = stream("random-graphics-1", 1, 80, 25);
    add(s, RandomStream(1, 12000));
  }
  {
    Stream s = stream("random-graphics-2-cursor-scale2.5", 1, 40, 12);
    s.txtcurs = 1;
    s.scale = 2.5f;
    s.block = 37;
    add(s, RandomStream(2, 8000));
  }
  {
    Stream s = stream("random-teletype-3-crmode", 0, 80, 25);
    s.crmode = 1;
    s.block = 64;
    add(s, RandomStream(3, 10000));
  }
  {
    Stream s = stream("random-teletype-4-cursor-132x50", 0, 132, 50);
    s.txtcurs = 1;
    add(s, RandomStream(4, 10000));
  }
  return set;
}

int Check(const std::string& dir, bool update) {
  std::string error;
  auto streams = ReadIndex(IndexPath(dir), error);
  if (!streams) {
    std::cerr << error << '\n';
    return 2;
  }
  int failed = 0;
  for (Stream& s : *streams) {
    const auto bytes = ReadBytes(BytesPath(dir, s.name));
    if (!bytes) {
      std::cerr << s.name << ": cannot read " << BytesPath(dir, s.name) << '\n';
      ++failed;
      continue;
    }
    const Result r = Run(s, *bytes);
    const bool same = r.screen == s.screen && r.shown == s.shown && r.text == s.text;
    std::cout << (same ? "same     " : "DIFFERS  ") << s.name << '\n';
    if (!same) ++failed;
    s.screen = r.screen;
    s.shown = r.shown;
    s.text = r.text;
  }
  if (update) return WriteIndex(IndexPath(dir), *streams) ? 0 : 2;
  std::cout << streams->size() - static_cast<std::size_t>(failed) << " of " << streams->size()
            << " streams give their reference picture\n";
  return failed == 0 ? 0 : 1;
}

// Replaces the stream of the same name, or appends.
int Record(const std::string& dir, Stream s, const Bytes& bytes) {
  std::string error;
  auto streams = ReadIndex(IndexPath(dir), error);
  if (!streams) streams.emplace();
  const Result r = Run(s, bytes);
  s.screen = r.screen;
  s.shown = r.shown;
  s.text = r.text;
  bool replaced = false;
  for (Stream& old : *streams) {
    if (old.name == s.name) {
      old = s;
      replaced = true;
    }
  }
  if (!replaced) streams->push_back(s);
  if (!WriteBytes(BytesPath(dir, s.name), bytes) || !WriteIndex(IndexPath(dir), *streams)) {
    std::cerr << "cannot write into " << dir << '\n';
    return 2;
  }
  std::cout << FormatStream(s) << '\n';
  return 0;
}

int Usage() {
  std::cerr << "usage: tavolin-replay check DIR | update DIR | generate DIR\n"
               "       tavolin-replay record DIR NAME FILE [key=value ...]\n"
               "       tavolin-replay from-log LOG FILE | png DIR NAME FILE\n";
  return 2;
}

int Main(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  const std::string& command = args[0];
  if (command == "check" || command == "update") return Check(args[1], command == "update");
  if (command == "generate") {
    int status = 0;
    for (const Generated& g : GeneratedStreams()) status |= Record(args[1], g.stream, g.bytes);
    return status;
  }
  if (command == "record" && args.size() >= 4) {
    const auto bytes = ReadBytes(args[3]);
    if (!bytes) {
      std::cerr << "cannot read " << args[3] << '\n';
      return 2;
    }
    std::string line = "name=" + args[2];
    for (std::size_t i = 4; i < args.size(); ++i) line += " " + args[i];
    const std::string temp = args[1] + "/.record-index";
    {
      std::ofstream f(temp, std::ios::trunc);
      f << line << '\n';
    }
    std::string error;
    const auto parsed = ReadIndex(temp, error);
    std::remove(temp.c_str());
    if (!parsed || parsed->size() != 1) {
      std::cerr << (error.empty() ? "bad settings" : error) << '\n';
      return 2;
    }
    return Record(args[1], parsed->front(), *bytes);
  }
  if (command == "from-log" && args.size() >= 3) {
    std::ifstream log(args[1]);
    if (!log) {
      std::cerr << "cannot read " << args[1] << '\n';
      return 2;
    }
    std::stringstream text;
    text << log.rdbuf();
    const Bytes bytes = ChipBytesFromLog(text.str());
    if (!WriteBytes(args[2], bytes)) {
      std::cerr << "cannot write " << args[2] << '\n';
      return 2;
    }
    std::cout << bytes.size() << " bytes from the chip\n";
    return 0;
  }
  if (command == "png" && args.size() >= 4) {
    std::string error;
    const auto streams = ReadIndex(IndexPath(args[1]), error);
    if (!streams) {
      std::cerr << error << '\n';
      return 2;
    }
    for (const Stream& s : *streams) {
      if (s.name != args[2]) continue;
      const auto bytes = ReadBytes(BytesPath(args[1], s.name));
      if (!bytes) return 2;
      return WriteFileBytes(args[3], EncodePngRgb(Run(s, *bytes).shownPicture)) ? 0 : 2;
    }
    std::cerr << "no stream " << args[2] << '\n';
    return 2;
  }
  return Usage();
}

}  // namespace
}  // namespace tavolin::replay

int main(int argc, char** argv) {
  return tavolin::replay::Main(std::vector<std::string>(argv + 1, argv + argc));
}
