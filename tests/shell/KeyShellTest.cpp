// Keys typed into the real window while the port is closed: nothing is sent, and nothing is kept
// to be sent when the port is taken back.  Which Qt key gives which Windows message is
// KeyTranslationTest's, which message sequence gives which bytes is KeyForwardingTest's, and that
// real keys reach the chip through both is the end-to-end test's (tests/e2e).
#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>

#include "app/MenuIds.h"
#include "platform/qt/MainWindow.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ShellKeys, NothingIsSentOrQueuedWhileThePortIsClosed) {
  ShellRig rig;
  rig.Choose(menu::kComEnabled);  // released
  ASSERT_FALSE(rig.device->isOpen);
  const Bytes sent = rig.Deliver([&] {
    QTest::keyClick(rig.handle(), 'A', Qt::ShiftModifier);
    QTest::keyClick(rig.handle(), Qt::Key_F1);
  });
  EXPECT_TRUE(sent.empty());
  rig.Choose(menu::kComEnabled);  // taken back: nothing of the above arrives late
  rig.Tick();
  EXPECT_TRUE(rig.device->written.empty());
}

}  // namespace
}  // namespace tavolin::shell
