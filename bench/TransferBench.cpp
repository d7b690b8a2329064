// The binary transfer of a 32 KB file to the simulated chip, through the program's own
// DownloadBinary, with the USB adapter's latency timer at its default 16 ms and at the 1 ms of
// low-latency mode.  Each 16-byte block waits for the chip's go-ahead, which the adapter holds
// back until its timer ticks, so the latency sets the pace.  The time that matters is the link's
// (virtual) time, reported as the counter link_s; the wall time is only the simulation's cost.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppState.h"
#include "loader/MonitorTransfer.h"
#include "platform/fake/FakePlatform.h"
#include "sim/SimChip.h"
#include "sim/SimLink.h"

namespace tavolin {
namespace {

constexpr std::size_t kFileBytes = 32 * 1024;

std::string WriteFile() {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "tavolin-transfer-bench.bin";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (std::size_t i = 0; i < kFileBytes; ++i) out.put(static_cast<char>(i * 7));
  return path.string();
}

void BinaryTransfer32K(benchmark::State& state) {
  const std::string path = WriteFile();
  double linkMs = 0;
  for (auto _ : state) {
    fake::FakePlatform fakes;
    fake::FakeSerialDevice& device = fakes.serial.Plug(3);
    sim::SimOptions options;
    options.start = sim::Personality::Transfer;
    sim::SimChip chip(options);
    sim::LinkOptions link;
    link.latencyMs = static_cast<int>(state.range(0));
    sim::SimLink simLink(chip, device, fakes.clock, link);
    AppState app(fakes.platform);
    fake::RecordingTextOutput out;
    app.SetOutput(&out);
    app.port.Open(3, 0, 0);
    const std::int64_t start = fakes.clock.NowMs();
    DownloadBinary(app, path);
    linkMs = static_cast<double>(fakes.clock.NowMs() - start);
    fakes.clock.SleepMs(10);  // the last block crosses the wire
    if (chip.transferPeer().state() != sim::TransferPeer::State::Done ||
        chip.transferPeer().data().size() != kFileBytes) {
      state.SkipWithError("the chip did not receive the whole file");
      break;
    }
  }
  state.counters["link_s"] = linkMs / 1000.0;
  std::filesystem::remove(path);
}

BENCHMARK(BinaryTransfer32K)->ArgName("latency_ms")->Arg(16)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavolin
