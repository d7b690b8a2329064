// "&Save Settings" replaces the settings file in one step: a save that is cut short or refused
// leaves the old file whole, and a refused one tells the user why.  Each case runs in a child
// process, which can be killed in the middle of its write (by its file size limit, at a byte that
// does not depend on timing) or run as a user who may not write the folder.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/Commands.h"
#include "app/MenuIds.h"
#include "settings/SettingsFile.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

namespace fs = std::filesystem;
using testing::AppRig;
using testing::TempDir;

constexpr rlim_t kCutAfterBytes = 100;  // far less than a settings file
constexpr uid_t kNobody = 65534;

std::string OldFile() {
  Settings s;
  s.ComNr = 7;
  return FormatSettingsFile(s, false);
}

TEST(SettingsSave, AKillInTheMiddleOfTheWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string path = dir.Write("Tavolin2.ini", OldFile());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{kCutAfterBytes, kCutAfterBytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);  // writing past it kills the process (SIGXFSZ)
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    Settings s;
    s.BinPath = std::string(300, 'b');
    SaveSettingsFile(path, s, true);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the save was not cut short";
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  EXPECT_EQ(TempDir::Read(path), OldFile());
}

// The command in a folder its user may not write (as root, the child runs as nobody, for whom the
// folder is read-only as for anyone else): a box names the reason and the file, the old file stays.
TEST(SettingsSave, AReadOnlyFolderGivesABoxWithTheReasonAndThePath) {
  TempDir dir;
  const std::string path = dir.Write("Tavolin2.ini", OldFile());
  ASSERT_EQ(::chmod(dir.Folder().c_str(), 0555), 0);
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeFds[0]);
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(2);
    if (::chdir(dir.Folder().c_str()) != 0) ::_exit(3);
    AppRig rig;
    DispatchCommand(rig.app, menu::kSaveSettings);
    std::string report;
    for (const auto& m : rig.ui.messages) report += m.caption + "|" + m.text + "#";
    const bool sent =
        ::write(pipeFds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
    ::_exit(sent ? 0 : 4);
  }
  ::close(pipeFds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(dir.Folder().c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(report, "Save Settings|The settings were not saved:\n" + path + "\nPermission denied#");
  EXPECT_EQ(TempDir::Read(path), OldFile());
  EXPECT_FALSE(fs::exists(path + ".new"));
}

}  // namespace
}  // namespace tavolin
