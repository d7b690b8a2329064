// The display interpreter under arbitrary chip output.  The first three bytes choose the dialect,
// the grid, the scale and the options; the rest is cut into blocks, each interpreted as one read
// from the port, fed to the port for the interpreter's own parameter reads, or changing the
// settings under the running screen as a loaded file would.  Pictures are counted, never copied,
// so that a run is spent in the interpreter.  Any address or undefined-behaviour fault, or a
// state out of its ranges, is a finding.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppState.h"
#include "app/ChipAnswers.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/GraphicsCommand.h"
#include "terminal/TerminalScreen.h"

namespace {

using namespace tavolin;

// A window that takes each picture without keeping a copy.
class CountingUi : public fake::RecordingUi {
 public:
  void ShowPicture(const Image& picture) override {
    ++pictureCount;
    lastWidth = picture.width;
  }
  int lastWidth = 0;
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

// Mostly unstretched: a stretch costs more than the interpretation of a short block.
constexpr float kScales[] = {1.0f, 1.0f, 0.5f, 1.5f};

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
  // The pictures are decoded once; every run starts from copies.
  static Image glyphs;
  static Image logo;
  if (glyphs.pixels.empty()) {
    std::string error;
    if (!DecodeAssets(app, error)) std::abort();
    glyphs = app.glyphSheet;
    logo = app.logo;
  }
  app.glyphSheet = glyphs;
  app.logo = logo;

  const std::uint8_t flags = data[0];
  app.NormalTerminalMode = (flags & 1) != 0 ? 0 : 1;
  app.settings.MsMoveOff = app.NormalTerminalMode;
  app.settings.TxtCurs = (flags >> 1) & 1;
  app.settings.CRmode = (flags >> 2) & 1;
  app.settings.WindowScale = kScales[(flags >> 4) & 3];
  app.settings.Cols = 1 + data[1] % 40;
  app.settings.Rows = 1 + data[2] % 25;
  app.PreparedFile = (flags & 0x40) != 0 ? PreparedFile() : std::string();
  fake::FakeSerialDevice& device = serial.Plug(1);
  if ((flags & 0x80) == 0) app.port.Open(1, 0, 0);
  if ((flags & 8) != 0) {
    app.screen.screenImage = ScreenImage();  // as after a failed allocation
  } else {
    CreateScreenImage(app, true);
  }
  ScreenTextOutput output{app};
  app.SetOutput(&output);
  ClearScreen(app);
  const int width = app.screen.screenImage.width;
  const int height = app.screen.screenImage.height;

  std::size_t pos = 3;
  while (pos < size) {
    const std::uint8_t head = data[pos++];
    const std::size_t length = std::min<std::size_t>(1 + (head >> 2), size - pos);
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
        app.settings.Cols += (v & 3) - 1;
        app.settings.Rows += ((v >> 2) & 3) - 1;
        app.settings.TxtCurs = (v >> 4) & 1;
        app.settings.CRmode = (v >> 5) & 1;
        app.NormalTerminalMode = (v >> 6) & 1;
        break;
      }
    }
    pos += length;
    const TerminalScreen& s = app.screen;
    Check(s.screenImage.width == width && s.screenImage.height == height);
    Check(s.cursorCol >= 0 && s.cursorRow >= 0);
    Check(app.interpreter.carryCount >= 0 && app.interpreter.carryCount <= 3);
    const int reply = app.interpreter.ReplyByte;
    Check(reply == 0 || reply == kPixelLit || reply == kPixelBlack);
  }
  return 0;
}
