// The window when tavolin-sim ends and so the far end of its pseudo-terminal closes, as an
// unplugged adapter would: it closes the port and stays idle (its CPU time is measured from
// /proc).  What the program holds open is read from /proc/<pid>/fd, so every wait is for a
// condition.  Taking the device back behind the same name is the backend's (tests/posix) and the
// core's (tests/app PortLossTest); the console upload's loss is in ConsoleE2eTest.cpp.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/e2e/E2eRig.h"

namespace tavolin::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kOpenLimitMs = 15000;  // the window starts and opens its port
constexpr int kLossLimitMs = 5000;   // the loss is seen at the next poll
constexpr int kIdleWindowMs = 3000;  // the CPU time is measured over this
constexpr double kIdleCpuLimit = 0.01;

// Whether process pid has device open.
bool Holds(pid_t pid, const std::string& device) {
  std::error_code ec;
  for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code ec2;
    if (fs::read_symlink(it->path(), ec2).string() == device) return true;
  }
  return false;
}

// User and system CPU time of process pid, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(in, stat);
  // The fields after the command name (which may hold blanks) start after its closing bracket.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long utime = 0;
  long stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

TEST(PortLossE2e, TheWindowClosesALostPortAndGoesIdle) {
  if (Launcher::Get().wine()) {
    GTEST_SKIP() << "under Wine the program's open devices and CPU time are not in /proc of the "
                    "process started";
  }
  if (!TAVOLIN_HAS_WINDOW) GTEST_SKIP() << "the program is built without its window";
  TempDir dir;
  Sim chip(dir, {"--no-clock"});
  ASSERT_TRUE(chip.ok());
  const std::string link = dir.File("com5");
  fs::create_symlink(chip.device(), link);
  dir.Write("start.ini", "[Config]\r\nComNr=5\r\n");
  // The window on Qt's offscreen platform with COM 5 behind link.
  const auto tavolin = Launcher::Get().Start({{dir.File("start.ini")},
                                              {{5, link}},
                                              "",
                                              {{"QT_QPA_PLATFORM", "offscreen"}},
                                              dir.Folder(),
                                              dir.File("out"),
                                              dir.File("err")});
  ASSERT_TRUE(WaitFor([&] { return Holds(tavolin->pid(), chip.device()); }, kOpenLimitMs))
      << ReadFile(dir.File("err"));

  // The adapter is pulled out: its name goes first (or a pseudo-terminal opened meanwhile by
  // anyone could take over the freed number behind it), then its far end.
  fs::remove(link);
  chip.Kill();
  ASSERT_TRUE(WaitFor([&] { return !Holds(tavolin->pid(), chip.device()); }, kLossLimitMs))
      << "the port stayed open";
  ASSERT_FALSE(tavolin->Ended()) << ReadFile(dir.File("err"));

  const long before = CpuTicks(tavolin->pid());
  const std::int64_t from = NowMs();
  WaitFor([&] { return NowMs() - from >= kIdleWindowMs || tavolin->Ended(); }, 2 * kIdleWindowMs);
  const double seconds = static_cast<double>(NowMs() - from) / 1000.0;
  const double share =
      static_cast<double>(CpuTicks(tavolin->pid()) - before) / sysconf(_SC_CLK_TCK) / seconds;
  ASSERT_FALSE(tavolin->Ended());
  std::printf("CPU share of the window after its port was lost: %.2f %% of a core over %.1f s\n",
              share * 100.0, seconds);
  RecordProperty("idle_cpu_percent", std::to_string(share * 100.0));
  EXPECT_LT(share, kIdleCpuLimit);
}

}  // namespace
}  // namespace tavolin::e2e
