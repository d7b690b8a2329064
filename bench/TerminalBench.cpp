// Speed of the terminal, each case counted in bytes of the chip's output per second (a Present
// counts as one 1024-byte block, the most one read hands to Interpret) and as a multiple of the
// line rate: 115200 baud with two stop bits brings 10473 bytes a second, and a real adapter has
// no flow control, so whatever is slower than that loses bytes.
//
// Goals through Interpret and Present: bare newlines (every byte scrolls the text area) at least
// 100 times the line rate with 80 x 25 cells, 30 times with 132 x 50 and once with 512 x 512.
// Present alone runs at scales 1, 1.5, 2 and 4 (80 x 25 cells).  The parser alone decodes the
// same blocks into actions that are only counted: what decoding costs beside drawing.
#include <benchmark/benchmark.h>

#include <string>

#include "app/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/DisplayParser.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {
namespace {

constexpr double kLineRate = 115200.0 / 11.0;  // bytes a second, two stop bits
constexpr int kBlock = 1024;

// Shows nothing: the cost measured is ours, not a copy made by a recorder.
class NullUi : public fake::RecordingUi {
 public:
  void ShowPicture(const Image&) override { ++pictureCount; }
};

struct Bench : fake::FakePlatform {
  NullUi nullUi;
  Platform quiet{clock, serial, nullUi, console, desktop};
  AppState app{quiet};
  Bench(int cols, int rows, bool graphicsMode) {
    std::string error;
    DecodeAssets(app, error);
    app.settings.Cols = cols;
    app.settings.Rows = rows;
    app.NormalTerminalMode = graphicsMode ? 0 : 1;
    CreateScreenImage(app, true);
    ClearScreen(app);
  }
  void Block(const std::string& bytes) {
    std::copy(bytes.begin(), bytes.end(), app.ReceiveBuffer.begin());
    Interpret(app, static_cast<int>(bytes.size()));
  }
};

void Report(benchmark::State& state, std::int64_t bytesPerIteration) {
  const auto bytes = static_cast<double>(state.iterations() * bytesPerIteration);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["xLineRate"] = benchmark::Counter(bytes / kLineRate, benchmark::Counter::kIsRate);
}

// A block of text starting with the cursor on the last row, so every line scrolls.
std::string Fill(const std::string& pattern) {
  std::string block;
  while (block.size() < kBlock) block += pattern;
  block.resize(kBlock);
  return block;
}

void RunBlocks(benchmark::State& state, Bench& b, const std::string& block) {
  b.app.screen.cursorRow = EffectiveRows(b.app.settings) - 1;
  for (auto _ : state) b.Block(block);
  Report(state, static_cast<std::int64_t>(block.size()));
}

// Bare newlines in Normal-Terminal Mode: every byte scrolls the text area.  Argument: cells.
void BM_BareNewlines(benchmark::State& state) {
  Bench b(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), false);
  RunBlocks(state, b, Fill("\n"));
}
BENCHMARK(BM_BareNewlines)->Args({80, 25})->Args({132, 50})->Args({512, 512});

// Full text lines (80 glyphs and CR LF) scrolling the default screen.
void BM_FullTextLines(benchmark::State& state) {
  Bench b(80, 25, false);
  b.app.settings.CRmode = 0;
  std::string line;
  for (int i = 0; i < 80; ++i) line += static_cast<char>('!' + i % 90);
  RunBlocks(state, b, Fill(line + "\r\n"));
}
BENCHMARK(BM_FullTextLines);

// Graphics-mode text with CR: the line feed of graphics mode, with the text cursor mark on.
void BM_GraphicsModeLines(benchmark::State& state) {
  Bench b(80, 25, true);
  b.app.settings.TxtCurs = 1;
  RunBlocks(state, b, Fill("The quick brown fox jumps over the lazy dog 0123456789\r"));
}
BENCHMARK(BM_GraphicsModeLines);

