// The same measures as TerminalBench, through the real window: every block ends in a Present
// that the Qt window puts on the screen before Interpret returns, and the window's events are
// processed once per block, as the main loop's wait does.  The offscreen platform by default
// (QT_QPA_PLATFORM chooses another).  Bytes a second and multiples of the line rate (10473 bytes
// a second at 115200 baud with two stop bits).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>

#include "app/AppState.h"
#include "app/Commands.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "platform/qt/QtUi.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {
namespace {

constexpr double kLineRate = 115200.0 / 11.0;
constexpr int kBlock = 1024;

struct Window {
  fake::VirtualClock clock;
  fake::FakeSerialSystem serial{clock};
  qt::QtUi ui;
  fake::RecordingConsole console;
  fake::RecordingDesktop desktop;
  Platform platform{clock, serial, ui, console, desktop};
  AppState app{platform};

  Window(int cols, int rows, float scale) {
    std::string error;
    DecodeAssets(app, error);
    app.settings.Cols = cols;
    app.settings.Rows = rows;
    app.settings.WindowScale = scale;
    ui.OpenWindow(ContentWidth(app.settings), ContentHeight(app.settings));
    CreateScreenImage(app, true);
    ClearScreen(app);
    QCoreApplication::processEvents();
  }
  void Block(const std::string& bytes) {
    std::copy(bytes.begin(), bytes.end(), app.ReceiveBuffer.begin());
    Interpret(app, static_cast<int>(bytes.size()));
    QCoreApplication::processEvents();
  }
};

void Report(benchmark::State& state, std::int64_t bytesPerIteration) {
  const auto bytes = static_cast<double>(state.iterations() * bytesPerIteration);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["xLineRate"] = benchmark::Counter(bytes / kLineRate, benchmark::Counter::kIsRate);
}

void BM_WindowBareNewlines(benchmark::State& state) {
  Window w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 1.0f);
  w.app.screen.cursorRow = static_cast<int>(state.range(1)) - 1;
  const std::string block(kBlock, '\n');
  for (auto _ : state) w.Block(block);
  Report(state, kBlock);
}
BENCHMARK(BM_WindowBareNewlines)
    ->Args({80, 25})
    ->Args({132, 50})
    ->Args({512, 512})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A block of text that changes two rows: the window repaints those rows only.
void BM_WindowTextBlock(benchmark::State& state) {
  Window w(80, 25, 1.0f);
  std::string block;
  while (block.size() < 160) block += "text ";
  block.resize(158);
  for (auto _ : state) {
    w.app.screen.cursorRow = 3;
    w.app.screen.cursorCol = 0;
    w.Block(block);
  }
  Report(state, static_cast<std::int64_t>(block.size()));
}
BENCHMARK(BM_WindowTextBlock)->UseRealTime();

// One scrolled screenful presented.  Argument: the scale times 2.
void BM_WindowPresent(benchmark::State& state) {
  Window w(80, 25, static_cast<float>(state.range(0)) / 2.0f);
  for (auto _ : state) {
    ScrollScreen(w.app, 0, kCellHeight);
    DrawCharacter(w.app, 'x');
    Present(w.app);
  }
  Report(state, kBlock);
}
BENCHMARK(BM_WindowPresent)->Arg(2)->Arg(3)->Arg(4)->Arg(8)->UseRealTime();

}  // namespace
}  // namespace tavolin

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
