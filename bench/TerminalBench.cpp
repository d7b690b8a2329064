// Speed of the terminal: Interpret on text and on graphics, a full-screen scroll, and Present at
// scales 1, 2, 4 and 8.  The link brings about 11.5 KB/s at 115200 baud; the interpreter and
// Present must stay far above that.
#include <benchmark/benchmark.h>

#include <string>

#include "app/AppState.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {
namespace {

// Shows nothing: the cost measured is ours, not a copy made by a recorder.
class NullUi : public fake::RecordingUi {
 public:
  void ShowPicture(const Image&) override { ++pictureCount; }
};

struct Bench {
  fake::VirtualClock clock;
  fake::FakeSerialSystem serial{clock};
  NullUi ui;
  fake::RecordingConsole console;
  fake::RecordingDesktop desktop;
  Platform platform{clock, serial, ui, console, desktop};
  AppState app{platform};
  Bench() {
    std::string error;
    DecodeAssets(app, error);
    CreateScreenImage(app, true);
    ClearScreen(app);
  }
  void Block(const std::string& bytes) {
    std::copy(bytes.begin(), bytes.end(), app.ReceiveBuffer.begin());
    Interpret(app, static_cast<int>(bytes.size()));
  }
};

void BM_InterpretText(benchmark::State& state) {
  Bench b;
  std::string block;
  while (block.size() < 1024) block += "The quick brown fox jumps over the lazy dog 0123456789\r\n";
  block.resize(1024);
  for (auto _ : state) b.Block(block);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1024);
}
BENCHMARK(BM_InterpretText);

void BM_InterpretGraphics(benchmark::State& state) {
  Bench b;
  b.app.NormalTerminalMode = 0;
  std::string block;
  int i = 0;
  while (block.size() + 4 <= 1024) {
    const char ops[] = {0x00, 0x02, 0x03, 0x01, 0x07, 0x05, 0x08, 0x0A};
    const char op = ops[i % 8];
    block += {5, op, static_cast<char>((i * 37) % 256), static_cast<char>((i * 53) % 200)};
    ++i;
  }
  for (auto _ : state) b.Block(block);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(block.size()));
}
BENCHMARK(BM_InterpretGraphics);

void BM_ScrollFullScreen(benchmark::State& state) {
  Bench b;
  for (auto _ : state) ScrollScreen(b.app, 0, kCellHeight);
}
BENCHMARK(BM_ScrollFullScreen);

void BM_Present(benchmark::State& state) {
  Bench b;
  b.app.settings.WindowScale = static_cast<float>(state.range(0));
  for (auto _ : state) Present(b.app);
}
BENCHMARK(BM_Present)->Arg(1)->Arg(2)->Arg(4)->Arg(8);

}  // namespace
}  // namespace tavolin
