// SerialPort against the scripted device: the rate table, the transmit queue's blocks and its
// status lines, the receive block, raw transfer, the reset pulse, and a device that goes away.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <utility>

#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"  // the recording text output
#include "platform/fake/VirtualClock.h"
#include "serial/SerialPort.h"

namespace tavolin {
namespace {

struct Rig {
  fake::VirtualClock clock;
  fake::FakeSerialSystem system{clock};
  fake::FakeSerialDevice& device = system.Plug(3);
  fake::RecordingTextOutput status;
  SerialPort port{system, clock};
  explicit Rig(bool open = true) {
    port.SetStatusOutput(&status);
    EXPECT_TRUE(!open || port.Open(3, 0, 0));
  }
};

// Beyond the ends of the table (a settings file may hold any number): an index past the last entry
// is 115200 with one stop bit, a negative one 115200 with two, as index 0.
TEST(RateTable, IndexGivesRateAndStopBits) {
  for (const auto& [index, stop] : {std::pair{8, StopBits::One}, {-1, StopBits::Two}}) {
    EXPECT_EQ(RateForIndex(index).bitsPerSecond, 115200) << "index " << index;
    EXPECT_EQ(RateForIndex(index).stopBits, stop) << "index " << index;
  }
}

TEST(SerialPortOpen, AppliesRateAndDtrFromFt232rSetting) {
  Rig rig(false);
  ASSERT_TRUE(rig.port.Open(3, 4, 0));
  EXPECT_EQ(rig.device.bitsPerSecond, 9600);
  EXPECT_TRUE(rig.device.dtr);
  EXPECT_FALSE(rig.device.rts);
  rig.port.Close();
  ASSERT_TRUE(rig.port.Open(3, 0, 1));
  EXPECT_EQ(rig.device.stopBits, StopBits::Two);
  EXPECT_FALSE(rig.device.dtr);
  rig.port.Close();
  ASSERT_TRUE(rig.port.Open(3, 0, 0, true));  // the start-up scan probes quietly
  ASSERT_EQ(rig.system.openOptions.size(), 3u);
  EXPECT_FALSE(rig.system.openOptions[0].quiet);
  EXPECT_TRUE(rig.system.openOptions[2].quiet);
}

// Nothing to reopen either: it never was open.
TEST(SerialPortOpen, AMissingPortStaysClosedAndSaysItCannotWriteOrRead) {
  Rig rig(false);
  EXPECT_FALSE(rig.port.Open(0, 0, 0));
  EXPECT_FALSE(rig.port.IsOpen());
  std::array<std::uint8_t, 1024> buffer{};
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 0);
  rig.port.QueueByte(1);
  rig.port.Flush();
  EXPECT_EQ(rig.port.FillReceive(), 0);
  EXPECT_EQ(rig.status.lines, (std::vector<std::string>{"Unable to write", "Unable to read"}));
  EXPECT_FALSE(rig.port.Lost());
  EXPECT_FALSE(rig.port.Reopen(0, 0));
  EXPECT_TRUE(rig.system.reopenAttempts.empty());
}

TEST(TransmitQueue, SixHundredBytesLeaveAs256And256And88) {
  Rig rig;
  for (int i = 0; i < 600; ++i) rig.port.QueueByte(static_cast<std::uint8_t>(i));
  rig.port.Flush();
  EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{256, 256, 88}));
  ASSERT_EQ(rig.device.written.size(), 600u);
  EXPECT_EQ(rig.device.written[599], static_cast<std::uint8_t>(599));
  rig.port.Flush();  // empty: writes nothing
  EXPECT_EQ(rig.device.writeSizes.size(), 3u);
  EXPECT_TRUE(rig.status.lines.empty());
}

TEST(TransmitQueue, StallGivesItsStatusLineOnceAndDropsTheBytes) {
  Rig rig;
  rig.device.writeLimit = 10;
  for (int i = 0; i < 40; ++i) rig.port.QueueByte(1);
  rig.port.Flush();
  EXPECT_EQ(rig.status.lines, std::vector<std::string>{"Transmit stall on"});
  EXPECT_EQ(rig.port.QueuedCount(), 0u);
  EXPECT_TRUE(rig.port.IsOpen()) << "a stall is not a lost device";
  rig.device.writeLimit.reset();
  rig.device.ClearWritten();
  rig.port.QueueByte(2);
  rig.port.Flush();
  EXPECT_EQ(rig.device.written, std::vector<std::uint8_t>{2}) << "lost bytes were retried";
}

// The receive block takes up to 256 bytes; raw transfer returns at once when nothing arrived.
TEST(Receive, BlockOf256AndRawTransferThatNeverWaits) {
  Rig rig;
  EXPECT_EQ(rig.port.FillReceive(), 0);
  EXPECT_TRUE(rig.port.ReceiveExhausted());
  std::array<std::uint8_t, 1024> buffer{};
  std::uint8_t b = 0;
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 0);
  EXPECT_FALSE(rig.port.ReadByte(b));
  rig.device.Feed({7, 8, 9});
  EXPECT_TRUE(rig.port.ReadByte(b));
  EXPECT_EQ(b, 7);
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 2);
  rig.device.Feed(std::vector<std::uint8_t>(300, 0xFE));
  EXPECT_EQ(rig.port.FillReceive(), 256);
  EXPECT_EQ(rig.port.TakeReceived(), 0xFE);
  EXPECT_FALSE(rig.port.ReceiveExhausted());
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_FALSE(rig.port.Lost());
  EXPECT_TRUE(rig.status.lines.empty());
  EXPECT_EQ(rig.clock.NowMs(), 0) << "raw transfer waited";
}

