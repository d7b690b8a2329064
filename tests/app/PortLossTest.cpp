// A serial device that goes away under the running program, against the fakes: told once and the
// port closed whatever was running, the program idle afterwards, the same device taken back by
// itself about once a second, and the user's own port commands ending the search.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainLoop.h"
#include "app/MenuIds.h"
#include "app/PortLoss.h"
#include "sim/DisplayBytes.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

using testing::AppRig;
using testing::TempDir;
using testing::Tick;

// The program connected to COM 3, its status lines recorded.
struct LossRig : AppRig {
  fake::FakeSerialDevice& device;
  fake::RecordingTextOutput lines;
  TempDir dir;

  LossRig() : device(PlugAndConnect(3)) {
    app.NormalTerminalMode = 0;
    app.SetOutput(&lines);
  }

  // The chip names a file and sends the request for it.
  void ChipRequests(char letter, const std::string& name) {
    // The clear makes the name a new mirror.
    device.Feed(sim::DisplayBytes().Clear().Text(name).HostRequest(letter, name.size()).bytes);
  }
};

// The loss line in the window, with how to connect again by hand.
const std::string kLost = "COM3 lost (Com Enabled or Pause connects again)";

void ExpectToldOnce(LossRig& rig, const std::string& what) {
  EXPECT_EQ(rig.lines.lines, std::vector{kLost}) << what << ": " << rig.lines.text;
  for (const char* blame : {"Unable to", "Time Out", "TimeOut Error", "Code Error", "CheckSum"}) {
    EXPECT_EQ(rig.lines.text.find(blame), std::string::npos) << what << ": " << rig.lines.text;
  }
  EXPECT_FALSE(rig.app.port.IsOpen()) << what;
  EXPECT_FALSE(rig.device.isOpen) << what;
  EXPECT_EQ(rig.app.ComEnabled, 0) << what;
  EXPECT_FALSE(rig.ui.IsMenuChecked(menu::kComEnabled)) << what;
  EXPECT_TRUE(rig.ui.messages.empty()) << what;
}

TEST(PortLoss, TheLineStartsOnALineOfItsOwnAfterTheChipsUnfinishedOne) {
  for (int ntm : {0, 1}) {
    AppRig rig;  // the screen is the output
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    rig.app.NormalTerminalMode = ntm;
    rig.app.settings.CRmode = 1;
    const std::string chip = "00062723 the";
    device.Feed(std::vector<std::uint8_t>(chip.begin(), chip.end()));
    RunCycle(rig.app, Tick());
    device.gone = true;
    RunCycle(rig.app, Tick());
    EXPECT_EQ(rig.app.screen.textMirror,
              chip + "\r\nCOM3 lost" + std::string(kReconnectHint) + "\r\n" + (ntm ? "\n" : ""));
    EXPECT_EQ(rig.app.screen.cursorRow, ntm ? 3 : 2) << "CRmode feeds a line at the CR";
    device.gone = false;
    rig.clock.Advance(kRetakeIntervalMs);
    RunCycle(rig.app, Tick());
    EXPECT_EQ(rig.app.screen.textMirror, "COM3 back\r\n" + std::string(ntm ? "\n" : ""))
        << "from the top of the cleared screen";
  }
}

// Whatever was running when the device went away stops at once: within the time the operation
// had already spent (reset pulses, pacing), never a poll budget or a whole file more.
TEST(PortLoss, WhateverRunsStopsAtOnceWithOneLine) {
  struct Case {
    const char* name;
    std::size_t goneAfter;  // bytes written before the device goes away
    std::function<void(LossRig&)> start;
    int withinMs;
    std::size_t written;  // bytes that reached the device
  };
  const std::string lines(2000, 'x');
  const Case cases[] = {
      {"a key", 0,
       [](LossRig& r) {
         RunCycle(r.app, {Event::Kind::Char, 'a'});
       },
       0, 0},
      {"the chip's bytes", 0,
       [](LossRig& r) {
         r.device.Feed({5, 0x81, 0, 0});  // palette query: answered with a byte
         RunCycle(r.app, Tick());
       },
       0, 0},
      {"an upload from the menu", 256,
       [](LossRig& r) {
         r.ui.openAnswers.push_back({r.dir.Write("a.binary", std::string(64, '\1')), 0});
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kUploadFile});
       },
       250, 256},
      {"an upload the chip asked for", 256,
       [](LossRig& r) {
         r.app.settings.BinPath = r.dir.File("");
         r.dir.Write("b.binary", std::string(64, '\1'));
         r.ChipRequests('b', "b.binary");
         RunCycle(r.app, Tick());
       },
       250, 256},
      {"a text send", 10,
       [&lines](LossRig& r) {
         r.ui.openAnswers.push_back({r.dir.Write("t.txt", lines + "\r\n" + lines), 2});
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kUploadFile});
       },
       10, 10},  // 1 ms after each character while the remembered type is the object file
      {"a monitor upload", 30,
       [&lines](LossRig& r) {
         r.ui.openAnswers.push_back({r.dir.Write("m.obj", lines), 3});
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kUploadFile});
       },
       0, 30},
      {"a binary transfer", 4,
       [&lines](LossRig& r) {
         r.dir.Write("f.bin", lines);
         r.ChipRequests('f', r.dir.File("f.bin"));
         RunCycle(r.app, Tick());
       },
       0, 4},
  };
  for (const Case& c : cases) {
    LossRig rig;
    rig.device.goneAfterWritten = c.goneAfter;
    const std::int64_t start = rig.clock.NowMs();
    c.start(rig);
    EXPECT_LE(rig.clock.NowMs() - start, c.withinMs) << c.name;
    EXPECT_EQ(rig.device.written.size(), c.written) << c.name;
    ExpectToldOnce(rig, c.name);
    rig.Run(1000);
    EXPECT_EQ(rig.lines.lines, std::vector{kLost}) << c.name;
  }
}

