// The window when the far end of its pseudo-terminal closes, as an unplugged adapter would: it
// closes the port and stays idle (its CPU time is measured from /proc).  What the program holds
// open is read from /proc/<pid>/fd, so every wait is for a condition.  Taking the device back
// behind the same name is the backend's (tests/posix) and the core's (tests/app PortLossTest);
// the console upload's loss is in ConsoleE2eTest.cpp.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "E2eRig.h"

namespace tavolin::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kOpenLimitMs = 15000;  // the window starts and opens its port
constexpr int kLossLimitMs = 5000;   // the loss is seen at the next poll
constexpr int kIdleWindowMs = 3000;  // the CPU time is measured over this
constexpr double kIdleCpuLimit = 0.01;

struct Pty {
  int master = -1;
  std::string slave;
  Pty() {
    // Close-on-exec: a copy of the master in the program would keep the far end alive.
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
  }
  ~Pty() { Close(); }
  void Close() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
};

// Why the test cannot run, empty when it can.
std::string WhyNot() {
  if (Launcher::Get().wine()) {
    return "under Wine the program's open devices and CPU time are not in /proc of the process "
           "started";
  }
  return TAVOLIN_HAS_WINDOW ? "" : "the program is built without its window";
}

// The window on Qt's offscreen platform with COM 5 behind link.
std::unique_ptr<Program> Start(const TempDir& dir, const std::string& link) {
  return Launcher::Get().Start({{dir / "start.ini"},
                                {{5, link}},
                                "",
                                {{"QT_QPA_PLATFORM", "offscreen"}},
                                dir.path().string(),
                                dir / "out",
                                dir / "err"});
}

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
  if (!WhyNot().empty()) GTEST_SKIP() << WhyNot();
  TempDir dir;
  auto first = std::make_unique<Pty>();
  ASSERT_FALSE(first->slave.empty());
  const std::string link = dir / "com5";
  fs::create_symlink(first->slave, link);
  WriteFile(dir / "start.ini", "[Config]\r\nComNr=5\r\n");
  const auto program = Start(dir, link);
  Program& tavolin = *program;
  ASSERT_TRUE(WaitFor([&] { return Holds(tavolin.pid(), first->slave); }, kOpenLimitMs))
      << ReadFile(dir / "err");

  // The adapter is pulled out: its name goes first (or a pseudo-terminal opened meanwhile by
  // anyone could take over the freed number behind it), then its far end.
  const std::string lost = first->slave;
  fs::remove(link);
  first->Close();
  ASSERT_TRUE(WaitFor([&] { return !Holds(tavolin.pid(), lost); }, kLossLimitMs))
      << "the port stayed open";
  ASSERT_FALSE(tavolin.Ended()) << ReadFile(dir / "err");

  const long before = CpuTicks(tavolin.pid());
  const std::int64_t from = NowMs();
  WaitFor([&] { return NowMs() - from >= kIdleWindowMs || tavolin.Ended(); }, 2 * kIdleWindowMs);
  const double seconds = static_cast<double>(NowMs() - from) / 1000.0;
  const double share =
      static_cast<double>(CpuTicks(tavolin.pid()) - before) / sysconf(_SC_CLK_TCK) / seconds;
  ASSERT_FALSE(tavolin.Ended());
  std::printf("CPU share of the window after its port was lost: %.2f %% of a core over %.1f s\n",
              share * 100.0, seconds);
  RecordProperty("idle_cpu_percent", std::to_string(share * 100.0));
  EXPECT_LT(share, kIdleCpuLimit);
}

}  // namespace
}  // namespace tavolin::e2e
