// The P2 load through the program's own UploadImage against the simulated P2 ROM, for programs
// of 20 bytes, 100 KB and 500 KB at 115200, 921600 and 2,000,000 baud, behind an adapter in
// low-latency mode (1 ms).  The times are the link's (virtual) times:
//   start_ms   reset and "Prop_Chk" until the ROM answered (goal: under 150 ms);
//   load_s     from the first byte of the program until the ROM's "." arrived;
//   wire_s     what the bytes sent for the load take on the wire at the rate (8N1);
//   ratio      load_s / wire_s (goal: at most 1.1).
// 500 KB at 115200 do not fit the ROM's serial window (at least 60 s): the loader refuses them
// before it sends anything, and the row says so (refused 1).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/AppState.h"
#include "loader/BootLoader.h"
#include "loader/ImageUpload.h"
#include "loader/P2Loader.h"
#include "platform/fake/FakePlatform.h"
#include "sim/P2RomLoader.h"
#include "sim/PropImage.h"
#include "sim/SimChip.h"
#include "sim/SimLink.h"

namespace tavolin {
namespace {

// Notes the moments of the first answer and of the first byte of the program.
class Stamps : public TextOutput {
 public:
  explicit Stamps(Clock& clock) : clock_(clock) {}
  void PrintText(std::string_view) override {}
  void PrintLine(std::string_view text) override {
    if (text.rfind(kP2Version, 0) == 0) answeredMs = clock_.NowMs();
    if (text.rfind(kWriteInP2Ram, 0) == 0) sendingMs = clock_.NowMs();
    if (text == kOkRun) doneMs = clock_.NowMs();
  }
  void ClearScreen() override {}
  std::int64_t answeredMs = -1;
  std::int64_t sendingMs = -1;
  std::int64_t doneMs = -1;

 private:
  Clock& clock_;
};

void P2Load(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  const auto bytes = static_cast<std::size_t>(state.range(1));
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "tavolin-p2-bench.binary";
  sim::SaveImage(path, sim::MakeP2Image(bytes));
  const std::size_t sent = P2LoadText(sim::MakeP2Image(bytes)).size();
  double startMs = 0;
  double loadS = 0;
  bool refused = false;
  for (auto _ : state) {
    fake::FakePlatform fakes;
    fake::FakeSerialDevice& device = fakes.serial.Plug(3);
    sim::SimOptions options;
    options.rom = options.start = sim::Personality::P2Rom;
    options.firmware = sim::Personality::Off;
    sim::SimChip chip(options);
    sim::LinkOptions link;
    link.latencyMs = 1;
    sim::SimLink simLink(chip, device, fakes.clock, link);
    AppState app(fakes.platform);
    Stamps stamps(fakes.clock);
    app.SetOutput(&stamps);
    app.settings.P2LoadBaud = baud;
    app.port.Open(3, 0, 0);
    const std::int64_t begin = fakes.clock.NowMs();
    const UploadOutcome outcome = UploadImage(app, path.string());
    refused = outcome == UploadOutcome::FileRefused;
    if (refused) continue;
    if (outcome != UploadOutcome::Loaded || !chip.p2Rom().record().ran) {
      state.SkipWithError("the P2 did not run the program");
      break;
    }
    // The first reset pulse comes before the file is read; the P2's own reset starts 125 ms
    // before the first question.
    startMs = static_cast<double>(stamps.answeredMs - begin) - 125.0;
    loadS = static_cast<double>(stamps.doneMs - stamps.sendingMs) / 1000.0;
  }
  const double wireS = static_cast<double>(WireMs(sent, baud)) / 1000.0;
  state.counters["start_ms"] = startMs;
  state.counters["load_s"] = loadS;
  state.counters["wire_s"] = wireS;
  state.counters["ratio"] = wireS > 0 && !refused ? loadS / wireS : 0;
  state.counters["refused"] = refused ? 1 : 0;
  std::filesystem::remove(path);
}

BENCHMARK(P2Load)
    ->ArgNames({"baud", "bytes"})
    ->ArgsProduct({{115200, 921600, 2000000}, {20, 100000, 500000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace tavolin
