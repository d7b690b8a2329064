// The loader tests' bench: an AppState on the fakes, with COM 3 plugged in and a boot ROM model
// answering behind it, a recorder for the status lines, and a scratch folder for files.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BootRomModel.h"
#include "app/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"

namespace tavolin::loadertest {

// Plays the model on the fake device: host writes go in, answers come out at the same moment;
// a DTR or RTS pulse resets it.
class ChipPeer : public fake::Peer {
 public:
  explicit ChipPeer(BootRomModel& model) : model_(model) {}
  void OnHostWrite(fake::FakeSerialDevice& device, const std::uint8_t* bytes, std::size_t n,
                   std::int64_t nowMs) override {
    ratesSeen.push_back(device.bitsPerSecond);
    const std::vector<std::uint8_t> answer = model_.OnBytes(bytes, n, nowMs);
    if (!answer.empty()) device.Feed(answer);
  }
  void OnLines(fake::FakeSerialDevice&, bool dtr, bool rts, std::int64_t) override {
    if (dtr || rts) model_.Reset();
  }

  std::vector<int> ratesSeen;  // the device's rate at every host write

 private:
  BootRomModel& model_;
};

// A folder that is removed with everything in it when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("tavolin-loader-" + std::to_string(std::random_device{}()) + "-" +
             std::to_string(++serial));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::filesystem::path p = path_ / name;
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return p.string();
  }
  std::string Write(const std::string& name, const std::string& text) const {
    return Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  std::string Folder() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

struct LoaderRig : fake::FakePlatform {
  fake::FakeSerialDevice& device = serial.Plug(3);
  AppState app{platform};
  fake::RecordingTextOutput out;
  BootRomModel chip;
  ChipPeer peer{chip};
  ScratchDir files;

  explicit LoaderRig(bool withChip = true) {
    app.SetOutput(&out);
    if (withChip) device.peer = &peer;
    app.port.Open(3, 0, 0);
  }
};

// The little-endian bytes of longs.
inline std::vector<std::uint8_t> BytesOf(const std::vector<std::uint32_t>& longs) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t v : longs) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return bytes;
}

}  // namespace tavolin::loadertest
