// Starting programs without a shell.  Which stream the console writes is the end-to-end test's
// (tests/e2e ConsoleE2eTest), with the real program's output in files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/posix/PosixDesktop.h"
#include "tests/TempDir.h"

namespace tavolin::posix {
namespace {

namespace fs = std::filesystem;

TEST(PosixDesktop, StartsProgramsByPathAndNeverThroughAShell) {
  const testing::TempDir scratch;
  const fs::path dir = scratch.Folder();
  const fs::path marker = dir / "made";
  struct Case {
    std::string path;
    bool starts;
  };
  const Case cases[] = {
      {"/bin/true", true},
      {"", false},
      {(dir / "missing").string(), false},
      {"/bin/true; touch " + marker.string(), false},
      {"touch " + marker.string(), false},
      {"$(touch " + marker.string() + ")", false},
      {dir.string(), false},  // a folder is no program
  };
  PosixDesktop desktop;
  for (const Case& c : cases) EXPECT_EQ(desktop.StartProgram(c.path), c.starts) << c.path;
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_FALSE(desktop.RaiseWindowTitled("Propeller Tool"));
  EXPECT_FALSE(desktop.OpenDocument("", dir.string()));
  EXPECT_FALSE(desktop.OpenUrl(""));
}

// The opener gets the document or address as its one argument, blanks and shell characters
// included, and runs in the document's folder.
TEST(PosixDesktop, OpenerGetsOneArgumentInTheWorkingDirectory) {
  const testing::TempDir scratch;
  const fs::path dir = scratch.Folder();
  fs::create_directories(dir / "work");
  const fs::path script = dir / "opener";
  const fs::path record = dir / "record";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s|%s\\n' \"$#\" \"$1\" \"$(pwd)\" >> '"
                        << record.string() << "'\n";
  fs::permissions(script, fs::perms::owner_all);
  PosixDesktop desktop(script.string());
  const std::string odd = "my file; rm -rf x $(id).txt";
  ASSERT_TRUE(desktop.OpenDocument(odd, (dir / "work").string()));
  desktop.WaitForChildren();
  ASSERT_TRUE(desktop.OpenUrl("https://example.org/?a=1&b=2"));
  desktop.WaitForChildren();
  EXPECT_FALSE(desktop.OpenDocument("x.txt", (dir / "no-such-folder").string()));
  EXPECT_EQ(desktop.ReapEnded(), 0u);
  std::ifstream in(record);
  std::string first;
  std::string second;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(first, "1|" + odd + "|" + fs::canonical(dir / "work").string());
  EXPECT_EQ(second.substr(0, second.rfind('|')), "1|https://example.org/?a=1&b=2");
}

// Started programs that have ended are collected by the periodic call alone (no further start),
// so none stays a zombie.  Waits for the condition, bounded.
TEST(PosixDesktop, EndedProgramsAreReapedWithoutANewStart) {
  while (::waitpid(-1, nullptr, WNOHANG) > 0) {
  }  // what earlier tests in this process left behind
  PosixDesktop desktop;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(desktop.StartProgram("/bin/true"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  bool noChildLeft = false;
  while (!noChildLeft && std::chrono::steady_clock::now() < deadline) {
    desktop.ReapEndedPrograms();
    siginfo_t info{};
    // Looks without collecting: ECHILD once every child has been reaped by the desktop.
    noChildLeft = ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno == ECHILD;
    if (!noChildLeft) std::this_thread::yield();
  }
  EXPECT_TRUE(noChildLeft);
  EXPECT_EQ(desktop.ReapEnded(), 0u);
}

}  // namespace
}  // namespace tavolin::posix
