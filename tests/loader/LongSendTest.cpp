// The long sends keep the window painted: over a slow link, pending events are processed at
// least every 100 ms of clock time from the start of a send to its end, whatever the file looks
// like (one endless line, many short ones, object data, a paced binary transfer).  The close
// button or Escape among those events stops the send at the next whole line or block.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "LoaderRig.h"
#include "loader/ImageUpload.h"
#include "loader/MonitorTransfer.h"

namespace tavolin {
namespace {

using loadertest::LoaderRig;

// A link that takes msPerByte of clock time for every byte written, and (for the binary transfer)
// a chip that answers every write with a go-ahead, goAheadMs after it.
class SlowLink : public fake::Peer {
 public:
  SlowLink(fake::VirtualClock& clock, int msPerByte, bool goAhead, int goAheadMs = 0)
      : clock_(clock), msPerByte_(msPerByte), goAhead_(goAhead), goAheadMs_(goAheadMs) {}
  void OnHostWrite(fake::FakeSerialDevice& device, const std::uint8_t*, std::size_t n,
                   std::int64_t nowMs) override {
    clock_.Advance(static_cast<std::int64_t>(n) * msPerByte_);
    if (goAhead_) device.Feed(0x55, nowMs + goAheadMs_);
  }

 private:
  fake::VirtualClock& clock_;
  int msPerByte_;
  bool goAhead_;
  int goAheadMs_;
};

TEST(LongSend, PendingEventsAreProcessedAtLeastEvery100Ms) {
  struct Case {
    const char* name;
    std::string content;
    int fileType;  // the remembered dialog type (OBJ paces the text send by 1 ms a character)
    int msPerByte;
    int txtCurs;
    bool goAhead;  // the chip releases each block of the binary transfer
    std::function<void(AppState&, const std::string&)> send;
  };
  std::string lines;
  for (int i = 0; i < 60; ++i) lines += std::string(static_cast<std::size_t>(i % 50), 'x') + "\n";
  const Case cases[] = {
      {"one endless line", std::string(20000, 'a'), filetype::kText, 1, 1, false, SendTextFile},
      {"one endless line, paced", std::string(5000, 'a'), filetype::kObj, 0, 0, false,
       SendTextFile},
      {"short and long lines, cursor pause", lines, filetype::kText, 3, 1, false, SendTextFile},
      {"object file", std::string(4000, '\x7f'), filetype::kObj, 1, 1, false, MonitorObjUpload},
      {"binary transfer", std::string(3000, 'b'), filetype::kText, 1, 1, true, DownloadBinary},
  };
  for (const Case& c : cases) {
    LoaderRig rig(false);
    SlowLink link(rig.clock, c.msPerByte, c.goAhead);
    rig.device.peer = &link;
    rig.app.RememberedFileType = c.fileType;
    rig.app.settings.TxtCurs = c.txtCurs;
    const std::string path = rig.files.Write("send.txt", c.content);
    const std::int64_t start = rig.clock.NowMs();
    std::vector<std::int64_t> pumps(1, start);
    rig.ui.onPump = [&] { pumps.push_back(rig.clock.NowMs()); };
    c.send(rig.app, path);
    const std::int64_t end = rig.clock.NowMs();
    ASSERT_GT(end - start, 1000) << c.name << ": the case should take a while";
    pumps.push_back(end);
    std::int64_t longest = 0;
    for (std::size_t i = 1; i < pumps.size(); ++i) {
      longest = std::max(longest, pumps[i] - pumps[i - 1]);
    }
    EXPECT_LE(longest, kEventPumpIntervalMs + 3) << c.name;  // + the byte written last
  }
}

// The user asks to stop at the pump with the number at; the chip has then had whole lines or
// blocks only.  The close button also ends the program after the send, Escape does not.
TEST(LongSend, CloseOrEscapeStopsTheSendAtTheNextLineOrBlock) {
  struct Case {
    const char* name;
    std::function<void(AppState&, const std::string&)> send;
    std::string content;
    int at;
    std::function<void(const fake::FakeSerialDevice&)> check;
  };
  std::string lines;
  for (int i = 0; i < 500; ++i) lines += "l" + std::to_string(i % 10) + "\n";
  std::string object;
  for (int i = 0; i < 4000; ++i) object += static_cast<char>(i & 0xFF);
  const Case cases[] = {
      {"text lines", SendTextFile, lines, 3,
       [](const fake::FakeSerialDevice& d) {
         EXPECT_EQ(std::string(d.written.begin(), d.written.end()), "l0\rl1\rl2\r");
       }},
      {"object file in the middle of its second line", MonitorObjUpload, object, 20,
       [](const fake::FakeSerialDevice& d) {
         const std::string sent(d.written.begin(), d.written.end());
         EXPECT_EQ(std::count(sent.begin(), sent.end(), ':'), 2) << sent;
         EXPECT_EQ(sent.substr(sent.size() - 5), " 1F\r\n") << "the line it was in, finished";
         EXPECT_EQ(sent.find("0+E80"), std::string::npos) << "nothing half-typed runs";
       }},
      {"binary transfer while waiting for a go-ahead", DownloadBinary, object, 5,
       [](const fake::FakeSerialDevice& d) {
         EXPECT_EQ(d.writeSizes, (std::vector<std::size_t>{4, 16}));
       }},
      {"binary transfer after a block", DownloadBinary, object, 6,
       [](const fake::FakeSerialDevice& d) {
         EXPECT_EQ(d.writeSizes, (std::vector<std::size_t>{4, 16, 16}));
       }},
  };
  for (const Case& c : cases) {
    for (const Interruption asked : {Interruption::Close, Interruption::Stop}) {
      LoaderRig rig(false);
      SlowLink chip(rig.clock, 0, true, 5);  // each block released a little after the write
      rig.device.peer = &chip;
      rig.app.RememberedFileType = filetype::kText;
      rig.app.settings.TxtCurs = 0;
      rig.ui.interruptAtPump[c.at] = asked;
      c.send(rig.app, rig.files.Write("send.txt", c.content));
      SCOPED_TRACE(c.name);
      c.check(rig.device);
      EXPECT_EQ(rig.app.QuitRequested, asked == Interruption::Close ? 1 : 0);
      EXPECT_EQ(rig.ui.pumpCount, c.at) << "went on pumping after the stop";
      EXPECT_FALSE(rig.ui.progressVisible);
    }
  }
}

}  // namespace
}  // namespace tavolin