// The scroll command: up by one pixel row, left by one pixel column, down and right by 17, mixed.
void BM_GraphicsScroll(benchmark::State& state) {
  Bench b(80, 25, true);
  const int dx = static_cast<int>(state.range(0));
  const int dy = static_cast<int>(state.range(1));
  const int x = dx < 0 ? dx + 512 : dx;
  const int y = dy < 0 ? dy + 512 : dy;
  const char C = static_cast<char>(0x0B | ((x & 1) << 5) | ((y & 1) << 4));
  std::string block;
  while (block.size() + 4 <= kBlock)
    block += {5, C, static_cast<char>(x / 2), static_cast<char>(y / 2)};
  RunBlocks(state, b, block);
}
BENCHMARK(BM_GraphicsScroll)->Args({0, 1})->Args({1, 0})->Args({-17, -17})->Args({0, 17});

void BM_InterpretText(benchmark::State& state) {
  Bench b(80, 25, false);
  b.app.screen.cursorRow = 0;
  const std::string block = Fill("The quick brown fox jumps over the lazy dog 0123456789\r\n");
  for (auto _ : state) {
    b.app.screen.cursorRow = 0;
    b.Block(block);
  }
  Report(state, kBlock);
}
BENCHMARK(BM_InterpretText);

void BM_InterpretGraphics(benchmark::State& state) {
  Bench b(80, 25, true);
  std::string block;
  int i = 0;
  while (block.size() + 4 <= kBlock) {
    const char ops[] = {0x00, 0x02, 0x03, 0x01, 0x07, 0x05, 0x08, 0x0A};
    const char op = ops[i % 8];
    block += {5, op, static_cast<char>((i * 37) % 256), static_cast<char>((i * 53) % 200)};
    ++i;
  }
  for (auto _ : state) b.Block(block);
  Report(state, static_cast<std::int64_t>(block.size()));
}
BENCHMARK(BM_InterpretGraphics);

// Present alone, of a picture that has scrolled.  Argument: the scale times 2.
void BM_Present(benchmark::State& state) {
  Bench b(80, 25, false);
  b.app.settings.WindowScale = static_cast<float>(state.range(0)) / 2.0f;
  b.app.screen.cursorRow = 24;
  b.Block(Fill("Present\n"));
  for (auto _ : state) Present(b.app);
  Report(state, kBlock);
}
BENCHMARK(BM_Present)->Arg(2)->Arg(3)->Arg(4)->Arg(8);

// Counts the actions, so that the decoding is not optimised away.
class CountingActions final : public DisplayActions {
 public:
  std::int64_t count = 0;
  void Print(std::uint8_t glyph) override { count += glyph; }
  void Control(ControlCode code) override { count += static_cast<int>(code); }
  void SetColumn(std::uint8_t v) override { count += v; }
  void SetRow(std::uint8_t v) override { count += v; }
  void SetColour(std::uint8_t v) override { count += v; }
  void Graphics(GraphicsBytes g) override { count += g.C + g.X + g.Y; }
  void Query(int x) override { count += x; }
  void FileBlock(std::int32_t block) override { count += block; }
  void HostRequest(int x, int y) override { count += x + y; }
};

// The parser alone on blocks like the ones above: text lines and bare newlines in Normal-Terminal
// Mode, graphics commands in graphics mode.
void BM_ParserAlone(benchmark::State& state) {
  std::string block;
  switch (state.range(0)) {
    case 0:
      block = Fill("The quick brown fox jumps over the lazy dog 0123456789\r\n");
      break;
    case 1:
      block = Fill("\n");
      break;
    default:
      for (int i = 0; block.size() + 4 <= kBlock; ++i) {
        block += {5, static_cast<char>(i % 16), static_cast<char>((i * 37) % 256),
                  static_cast<char>((i * 53) % 200)};
      }
      break;
  }
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(block.data()),
                                            block.size());
  const Dialect dialect = state.range(0) == 2 ? Dialect::Graphics : Dialect::NormalTerminal;
  DisplayParser parser;
  CountingActions actions;
  for (auto _ : state) {
    parser.Feed(bytes, dialect, actions);
    benchmark::DoNotOptimize(actions.count);
  }
  Report(state, static_cast<std::int64_t>(block.size()));
}
BENCHMARK(BM_ParserAlone)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
}  // namespace tavolin
