// Mouse reports from Qt mouse events on the real window: the pointer position the window reads,
// divided by the scale with halves to even, the buttons, the double click and the pointer outside
// the client area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QWindow>

#include "app/MenuIds.h"
#include "platform/qt/MainWindow.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Presses and releases button at p of the client area with the pointer there; the bytes of the
// press and of the release.
std::pair<Bytes, Bytes> PressAndRelease(ShellRig& rig, Qt::MouseButton button, QPoint p) {
  rig.PointAt(p);
  const Bytes press =
      rig.Deliver([&] { QTest::mousePress(rig.handle(), button, {}, rig.InWindow(p)); });
  const Bytes release =
      rig.Deliver([&] { QTest::mouseRelease(rig.handle(), button, {}, rig.InWindow(p)); });
  return {press, release};
}

TEST(ShellMouse, ButtonReportsCarryThePositionInScreenImagePixels) {
  struct Case {
    float scale;
    Qt::MouseButton button;
    QPoint at;  // in the client area
    Bytes press;
    Bytes release;
  };
  const Case cases[] = {
      {1.0f, Qt::LeftButton, {100, 51}, {5, 0x11, 50, 25}, {5, 0x10, 50, 25}},
      {1.0f, Qt::RightButton, {100, 51}, {5, 0x12, 50, 25}, {5, 0x10, 50, 25}},
      {2.0f, Qt::LeftButton, {301, 100}, {5, 0x01, 75, 25}, {5, 0x00, 75, 25}},  // 150.5 -> 150
      {1.0f, Qt::MiddleButton, {100, 51}, {}, {}},  // neither its press nor its release
  };
  for (const Case& c : cases) {
    // Normal-Terminal Mode, as at start-up: moves are not reported, buttons are.
    ShellRig rig(RigOptions::AtScale(c.scale));
    const auto [press, release] = PressAndRelease(rig, c.button, c.at);
    EXPECT_EQ(press, c.press) << c.scale << " at " << c.at.x() << "," << c.at.y();
    EXPECT_EQ(release, c.release) << c.scale << " at " << c.at.x() << "," << c.at.y();
    EXPECT_EQ(rig.app.keyState.mouseButtons, 0);
  }
}

TEST(ShellMouse, DoubleClickLeftSecondPressSendsNothingRightSecondPressCounts) {
  struct Case {
    Qt::MouseButton button;
    Bytes sent;
  };
  const Case cases[] = {
      // The second left press is the picture's double click: nothing, but its release reports.
      {Qt::LeftButton, {5, 0x11, 50, 25, 5, 0x10, 50, 25, 5, 0x10, 50, 25}},
      // The window itself knows no double clicks: a second right press is a press.
      {Qt::RightButton, {5, 0x12, 50, 25, 5, 0x10, 50, 25, 5, 0x12, 50, 25, 5, 0x10, 50, 25}},
  };
  for (const Case& c : cases) {
    ShellRig rig;
    const QPoint at(100, 51);
    rig.PointAt(at);
    const Bytes sent =
        rig.Deliver([&] { QTest::mouseDClick(rig.handle(), c.button, {}, rig.InWindow(at)); });
    EXPECT_EQ(sent, c.sent) << c.button;
  }
}

// A program on the chip that gives a go-ahead after each of the host's writes, three bytes at once.
class GoAheads : public fake::Peer {
 public:
  void OnHostWrite(fake::FakeSerialDevice& device, const std::uint8_t*, std::size_t,
                   std::int64_t nowMs) override {
    device.Feed(Bytes{0x2A, 0x2A, 0x2A}, nowMs + 5);
  }
};

TEST(ShellMouse, MovesAreReportedAgainAfterAFileWentToTheChipInGraphicsMode) {
  struct Case {
    const char* what;
    bool prepared;  // the sector service of the prepared file, else the chip's request "f"
  };
  for (const Case c : {Case{"binary transfer", false}, Case{"sector service", true}}) {
    ShellRig rig;
    testing::TempDir dir;
    const std::string path = dir.Write("data.bin", std::string(40, '\x42'));
    rig.Choose(menu::kNormalTerminalMode);  // graphics mode
    rig.PointAt({10, 10});
    GoAheads chip;
    rig.device->peer = &chip;
    std::string bytes;
    if (c.prepared) {
      rig.app.PreparedFile = path;
      bytes = {5, static_cast<char>(0x81), static_cast<char>(128), 0};  // block 0
    } else {
      bytes = std::string(1, '\0') + path;
      bytes += {5, static_cast<char>(0x82), static_cast<char>(path.size()), 'f'};
    }
    const Bytes sent = rig.Deliver([&] {
      rig.Receive(bytes);
      rig.ui.Tick();
    });
    ASSERT_GE(sent.size(), c.prepared ? 516u : 44u) << c.what << ": the file went to the chip";
    const Bytes moved = rig.Deliver([&] { rig.PointAt({41, 31}); });
    ASSERT_GE(moved.size(), 4u) << c.what;
    EXPECT_EQ(Bytes(moved.end() - 4, moved.end()), (Bytes{5, 0x30, 20, 15})) << c.what;
  }
}

TEST(ShellMouse, PointerOutsideTheClientAreaIsMinusOne) {
  struct Case {
    const char* where;
    QPoint at;  // in the client area
    Bytes move;
    Bytes release;
  };
  const Case cases[] = {
      {"above and left of the window", {-5, -5}, {5, 0x32, 0xFF, 0xFF}, {5, 0x30, 0xFF, 0xFF}},
      {"over the menu bar", {7, -3}, {5, 0x32, 3, 0xFF}, {5, 0x30, 3, 0xFF}},
      {"right of the window", {700, 20}, {5, 0x22, 0xFF, 10}, {5, 0x20, 0xFF, 10}},
  };
  for (const Case& c : cases) {
    ShellRig rig;
    rig.Choose(menu::kNormalTerminalMode);  // graphics mode: moves are reported
    const QPoint inside(10, 10);
    rig.PointAt(inside);
    const Bytes press = rig.Deliver(
        [&] { QTest::mousePress(rig.handle(), Qt::RightButton, {}, rig.InWindow(inside)); });
    EXPECT_EQ(press, (Bytes{5, 0x02, 5, 5})) << c.where;
    // The window keeps the pointer while the button is held: the move out is still reported.
    const Bytes moved = rig.Deliver([&] {
      QTest::mouseMove(rig.handle(), rig.InWindow(c.at));
      QCursor::setPos(rig.client()->mapToGlobal(c.at));
    });
    ASSERT_GE(moved.size(), 4u) << c.where;
    EXPECT_EQ(Bytes(moved.end() - 4, moved.end()), c.move) << c.where;
    const Bytes release = rig.Deliver(
        [&] { QTest::mouseRelease(rig.handle(), Qt::RightButton, {}, rig.InWindow(c.at)); });
    EXPECT_EQ(release, c.release) << c.where;
  }
}

TEST(ShellMouse, ALeftPressBesideThePictureIsNoClick) {
  ShellRig rig(RigOptions::AtScale(1.01f));  // the window is 646 wide, the picture 640
  const auto [press, release] = PressAndRelease(rig, Qt::LeftButton, {643, 10});
  EXPECT_TRUE(press.empty());
  EXPECT_EQ(release, (Bytes{5, 0x20, 62, 5})) << "643 / 1.01 = 636.6 gives 637";
}

}  // namespace
}  // namespace tavolin::shell
