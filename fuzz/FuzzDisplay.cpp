// The display interpreter under arbitrary chip output.  The first three bytes choose the dialect,
// the grid, the scale and the options; the rest is cut into blocks, each interpreted as one read
// from the port, fed to the port for the interpreter's own parameter reads, or changing the
// settings under the running screen as a loaded file would.  Any address or undefined-behaviour
// fault, a state out of its ranges, a pixel that is not opaque, or a screen that no longer takes
// text afterwards is a finding.
//
// Every run starts from a fresh AppState, so no input depends on an earlier one.  What would cost
// more than the interpretation is lent to the run instead and taken back afterwards: the decoded
// glyph sheet and logo, which nothing here writes, and Present's picture buffer with its stretch
// maps, whose every pixel Present writes before the window sees it.  Every block ends in a
// Present, which copies or stretches the whole picture, so the picture's size sets the price of a
// block: the grid is kept at most 8 x 3 cells (64 x 72 pixels with the band), and the settings
// changes keep it within two cells of that, where the picture and the text area still differ
// both ways.  A graphics command's 9-bit coordinates still reach past the picture on both sides.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/ChipAnswers.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "settings/Settings.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/GraphicsCommand.h"
#include "terminal/Raster.h"
#include "terminal/TerminalScreen.h"

namespace {

using namespace tavolin;

constexpr int kMaxCols = 8;  // 64 pixels
constexpr int kMaxRows = 3;  // 51 pixels and the band
// How many cells the settings changes may take the grid past the largest one: any further, only
// the stretched picture would grow, and every block would pay for it.
constexpr int kDrift = 2;
// Mostly unstretched: a stretch costs more than the interpretation of a short block.
constexpr float kScales[] = {1.0f, 1.0f, 0.5f, 1.5f};

// A window that takes each picture without keeping a copy.
class CountingUi : public fake::RecordingUi {
 public:
  void ShowPicture(const Image&) override { ++pictureCount; }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& PreparedFile() {
  static const std::string path = [] {
    const auto p = std::filesystem::temp_directory_path() / "tavolin-fuzz-prepared.bin";
    std::ofstream out(p, std::ios::binary);
    for (int i = 0; i < 1300; ++i) out.put(static_cast<char>(i * 7));
    return p.string();
  }();
  return path;
}

// Lent to every run, see above.
struct Loan {
  Image glyphSheet;
  Image logo;
  Image shown;
  raster::StretchMaps stretchMaps;

