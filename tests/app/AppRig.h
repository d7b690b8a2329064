// A whole program without a window system: AppState over the fakes, the screen as the text
// output, the terminal opened as at start-up.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/Startup.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin::testing {

struct AppRig : fake::FakePlatform {
  AppState app{platform};
  ScreenTextOutput screenOutput{app};

  AppRig() {
    std::string error;
    if (!DecodeAssets(app, error)) throw std::runtime_error(error);
    app.SetOutput(&screenOutput);
    OpenTerminal(app);
  }

  // Plugs a device in at port n and connects to it as the user would.
  fake::FakeSerialDevice& PlugAndConnect(int n) {
    fake::FakeSerialDevice& device = serial.Plug(n);
    app.settings.ComNr = n;
    Connect(app);
    return device;
  }
};

// A folder of its own for a test's files, removed afterwards.
class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("tavolin-app-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
             std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
    return File(name);
  }
  static std::string Read(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

}  // namespace tavolin::testing
