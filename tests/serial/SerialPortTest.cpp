// SerialPort against the scripted device: the rate table, the transmit queue's blocks and its
// status lines, the receive block, raw transfer, and the reset pulse.
#include <gtest/gtest.h>

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
  Rig() { port.SetStatusOutput(&status); }
};

TEST(RateTable, IndexGivesRateAndStopBits) {
  struct Case {
    int index;
    int bps;
    StopBits stop;
  };
  const Case cases[] = {
      {0, 115200, StopBits::Two}, {1, 57600, StopBits::One},   {2, 38400, StopBits::One},
      {3, 19200, StopBits::One},  {4, 9600, StopBits::One},    {5, 4800, StopBits::One},
      {6, 2400, StopBits::One},   {7, 1200, StopBits::One},    {8, 115200, StopBits::One},
      {9, 115200, StopBits::One}, {-1, 115200, StopBits::Two},
  };
  for (const Case& c : cases) {
    const RateSetting r = RateForIndex(c.index);
    EXPECT_EQ(r.bitsPerSecond, c.bps) << "index " << c.index;
    EXPECT_EQ(r.stopBits, c.stop) << "index " << c.index;
  }
}

TEST(SerialPortOpen, AppliesRateAndDtrFromFt232rSetting) {
  Rig rig;
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

TEST(SerialPortOpen, MissingPortStaysClosed) {
  Rig rig;
  EXPECT_FALSE(rig.port.Open(0, 0, 0));
  EXPECT_FALSE(rig.port.IsOpen());
  std::array<std::uint8_t, 1024> buffer{};
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 0);
  rig.port.QueueByte(1);
  rig.port.Flush();
  EXPECT_EQ(rig.status.lines, std::vector<std::string>{"Unable to write"});
}

TEST(TransmitQueue, SixHundredBytesLeaveAs256And256And88) {
  Rig rig;
  ASSERT_TRUE(rig.port.Open(3, 0, 0));
  for (int i = 0; i < 600; ++i) rig.port.QueueByte(static_cast<std::uint8_t>(i));
  rig.port.Flush();
  EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{256, 256, 88}));
  ASSERT_EQ(rig.device.written.size(), 600u);
  EXPECT_EQ(rig.device.written[599], static_cast<std::uint8_t>(599));
  EXPECT_TRUE(rig.status.lines.empty());
}

TEST(TransmitQueue, EmptyFlushWritesAndPrintsNothing) {
  Rig rig;
  ASSERT_TRUE(rig.port.Open(3, 0, 0));
  rig.port.Flush();
  EXPECT_TRUE(rig.device.writeSizes.empty());
  EXPECT_TRUE(rig.status.lines.empty());
}

TEST(TransmitQueue, FaultsGiveTheirStatusLineOnceAndDropTheBytes) {
  struct Case {
    bool fail;
    std::optional<std::size_t> limit;
    std::string line;
  };
  const Case cases[] = {{true, {}, "Unable to write"}, {false, 10, "Transmit stall on"}};
  for (const Case& c : cases) {
    Rig rig;
    ASSERT_TRUE(rig.port.Open(3, 0, 0));
    rig.device.failWrites = c.fail;
    rig.device.writeLimit = c.limit;
    for (int i = 0; i < 40; ++i) rig.port.QueueByte(1);
    rig.port.Flush();
    EXPECT_EQ(rig.status.lines, std::vector<std::string>{c.line});
    EXPECT_EQ(rig.port.QueuedCount(), 0u);
    rig.device.failWrites = false;
    rig.device.writeLimit.reset();
    rig.device.ClearWritten();
    rig.port.QueueByte(2);
    rig.port.Flush();
    EXPECT_EQ(rig.device.written, std::vector<std::uint8_t>{2}) << "lost bytes were retried";
  }
}

TEST(ReceiveBlock, FillsUpTo256AndReportsFailedReads) {
  Rig rig;
  ASSERT_TRUE(rig.port.Open(3, 0, 0));
  EXPECT_EQ(rig.port.FillReceive(), 0);
  EXPECT_TRUE(rig.port.ReceiveExhausted());
  rig.device.Feed(std::vector<std::uint8_t>(300, 0xFE));
  EXPECT_EQ(rig.port.FillReceive(), 256);
  EXPECT_EQ(rig.port.TakeReceived(), 0xFE);
  EXPECT_FALSE(rig.port.ReceiveExhausted());
  rig.device.failReads = true;
  EXPECT_EQ(rig.port.FillReceive(), 0);
  EXPECT_TRUE(rig.port.ReceiveExhausted());
  EXPECT_EQ(rig.status.lines, std::vector<std::string>{"Unable to read"});
}

TEST(RawTransfer, ReturnsAtOnceWhenNothingArrivedAndNeverReports) {
  Rig rig;
  ASSERT_TRUE(rig.port.Open(3, 0, 0));
  std::array<std::uint8_t, 1024> buffer{};
  std::uint8_t b = 0;
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 0);
  EXPECT_FALSE(rig.port.ReadByte(b));
  rig.device.Feed({7, 8, 9});
  EXPECT_TRUE(rig.port.ReadByte(b));
  EXPECT_EQ(b, 7);
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 2);
  rig.device.failReads = true;
  rig.device.failWrites = true;
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 0);
  EXPECT_EQ(rig.port.WriteRaw(buffer.data(), 4), 0);
  EXPECT_TRUE(rig.status.lines.empty());
  EXPECT_EQ(rig.clock.NowMs(), 0) << "raw transfer waited";
}

TEST(PulseReset, PulsesTheChosenLineThenSettlesAndPurges) {
  for (int useRts : {0, 1}) {
    Rig rig;
    ASSERT_TRUE(rig.port.Open(3, 0, 1));
    rig.device.Feed({1, 2, 3});
    rig.port.PulseReset(useRts);
    ASSERT_EQ(rig.device.lineChanges.size(), 2u);
    const auto& on = rig.device.lineChanges[0];
    const auto& off = rig.device.lineChanges[1];
    EXPECT_EQ(useRts ? on.rts : on.dtr, true);
    EXPECT_EQ(useRts ? off.rts : off.dtr, false);
    EXPECT_EQ(off.atMs - on.atMs, 25);
    EXPECT_EQ(rig.clock.NowMs(), 125);
    EXPECT_EQ(rig.device.PendingCount(), 0u);
  }
}

TEST(PulseReset, DeviceWithoutModemLinesFailsQuietly) {
  Rig rig;
  rig.device.hasModemLines = false;
  ASSERT_TRUE(rig.port.Open(3, 0, 0));
  rig.port.PulseReset(0);
  EXPECT_EQ(rig.clock.NowMs(), 125);
  EXPECT_TRUE(rig.status.lines.empty());
}

}  // namespace
}  // namespace tavolin
