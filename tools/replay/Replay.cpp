#include "tools/replay/Replay.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin::replay {

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

void Mix(std::uint64_t& h, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    h ^= (value >> (8 * i)) & 0xFFu;
    h *= kFnvPrime;
  }
}

std::string Hex(std::uint64_t h) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

// A screen with an open port, as in the program; what the chip asks for is not answered.
struct Replayer : fake::FakePlatform {
  fake::FakeSerialDevice& device = serial.Plug(1);
  AppState app{platform};
};

bool ParseInt(const std::string& v, int& out) {
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (end == v.c_str() || *end != '\0' || n < -1000000 || n > 1000000) return false;
  out = static_cast<int>(n);
  return true;
}

}  // namespace

std::string PictureHash(const Image& picture) {
  std::uint64_t h = kFnvOffset;
  Mix(h, static_cast<std::uint32_t>(picture.width), 4);
  Mix(h, static_cast<std::uint32_t>(picture.height), 4);
  for (Pixel p : picture.pixels) Mix(h, p & 0xFFFFFFu, 3);
  return Hex(h);
}

std::string TextHash(const std::string& text) {
  std::uint64_t h = kFnvOffset;
  for (unsigned char c : text) Mix(h, c, 1);
  return Hex(h);
}

Result Run(const Stream& stream, const std::vector<std::uint8_t>& bytes) {
  auto r = std::make_unique<Replayer>();  // the buffers are large for a stack
  AppState& app = r->app;
  std::string error;
  DecodeAssets(app, error);
  app.settings.Cols = stream.cols;
  app.settings.Rows = stream.rows;
  app.settings.TxtCurs = stream.txtcurs;
  app.settings.CRmode = stream.crmode;
  app.settings.WindowScale = stream.scale;
  app.NormalTerminalMode = stream.graphics != 0 ? 0 : 1;
  app.port.Open(1, 0, 0);
  CreateScreenImage(app, stream.band != 0);
  ClearScreen(app);
  const std::size_t block = static_cast<std::size_t>(std::clamp(stream.block, 1, 1024));
  for (std::size_t at = 0; at < bytes.size(); at += block) {
    const std::size_t n = std::min(block, bytes.size() - at);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, app.ReceiveBuffer.begin());
    Interpret(app, static_cast<int>(n));
    // The main loop would serve these; the picture does not depend on them.
    app.interpreter.questions.clear();
    app.interpreter.HostRequest = 0;
    app.interpreter.ReplyByte = 0;
  }
  Result result;
  result.screenPicture = ScreenPicture(app);
  result.shownPicture = PresentedImage(app);
  result.screen = PictureHash(result.screenPicture);
  result.shown = PictureHash(result.shownPicture);
  result.text = TextHash(app.screen.textMirror);
  return result;
}

std::optional<std::vector<Stream>> ReadIndex(const std::string& path, std::string& error) {
  std::ifstream file(path);
  if (!file) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  std::vector<Stream> streams;
  std::string line;
  int number = 0;
  while (std::getline(file, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string word;
    Stream s;
    bool ok = true;
    while (ok && words >> word) {
      const auto eq = word.find('=');
      if (eq == std::string::npos) {
        ok = false;
        break;
      }
      const std::string key = word.substr(0, eq);
      const std::string value = word.substr(eq + 1);
      if (key == "name") {
        s.name = value;
      } else if (key == "graphics") {
        ok = ParseInt(value, s.graphics);
      } else if (key == "cols") {
        ok = ParseInt(value, s.cols);
      } else if (key == "rows") {
        ok = ParseInt(value, s.rows);
      } else if (key == "band") {
        ok = ParseInt(value, s.band);
      } else if (key == "txtcurs") {
        ok = ParseInt(value, s.txtcurs);
      } else if (key == "crmode") {
        ok = ParseInt(value, s.crmode);
      } else if (key == "block") {
        ok = ParseInt(value, s.block);
      } else if (key == "scale") {
        char* end = nullptr;
        s.scale = std::strtof(value.c_str(), &end);
        ok = end != value.c_str() && *end == '\0';
      } else if (key == "screen") {
        s.screen = value;
      } else if (key == "shown") {
        s.shown = value;
      } else if (key == "text") {
        s.text = value;
      } else {
        ok = false;
      }
    }
    if (!ok || s.name.empty()) {
      error = path + ":" + std::to_string(number) + ": not a stream: " + line;
      return std::nullopt;
    }
    streams.push_back(s);
  }
  return streams;
}

std::string FormatStream(const Stream& s) {
  char scale[32];
  std::snprintf(scale, sizeof scale, "%g", static_cast<double>(s.scale));
  std::string line = "name=" + s.name + " graphics=" + std::to_string(s.graphics) +
                     " cols=" + std::to_string(s.cols) + " rows=" + std::to_string(s.rows) +
                     " band=" + std::to_string(s.band) + " txtcurs=" + std::to_string(s.txtcurs) +
                     " crmode=" + std::to_string(s.crmode) + " scale=" + scale +
                     " block=" + std::to_string(s.block);
  if (!s.screen.empty()) line += " screen=" + s.screen;
  if (!s.shown.empty()) line += " shown=" + s.shown;
  if (!s.text.empty()) line += " text=" + s.text;
  return line;
}

bool WriteIndex(const std::string& path, const std::vector<Stream>& streams) {
  std::ofstream file(path, std::ios::trunc);
  if (!file) return false;
  file << "# The reference replay set: one stream a line (see tools/replay/Replay.h).\n";
  for (const Stream& s : streams) file << FormatStream(s) << '\n';
  return static_cast<bool>(file);
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

std::vector<std::uint8_t> ChipBytesFromLog(const std::string& logText) {
  std::vector<std::uint8_t> bytes;
  std::istringstream lines(logText);
  std::string line;
  while (std::getline(lines, line)) {
    const auto at = line.find(" chip:");
    if (at == std::string::npos) continue;
    std::istringstream words(line.substr(at + 6));
    std::string hex;
    while (words >> hex) {
      char* end = nullptr;
      const unsigned long v = std::strtoul(hex.c_str(), &end, 16);
      if (end != hex.c_str() && *end == '\0' && v <= 0xFF)
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
  }
  return bytes;
}

}  // namespace tavolin::replay
