// The monitor OBJ upload, the paced binary download and the prepared file's size, byte for byte
// on the fake device, with the simulated chip's monitor and transfer program taking them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "LoaderRig.h"
#include "loader/MonitorTransfer.h"
#include "sim/TransferPeer.h"

namespace tavolin {
namespace {

using loadertest::LoaderRig;
using Bytes = std::vector<std::uint8_t>;

// The simulated chip behind COM 3 running one of its programs: the P2 monitor, or the transfer
// program, which gives a go-ahead after the size and after each block but none after the
// stopAfterBlocks-th block.
sim::SimOptions Running(sim::Personality program, int stopAfterBlocks = -1) {
  sim::SimOptions options;
  options.start = program;
  options.transfer.stopAfterBlocks = stopAfterBlocks;
  return options;
}

TEST(MonitorObjUpload, TypesTheFileAsHexLinesFromE80) {
  Bytes twenty;
  for (std::uint8_t b = 0; b < 20; ++b) twenty.push_back(b);
  struct Case {
    const char* name;
    Bytes bytes;
    std::string sent;
  };
  const Case cases[] = {
      {"20 bytes", twenty,
       "E80:00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\nE90:10 11 12 13\r\n0+E80"},
      {"one byte 0x0A", {0x0A}, "E80:0A\r\n0+E80"},
      {"empty", {}, "\r\n0+E80"},
      {"33 bytes", Bytes(33, 0xAB),
       "E80:AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB\r\n"
       "E90:AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB\r\nEA0:AB\r\n0+E80"},
  };
  for (const Case& c : cases) {
    LoaderRig rig(Running(sim::Personality::Monitor));
    rig.app.settings.MsMoveOff = 0;
    MonitorObjUpload(rig.app, rig.files.Write("p.obj", c.bytes));
    EXPECT_EQ(std::string(rig.device.written.begin(), rig.device.written.end()), c.sent) << c.name;
    EXPECT_EQ(rig.device.writeSizes, std::vector<std::size_t>(c.sent.size(), 1)) << c.name;
    EXPECT_EQ(rig.app.settings.MsMoveOff, 1) << c.name;
    EXPECT_EQ(rig.ui.pumpCount, static_cast<int>(c.bytes.size())) << c.name;
    EXPECT_EQ(rig.clock.slept(), 0) << c.name;
    rig.clock.SleepMs(200);  // the go line ends with the pause after it
    const sim::P2Monitor& monitor = rig.chip.monitor();
    EXPECT_EQ(monitor.Bytes(0xE80, c.bytes.size()), c.bytes) << c.name;
    EXPECT_EQ(monitor.memory().size(), c.bytes.size()) << c.name;
    EXPECT_EQ(monitor.badLines(), 0) << c.name;
    EXPECT_EQ(monitor.goAddress(), 0xE80u) << c.name;
  }
}

TEST(MonitorObjUpload, MissingFileSendsNothing) {
  LoaderRig rig(false);
  rig.app.settings.MsMoveOff = 0;
  MonitorObjUpload(rig.app, rig.files.File("none.obj"));
  EXPECT_TRUE(rig.device.written.empty());
  EXPECT_EQ(rig.app.settings.MsMoveOff, 0);
  EXPECT_EQ(rig.device.purges, 1);
}

TEST(DownloadBinary, SizeThenBlocksOf16EachAfterAGoAhead) {
  LoaderRig rig(Running(sim::Personality::Transfer));
  rig.app.NormalTerminalMode = 0;
  rig.app.settings.MsMoveOff = 1;
  Bytes file;
  for (std::uint8_t b = 0; b < 17; ++b) file.push_back(static_cast<std::uint8_t>(0x40 + b));
  DownloadBinary(rig.app, rig.files.Write("d.bin", file));
  Bytes expected = {0x11, 0x00, 0x00, 0x00};
  expected.insert(expected.end(), file.begin(), file.end());
  EXPECT_EQ(rig.device.written, expected);
  EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{4, 16, 1}));
  EXPECT_EQ(rig.ui.progressValues, (std::vector<int>{50, 94, 100}));
  EXPECT_FALSE(rig.ui.progressVisible);
  EXPECT_EQ(rig.app.settings.MsMoveOff, 0) << "restored from Normal-Terminal Mode";
  EXPECT_TRUE(rig.out.text.empty());
  rig.clock.SleepMs(10);  // the last block crosses the wire
  EXPECT_EQ(rig.chip.transferPeer().state(), sim::TransferPeer::State::Done);
  EXPECT_EQ(rig.chip.transferPeer().data(), file);
}

TEST(DownloadBinary, ChipThatStopsAfterTheFirstBlockTimesOut) {
  LoaderRig rig(Running(sim::Personality::Transfer, 1));
  DownloadBinary(rig.app, rig.files.Write("d.bin", Bytes(40, 0x55)));
  EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{4, 16}));
  EXPECT_EQ(rig.out.text, "TimeOut Error");
  EXPECT_GE(rig.clock.NowMs(), 2000);
  EXPECT_LT(rig.clock.NowMs(), 2100);
  EXPECT_FALSE(rig.ui.progressVisible);
  EXPECT_EQ(rig.chip.transferPeer().state(), sim::TransferPeer::State::Stopped);
}

