// Mouse reports from Qt mouse events on the real window: the pointer position the window reads at
// its scale, the buttons, the double click and the pointer kept outside the client area.  That
// moves are reported again after a file went to the chip is the core's (tests/app, tests/loader).
#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>

#include "app/MenuIds.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ShellMouse, ButtonReportsCarryThePositionInScreenImagePixels) {
  struct Case {
    float scale;
    Qt::MouseButton button;
    QPoint at;  // in the client area
    Bytes press;
    Bytes release;
  };
  // How the position is scaled and rounded is the core's (tests/terminal MouseReport).
  const Case cases[] = {
      {1.0f, Qt::LeftButton, {100, 51}, {5, 0x11, 50, 25}, {5, 0x10, 50, 25}},
      {1.0f, Qt::RightButton, {100, 51}, {5, 0x12, 50, 25}, {5, 0x10, 50, 25}},
      {2.0f, Qt::LeftButton, {301, 100}, {5, 0x01, 75, 25}, {5, 0x00, 75, 25}},
      {1.0f, Qt::MiddleButton, {100, 51}, {}, {}},  // neither its press nor its release
      // The window is 646 wide, the picture 640: a left press beside it is no click.
      {1.01f, Qt::LeftButton, {643, 10}, {}, {5, 0x20, 62, 5}},
  };
  for (const Case& c : cases) {
    // Normal-Terminal Mode, as at start-up: moves are not reported, buttons are.
    ShellRig rig(c.scale);
    rig.PointAt(c.at);
    const Bytes press =
        rig.Deliver([&] { QTest::mousePress(rig.handle(), c.button, {}, rig.InWindow(c.at)); });
    const Bytes release =
        rig.Deliver([&] { QTest::mouseRelease(rig.handle(), c.button, {}, rig.InWindow(c.at)); });
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

// While the button is held the window keeps the pointer: the move out over the menu bar is still
// reported, with -1 for the row (which positions are outside is the window contract's).
TEST(ShellMouse, PointerOutsideTheClientAreaIsReportedWhileAButtonIsHeld) {
  ShellRig rig;
  rig.Choose(menu::kNormalTerminalMode);  // graphics mode: moves are reported
  const QPoint inside(10, 10);
  const QPoint out(7, -3);
  rig.PointAt(inside);
  const Bytes press = rig.Deliver(
      [&] { QTest::mousePress(rig.handle(), Qt::RightButton, {}, rig.InWindow(inside)); });
  EXPECT_EQ(press, (Bytes{5, 0x02, 5, 5}));
  const Bytes moved = rig.Deliver([&] {
    QTest::mouseMove(rig.handle(), rig.InWindow(out));
    QCursor::setPos(rig.client()->mapToGlobal(out));
  });
  ASSERT_GE(moved.size(), 4u);
  EXPECT_EQ(Bytes(moved.end() - 4, moved.end()), (Bytes{5, 0x32, 3, 0xFF}));
  const Bytes release = rig.Deliver(
      [&] { QTest::mouseRelease(rig.handle(), Qt::RightButton, {}, rig.InWindow(out)); });
  EXPECT_EQ(release, (Bytes{5, 0x30, 3, 0xFF}));
}

}  // namespace
}  // namespace tavolin::shell