// Whichever operation meets the failure first, the port closes, is marked lost once, and from
// then on every operation is quiet: no status line per poll, nothing written anywhere.
TEST(LostDevice, FirstFailureClosesThePortOnceAndEverythingAfterIsQuiet) {
  using Operation = std::function<void(SerialPort&)>;
  std::array<std::uint8_t, 1024> buffer{};
  const std::pair<const char*, Operation> first[] = {
      {"ReadRaw", [&](SerialPort& p) { EXPECT_EQ(p.ReadRaw(buffer.data()), 0); }},
      {"WriteRaw", [&](SerialPort& p) { EXPECT_EQ(p.WriteRaw(buffer.data(), 3), 0); }},
      {"ReadByte", [&](SerialPort& p) { EXPECT_FALSE(p.ReadByte(buffer[0])); }},
      {"FillReceive", [](SerialPort& p) { EXPECT_EQ(p.FillReceive(), 0); }},
      {"Flush",
       [](SerialPort& p) {
         p.QueueByte(0xF9);
         p.Flush();
       }},
  };
  for (const auto& [name, operation] : first) {
    for (const bool failWrites : {false, true}) {
      Rig rig;
      // Gone, or (for the same effect) a device whose reads and writes fail outright.
      if (failWrites) {
        rig.device.failWrites = true;
        rig.device.failReads = true;
      } else {
        rig.device.gone = true;
      }
      operation(rig.port);
      EXPECT_FALSE(rig.port.IsOpen()) << name;
      EXPECT_FALSE(rig.device.isOpen) << name << ": the device was not released";
      EXPECT_TRUE(rig.port.Lost()) << name;
      EXPECT_TRUE(rig.port.TakeLoss()) << name;
      EXPECT_FALSE(rig.port.TakeLoss()) << name << ": the loss was told twice";
      for (const auto& [other, again] : first) again(rig.port);
      EXPECT_TRUE(rig.status.lines.empty()) << name << ": " << rig.status.text;
      EXPECT_TRUE(rig.device.written.empty()) << name;
      EXPECT_EQ(rig.port.ReadableHandle(), -1) << name;
    }
  }
}

TEST(LostDevice, OpenAndCloseEndTheLostState) {
  for (const bool reopenByNumber : {false, true}) {
    Rig rig;
    rig.device.gone = true;
    rig.port.ReadRaw(std::array<std::uint8_t, 1024>{}.data());
    ASSERT_TRUE(rig.port.Lost());
    if (reopenByNumber) {
      rig.device.gone = false;
      EXPECT_TRUE(rig.port.Open(3, 0, 0));
    } else {
      rig.port.Close();
    }
    EXPECT_FALSE(rig.port.Lost());
    EXPECT_FALSE(rig.port.TakeLoss());
    rig.port.QueueByte(1);
    rig.port.Flush();
    EXPECT_EQ(rig.status.lines.size(), reopenByNumber ? 0u : 1u) << "closed, not lost";
  }
}

// Reopen takes back exactly the device that was lost: not while it is away, not another device
// that took its number, and with the rate and DTR state that Open gives.
TEST(LostDevice, ReopenTakesBackOnlyTheSameDevice) {
  Rig rig(false);
  ASSERT_TRUE(rig.port.Open(3, 2, 1));
  rig.device.gone = true;
  rig.port.ReadRaw(std::array<std::uint8_t, 1024>{}.data());
  ASSERT_TRUE(rig.port.Lost());
  EXPECT_FALSE(rig.port.Reopen(2, 1)) << "still gone";
  rig.system.Unplug(3);
  EXPECT_FALSE(rig.port.Reopen(2, 1)) << "unplugged";
  fake::FakeSerialDevice& stranger = rig.system.Plug(3);
  stranger.identity = "another adapter";
  EXPECT_FALSE(rig.port.Reopen(2, 1)) << "another device has the number now";
  EXPECT_TRUE(rig.port.Lost());
  fake::FakeSerialDevice& back = rig.system.Plug(4);  // the same adapter, enumerated elsewhere
  back.identity = "fake3";
  ASSERT_TRUE(rig.port.Reopen(0, 1));
  EXPECT_TRUE(back.isOpen);
  EXPECT_FALSE(stranger.isOpen);
  EXPECT_FALSE(rig.port.Lost());
  EXPECT_EQ(back.bitsPerSecond, 115200);
  EXPECT_FALSE(back.dtr) << "FT232R 1: DTR off after opening";
  EXPECT_EQ(rig.port.PortNumber(), 3) << "the port keeps its number";
  EXPECT_TRUE(rig.system.openOptions.back().quiet);
}

// Without modem lines the pulse fails quietly and the settling time is kept.
TEST(PulseReset, PulsesTheChosenLineThenSettlesAndPurges) {
  for (int useRts : {0, 1, -1}) {
    Rig rig(false);
    rig.device.hasModemLines = useRts >= 0;
    ASSERT_TRUE(rig.port.Open(3, 0, 1));
    rig.device.Feed({1, 2, 3});
    rig.port.PulseReset(useRts > 0 ? 1 : 0);
    EXPECT_EQ(rig.clock.NowMs(), 125);
    EXPECT_EQ(rig.device.PendingCount(), 0u);
    EXPECT_TRUE(rig.status.lines.empty());
    if (useRts < 0) continue;
    ASSERT_EQ(rig.device.lineChanges.size(), 2u);
    const auto& on = rig.device.lineChanges[0];
    const auto& off = rig.device.lineChanges[1];
    EXPECT_EQ(useRts ? on.rts : on.dtr, true);
    EXPECT_EQ(useRts ? off.rts : off.dtr, false);
    EXPECT_EQ(off.atMs - on.atMs, 25);
  }
}

}  // namespace
}  // namespace tavolin