// The dialog for the name "*.*", and files with nothing to send: the mouse setting is restored and
// the bar hidden whatever happened.
TEST(DownloadBinary, NameFromTheDialogAndNothingToSend) {
  struct Case {
    const char* name;
    bool dialog;  // name "*.*": the dialog answers with file, or is cancelled
    const char* file;
    Bytes content;
    bool normalTerminalMode;
    Bytes sent;
  };
  const Case cases[] = {
      {"dialog cancelled", true, nullptr, {}, true, {}},
      {"chosen in the dialog", true, "c.binary", {9, 8, 7}, false, {3, 0, 0, 0, 9, 8, 7}},
      {"missing file", false, nullptr, {}, false, {}},
      {"empty file", false, "e.bin", {}, true, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    LoaderRig rig(Running(sim::Personality::Transfer));
    rig.app.NormalTerminalMode = c.normalTerminalMode ? 1 : 0;
    rig.app.settings.MsMoveOff = c.normalTerminalMode ? 0 : 1;
    rig.app.settings.BinPath = "/images/";
    const std::string path =
        c.file ? rig.files.Write(c.file, c.content) : (c.dialog ? "" : rig.files.File("none.bin"));
    if (c.dialog) rig.ui.openAnswers.push_back({path, 1});
    DownloadBinary(rig.app, c.dialog ? "*.*" : path);
    EXPECT_EQ(rig.device.written, c.sent) << c.name;
    EXPECT_FALSE(rig.ui.progressVisible) << c.name;
    EXPECT_EQ(rig.app.settings.MsMoveOff, c.normalTerminalMode ? 1 : 0) << c.name;
    for (int v : rig.ui.progressValues) EXPECT_LE(v, 100) << c.name;
    const FileDialogRequest asked{"Download Binary", "/images/\\*.binary",
                                  "Propeller(.binary)|*.binary|All Files|*.*", 0};
    EXPECT_EQ(rig.ui.openRequests, std::vector(c.dialog ? 1 : 0, asked)) << c.name;
  }
}

// The transfer's size is a signed 32-bit value: a file of 2 GiB or more is refused like a missing
// file, with a status line, and its size is asked as -1; never 7F FF FF FF followed by more data
// than that.  (Sparse files: nothing is written to the disk.)
TEST(DownloadBinary, AFileOf2GiBOrMoreIsRefusedWithAStatusLine) {
  struct Case {
    std::uintmax_t size;
    bool refused;
    Bytes preparedSize;  // the answer to the size request
  };
  const Case cases[] = {
      {0x7FFFFFFFu, false, {0xFF, 0xFF, 0xFF, 0x7F}},
      {0x80000000u, true, {0xFF, 0xFF, 0xFF, 0xFF}},
      {0x100000010u, true, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    LoaderRig rig(false);
    rig.app.NormalTerminalMode = 0;
    rig.app.settings.MsMoveOff = 0;
    const std::string path = rig.files.Write("big.bin", Bytes{});
    std::filesystem::resize_file(path, c.size);
    rig.app.PreparedFile = path;
    SendPreparedSize(rig.app);
    EXPECT_EQ(rig.device.written, c.preparedSize) << c.size;
    if (!c.refused) continue;
    rig.device.ClearWritten();
    DownloadBinary(rig.app, path);
    EXPECT_TRUE(rig.device.written.empty()) << c.size;
    EXPECT_EQ(rig.out.lines, (std::vector<std::string>(2, std::string(kFileTooBig)))) << c.size;
    EXPECT_EQ(rig.app.settings.MsMoveOff, 0);
    EXPECT_TRUE(rig.ui.progressValues.empty());
  }
}

// The chip is told the size once: a file that grows during the transfer is sent up to that size.
TEST(DownloadBinary, AFileThatGrowsMeanwhileIsSentOnlyUpToTheAnnouncedSize) {
  LoaderRig rig(Running(sim::Personality::Transfer));
  const std::string path = rig.files.Write("g.bin", Bytes(17, 1));
  rig.ui.onPump = [&path] { std::ofstream(path, std::ios::app | std::ios::binary) << "more"; };
  DownloadBinary(rig.app, path);
  EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{4, 16, 1}));
}

TEST(SendPreparedSize, SizeAsSigned32BitLittleEndian) {
  LoaderRig rig(false);
  const std::pair<std::string, Bytes> cases[] = {
      {"", {0xFF, 0xFF, 0xFF, 0xFF}},  // none chosen
      {rig.files.File("gone.bin"), {0xFF, 0xFF, 0xFF, 0xFF}},
      {rig.files.Folder(), {0xFE, 0xFF, 0xFF, 0xFF}},
      {rig.files.Write("p.bin", Bytes(17, 1)), {0x11, 0x00, 0x00, 0x00}},
      {rig.files.Write("e.bin", Bytes{}), {0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& [path, sent] : cases) {
    rig.device.ClearWritten();
    rig.app.PreparedFile = path;
    SendPreparedSize(rig.app);
    EXPECT_EQ(rig.device.written, sent) << path;
    EXPECT_EQ(rig.device.writeSizes, std::vector<std::size_t>{4}) << path;
  }
}

}  // namespace
}  // namespace tavolin
