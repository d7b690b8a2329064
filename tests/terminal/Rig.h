// The terminal's test rig: an AppState over the fakes with the real glyph sheet, a screen image
// with its band, and the port open on a scripted device; plus helpers that show a region of the
// picture as text art.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeSerial.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin::test {

struct Rig : fake::FakePlatform {
  fake::FakeSerialDevice& device = serial.Plug(1);
  AppState app{platform};

  explicit Rig(bool graphicsMode = false, int cols = 80, int rows = 25) {
    std::string error;
    EXPECT_TRUE(DecodeAssets(app, error)) << error;
    app.settings.Cols = cols;
    app.settings.Rows = rows;
    app.NormalTerminalMode = graphicsMode ? 0 : 1;
    CreateScreenImage(app, true);
    EXPECT_TRUE(app.port.Open(1, 0, 0));
    ClearScreen(app);
    DrawCursorMark(app, false);  // tests start from a black picture
    device.ClearWritten();
  }

  // Interprets bytes as one block from the port.
  void Feed(const std::vector<int>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      app.ReceiveBuffer[i] = static_cast<std::uint8_t>(bytes[i]);
    }
    Interpret(app, static_cast<int>(bytes.size()));
  }
  void FeedText(std::string_view text) {
    std::vector<int> bytes;
    for (unsigned char c : text) bytes.push_back(c);
    Feed(bytes);
  }
  // The screen image to draw on, and a copy of it with its rows in order to look at.
  ScreenImage& image() { return app.screen.screenImage; }
  Image picture() const { return ScreenPicture(app); }
  Pixel At(int x, int y) const { return app.screen.screenImage.At(x, y); }
};

struct Cursor {
  int col, row;
  bool operator==(const Cursor&) const = default;
};
inline Cursor CursorOf(const Rig& rig) {
  return {rig.app.screen.cursorCol, rig.app.screen.cursorRow};
}

// Rows of '#' (not black) and '.' (black) for the w x h pixels at (x, y).
inline std::vector<std::string> Art(const Image& image, int x, int y, int w, int h) {
  std::vector<std::string> rows;
  for (int j = y; j < y + h; ++j) {
    std::string row;
    for (int i = x; i < x + w; ++i) {
      row += !image.Contains(i, j) ? '?' : ((image.At(i, j) & 0xFFFFFFu) != 0 ? '#' : '.');
    }
    rows.push_back(row);
  }
  return rows;
}

// Number of pixels that are not black.
inline int LitCount(const Image& image) {
  int n = 0;
  for (Pixel p : image.pixels) n += (p & 0xFFFFFFu) != 0 ? 1 : 0;
  return n;
}

}  // namespace tavolin::test
