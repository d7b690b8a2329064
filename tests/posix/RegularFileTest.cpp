// Names that lead to something other than a regular file: a FIFO nobody writes, an endless device,
// a folder, nothing at all.  Each reader that a chip request, a dialog or the command line points
// there treats it as a file that cannot be opened, returns at once and sends nothing; the "s"
// request writes only into regular or new files.  A regression here hangs in open() until CTest's
// time-out ends the test.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/ChipAnswers.h"
#include "app/MainLoop.h"
#include "loader/ImageUpload.h"
#include "loader/MonitorTransfer.h"
#include "platform/RegularFile.h"
#include "settings/SettingsFile.h"
#include "terminal/DisplayInterpreter.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

namespace fs = std::filesystem;
using testing::AppRig;
using testing::TempDir;

// The places every case is tried with.
struct BadPaths {
  TempDir dir;
  std::string fifo = dir.File("fifo");
  std::string linkToFifo = dir.File("link-to-fifo");
  std::string folder = dir.File("folder");
  std::string missing = dir.File("missing");
  BadPaths() {
    EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, linkToFifo);
    fs::create_directory(folder);
  }
  std::vector<std::string> All() const {
    return {fifo, linkToFifo, folder, missing, "/dev/zero", "/dev/null", ""};
  }
};

TEST(RegularFile, KindsAndSizes) {
  BadPaths paths;
  const std::string regular = paths.dir.Write("r.bin", "12345");
  struct Case {
    std::string path;
    FileKind kind;
    std::int64_t size;
  };
  const Case cases[] = {
      {regular, FileKind::Regular, 5},
      {paths.fifo, FileKind::Other, -1},
      {paths.linkToFifo, FileKind::Other, -1},
      {paths.folder, FileKind::Folder, -1},
      {paths.missing, FileKind::Missing, -1},
      {"/dev/zero", FileKind::Other, -1},
      {"", FileKind::Missing, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KindOfFile(c.path), c.kind) << c.path;
    EXPECT_EQ(RegularFileSize(c.path), c.size) << c.path;
  }
}

// Every reader, each with every bad path: nothing reaches the chip but what a missing file gives.
TEST(RegularFile, ReadersTreatOtherFilesAsMissing) {
  BadPaths paths;
  struct Reader {
    const char* name;
    std::function<void(AppState& app, const std::string& path)> run;
  };
  const Reader readers[] = {
      {"t request / text send", SendTextFile},
      {"f request / binary transfer", DownloadBinary},
      {"a request",
       [](AppState& app, const std::string& p) {
         app.PreparedFile = p;
         ServeHostRequest(app, kRequestDownloadPrepared);
       }},
      {"obj upload", MonitorObjUpload},
      {"image upload", UploadImage},
      {"sector read of the prepared file",
       [](AppState& app, const std::string& p) {
         app.PreparedFile = p;
         app.NormalTerminalMode = 0;
         const std::uint8_t sector[] = {5, 0x81 | 0x20, 128, 0};  // block 0
         std::copy(std::begin(sector), std::end(sector), app.ReceiveBuffer.begin());
         Interpret(app, 4);
         AnswerQuestions(app);
       }},
  };
  std::vector<std::string> all = paths.All();
  const std::string regular = all.emplace_back(paths.dir.Write("regular.bin", "ab\n"));
  for (const Reader& reader : readers) {
    for (const std::string& path : all) {
      AppRig rig;
      fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
      reader.run(rig.app, path);
      // The same reader with a regular file sends something.
      EXPECT_EQ(device.written.empty(), path != regular) << reader.name << " with " << path;
      EXPECT_FALSE(rig.ui.progressVisible) << reader.name << " with " << path;
    }
  }
}

// The size query answers -2 for a folder and -1 for everything else that is no regular file:
// never -1 followed by data, as /dev/zero once gave.
TEST(RegularFile, PreparedSizeOfOtherFiles) {
  BadPaths paths;
  for (const std::string& path : paths.All()) {
    AppRig rig;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    rig.app.PreparedFile = path;
    ServeHostRequest(rig.app, kRequestPreparedSize);
    const std::uint8_t low = path == paths.folder ? 0xFE : 0xFF;
    EXPECT_EQ(device.written, (std::vector<std::uint8_t>{low, 0xFF, 0xFF, 0xFF})) << path;
  }
}

TEST(RegularFile, SaveRequestWritesOnlyRegularOrNewFiles) {
  BadPaths paths;
  const std::string existing = paths.dir.Write("old.txt", "old and longer");
  for (const std::string& path : paths.All()) {
    AppRig rig;
    rig.app.screen.previousText = "saved";
    rig.app.screen.textMirror = path;
    ServeHostRequest(rig.app, kRequestSaveText);
  }
  EXPECT_EQ(fs::status(paths.fifo).type(), fs::file_type::fifo);
  EXPECT_TRUE(fs::is_directory(paths.folder));
  EXPECT_EQ(TempDir::Read(paths.missing), "saved");  // a new file is created
  AppRig rig;
  rig.app.screen.previousText = "new";
  rig.app.screen.textMirror = existing;
  ServeHostRequest(rig.app, kRequestSaveText);
  EXPECT_EQ(TempDir::Read(existing), "new");
  // A link that leads nowhere yet is not followed: it could be made to point at a device.
  const std::string dangling = paths.dir.File("dangling");
  fs::create_symlink(paths.dir.File("target"), dangling);
  rig.app.screen.textMirror = dangling;
  ServeHostRequest(rig.app, kRequestSaveText);
  EXPECT_FALSE(fs::exists(paths.dir.File("target")));
}

TEST(RegularFile, SettingsFileIsOnlyARegularFile) {
  BadPaths paths;
  for (const std::string& path : paths.All()) {
    Settings s;
    s.ComNr = 42;
    std::int32_t mode = 5;
    EXPECT_FALSE(LoadSettingsFile(path, s, mode)) << path;
    EXPECT_EQ(s.ComNr, 42) << path;
    EXPECT_EQ(mode, 5) << path;
    SaveSettingsFile(path, s, false);
  }
  EXPECT_EQ(fs::status(paths.fifo).type(), fs::file_type::fifo);
}

}  // namespace
}  // namespace tavolin