// Lost while idle: told once, the program idle after it, and the same device taken back about once
// a second with a cleared screen.
TEST(PortLoss, TheSameDeviceIsTakenBackAboutOnceASecondWithAClearedScreen) {
  LossRig rig;
  rig.device.gone = true;
  rig.Run(3000);
  ExpectToldOnce(rig, "idle");
  const int pictures = rig.ui.pictureCount;
  rig.Run(3000);
  EXPECT_EQ(rig.ui.pictureCount, pictures) << "the program is idle after the loss";
  EXPECT_EQ(rig.serial.reopenAttempts, std::vector<std::string>(5, "fake3"));
  EXPECT_TRUE(rig.ui.messages.empty()) << "a failed automatic attempt shows a box";
  const int clears = rig.lines.clears;
  rig.device.gone = false;  // plugged in again
  rig.Run(1000);
  EXPECT_TRUE(rig.app.port.IsOpen());
  EXPECT_TRUE(rig.device.isOpen);
  EXPECT_EQ(rig.app.ComEnabled, 1);
  EXPECT_TRUE(rig.ui.IsMenuChecked(menu::kComEnabled));
  EXPECT_EQ(rig.lines.clears, clears + 1);
  EXPECT_EQ(rig.lines.lines, (std::vector<std::string>{kLost, "COM3 back"}));
  rig.Run(3000);
  EXPECT_EQ(rig.serial.reopenAttempts.size(), 6u) << "looked again after taking it back";
  // Lost again: told again, and taken back again.
  rig.device.gone = true;
  rig.Run(1000);
  rig.device.gone = false;
  rig.Run(1000);
  EXPECT_EQ(rig.lines.lines, (std::vector<std::string>{kLost, "COM3 back", kLost, "COM3 back"}));
}

// Once the user does something with the port, the program stops looking for the lost device,
// even when it comes back; connecting by hand when it is back takes it.
TEST(PortLoss, TheUsersOwnPortCommandsEndTheSearch) {
  struct Case {
    const char* name;
    std::function<void(LossRig&)> act;
    std::size_t boxes;  // "COM port not found": the device was still away
    bool backFirst;     // the device is back before the command
  };
  const Case cases[] = {
      {"Com Enabled (Pause)",
       [](LossRig& r) {
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kComEnabled});
       },
       1, false},
      {"Pause twice",
       [](LossRig& r) {
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kComEnabled});
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kComEnabled});
       },
       2, false},
      {"Com-Port",
       [](LossRig& r) {
         r.ui.comPortAnswers.push_back("3");
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kComPort});
       },
       1, false},
      {"settings with another port", [](LossRig& r) { r.app.settings.ComNr = 4; }, 0, false},
      {"Auto Mode releasing the port",
       [](LossRig& r) {
         r.app.AutoMode = 1;
         r.ui.minimized = true;
         r.Run(window::kTimerPeriodMs);
       },
       0, false},
      {"Com Enabled with the device back",
       [](LossRig& r) {
         RunCycle(r.app, {Event::Kind::MenuCommand, menu::kComEnabled});
       },
       0, true},
  };
  for (const Case& c : cases) {
    LossRig rig;
    rig.device.gone = true;
    rig.Run(window::kTimerPeriodMs);
    ASSERT_EQ(rig.app.RetakingPort, 1) << c.name;
    rig.device.gone = !c.backFirst;
    c.act(rig);
    EXPECT_EQ(rig.ui.messages.size(), c.boxes) << c.name;
    if (c.backFirst) {
      EXPECT_EQ(rig.app.RetakingPort, 0) << c.name << ": the search ends with the command";
    }
    rig.device.gone = false;
    const std::size_t attempts = rig.serial.reopenAttempts.size();
    rig.Run(3000);
    EXPECT_EQ(rig.serial.reopenAttempts.size(), attempts) << c.name;
    EXPECT_EQ(rig.app.port.IsOpen(), c.backFirst) << c.name;
    EXPECT_EQ(rig.lines.text.find("back"), std::string::npos) << c.name;
  }
}

// The whole windowed run: a hung-up handle wakes the loop once; after the loss the loop no longer
// watches it, so the program waits for its timer again instead of spinning.
TEST(PortLoss, TheLoopStopsWatchingAHungUpHandle) {
  fake::FakePlatform fakes;
  AppState app(fakes.platform);
  TempDir dir;
  fake::FakeSerialDevice& device = fakes.serial.Plug(6);
  device.readableHandle = 9;
  int polls = 0;
  fakes.ui.signalled = [&](int handle) {
    EXPECT_EQ(handle, 9);
    if (++polls == 3) device.gone = true;  // pulled out while the window waits
    return device.HandleSignalled();
  };
  for (int i = 0; i < 50; ++i) fakes.ui.events.push_back(Tick());
  fakes.ui.events.push_back({Event::Kind::CloseRequest, 0});
  EXPECT_EQ(RunWindowed(app, {dir.Write("s.ini", "[Config]\r\nComNr=6\r\n"), "", ""}), 0);
  EXPECT_EQ(fakes.ui.portWakeups, 1);
  EXPECT_EQ(fakes.ui.watchedHandle, -1);
  EXPECT_TRUE(fakes.ui.events.empty());
  EXPECT_FALSE(fakes.ui.IsMenuChecked(menu::kComEnabled));
}

}  // namespace
}  // namespace tavolin