  static Loan& Kept() {
    static Loan loan = [] {
      fake::VirtualClock clock;
      fake::FakeSerialSystem serial{clock};
      fake::RecordingUi ui;
      fake::RecordingConsole console;
      fake::RecordingDesktop desktop;
      Platform platform{clock, serial, ui, console, desktop};
      AppState app{platform};
      std::string error;
      Check(DecodeAssets(app, error));
      Loan decoded;
      decoded.glyphSheet = std::move(app.glyphSheet);
      decoded.logo = std::move(app.logo);
      return decoded;
    }();
    return loan;
  }
  void LendTo(AppState& app) {
    app.glyphSheet = std::move(glyphSheet);
    app.logo = std::move(logo);
    app.screen.scaledImage = std::move(shown);
    app.screen.stretchMaps = std::move(stretchMaps);
  }
  void TakeBack(AppState& app) {
    glyphSheet = std::move(app.glyphSheet);
    logo = std::move(app.logo);
    shown = std::move(app.screen.scaledImage);
    stretchMaps = std::move(app.screen.stretchMaps);
  }
};

// Whether every pixel of the picture is opaque (XOR and the glyph colours leave the alpha alone).
bool EveryPixelOpaque(const ScreenImage& image) {
  for (int y = 0; y < image.height; ++y) {
    const Pixel* row = image.ReadRow(y);
    for (int x = 0; x < image.width; ++x) {
      if ((row[x] >> 24) != 0xFFu) return false;
    }
  }
  return true;
}

// One block's length from its head byte: mostly short reads, and now and then a long one.
std::size_t BlockLength(std::uint8_t head) {
  const std::size_t code = head >> 2;
  return code < 48 ? 1 + code : (code - 47) * 256;
}

// The input interpreted on app, checked after every block.
void Run(AppState& app, fake::FakeSerialDevice& device, const std::uint8_t* data,
         std::size_t size) {
  const std::uint8_t flags = data[0];
  const int cols = 1 + data[1] % kMaxCols;
  const int rows = 1 + data[2] % kMaxRows;
  app.NormalTerminalMode = (flags & 1) != 0 ? 0 : 1;
  app.settings.MsMoveOff = app.NormalTerminalMode;
  app.settings.TxtCurs = (flags >> 1) & 1;
  app.settings.CRmode = (flags >> 2) & 1;
  app.settings.WindowScale = kScales[(flags >> 4) & 3];
  app.settings.Cols = cols;
  app.settings.Rows = rows;
  app.PreparedFile = (flags & 0x40) != 0 ? PreparedFile() : std::string();
  if ((flags & 0x80) == 0) app.port.Open(1, 0, 0);
  if ((flags & 8) != 0) {
    app.screen.screenImage = ScreenImage();  // as after a failed allocation
  } else {
    // With the band as when the window opens, or without it as after the settings are loaded.
    CreateScreenImage(app, (data[1] & 0x80) == 0);
  }
  const int width = app.screen.screenImage.width;
  const int height = app.screen.screenImage.height;
  // The cursor row stays below the most rows the settings have given the grid.
  int mostRows = rows;

  std::size_t pos = 3;
  while (pos < size) {
    const std::uint8_t head = data[pos++];
    const std::size_t length = std::min(BlockLength(head), size - pos);
    if (length == 0) break;
    switch (head & 3) {
      case 0:
      case 1:
        std::copy(data + pos, data + pos + length, app.ReceiveBuffer.begin());
        Interpret(app, static_cast<int>(length));
        AnswerQuestions(app);
        break;
      case 2:
        device.Feed(std::vector<std::uint8_t>(data + pos, data + pos + length));
        break;
      default: {
        const std::uint8_t v = data[pos];
        app.settings.Cols = std::clamp(app.settings.Cols + (v & 3) - 1, 0, kMaxCols + kDrift);
        app.settings.Rows =
            std::clamp(app.settings.Rows + ((v >> 2) & 3) - 1, 0, kMaxRows + kDrift);
        app.settings.TxtCurs = (v >> 4) & 1;
        app.settings.CRmode = (v >> 5) & 1;
        app.NormalTerminalMode = (v >> 6) & 1;
        if ((v & 0x80) != 0 && length > 1) app.settings.WindowScale = kScales[data[pos + 1] & 3];
        mostRows = std::max(mostRows, EffectiveRows(app.settings));
        break;
      }
    }
    pos += length;
    const TerminalScreen& s = app.screen;
    Check(s.screenImage.width == width && s.screenImage.height == height);
    Check(s.cursorCol >= 0 && s.cursorRow >= 0 && s.cursorRow < mostRows);
    Check(app.interpreter.carryCount >= 0 && app.interpreter.carryCount <= 3);
    const int reply = app.interpreter.ReplyByte;
    Check(reply == 0 || reply == kPixelLit || reply == kPixelBlack);
  }
  Check(EveryPixelOpaque(app.screen.screenImage));

  // Text still shows on the screen the input left, once a command the chip left unfinished
  // is no longer waiting for its bytes.
  if (app.screen.screenImage.empty() || app.interpreter.carryCount != 0) return;
  app.NormalTerminalMode = 1;
  app.settings.Cols = cols;
  app.settings.Rows = rows;
  PrintText(app, std::string_view("\0ok", 3));  // cleared first
  Check(app.screen.textMirror == "ok");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  fake::VirtualClock clock;
  fake::FakeSerialSystem serial{clock};
  CountingUi ui;
  fake::RecordingConsole console;
  fake::RecordingDesktop desktop;
  Platform platform{clock, serial, ui, console, desktop};
  AppState app{platform};
  fake::FakeSerialDevice& device = serial.Plug(1);
  ScreenTextOutput output{app};
  app.SetOutput(&output);
  Loan& loan = Loan::Kept();
  loan.LendTo(app);
  Run(app, device, data, size);
  loan.TakeBack(app);
  return 0;
}
