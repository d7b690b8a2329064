// Starting programs without a shell, and the console.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/PosixConsole.h"
#include "platform/posix/PosixDesktop.h"

namespace tavolin::posix {
namespace {

namespace fs = std::filesystem;

TEST(PosixDesktop, StartsProgramsByPathAndNeverThroughAShell) {
  const fs::path dir = fs::path(::testing::TempDir()) / "tavolin-desktop";
  fs::remove_all(dir);
  fs::create_directories(dir);
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
  fs::remove_all(dir);
}

TEST(PosixConsole, WritesBothStreams) {
  PosixConsole console;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  console.Out("Propeller Upload on COM: 3\n");
  console.Err("problem\n");
  const std::string err = ::testing::internal::GetCapturedStderr();
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Propeller Upload on COM: 3\n");
  EXPECT_EQ(err, "problem\n");
  EXPECT_FALSE(console.ErrIsTerminal());  // captured into a file
}

}  // namespace
}  // namespace tavolin::posix
