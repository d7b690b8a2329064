// The contract of the window interface (platform/Ui.h), kept by the Qt and the Win32 window.
// Each implementation supplies a harness that plays the user and reads back what its window
// shows; the cases in UiContract.cpp run once per implementation (TAVOLIN_UI_CONTRACT below).
// What only one implementation can show (Qt's key translation, Win32's message rules, the file
// dialogs' platform widgets) stays in that implementation's own tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace tavolin::contract {

// Events as text ("down 65; char 97; "), for comparisons that show what differs.
inline std::string Describe(const std::vector<Event>& events) {
  static constexpr const char* kKinds[] = {"none", "menu", "close", "down",      "char",  "up",
                                           "move", "left", "right", "button-up", "timer", "port"};
  std::string s;
  for (const Event& e : events) {
    s += std::string(kKinds[static_cast<int>(e.kind)]) + " " + std::to_string(e.value) + "; ";
  }
  return s;
}

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

struct ProgressView {
  bool visible = false;
  Rect place;  // in client coordinates
  int value = 0;
};

// A modal dialog as its user sees it.
class DialogUser {
 public:
  virtual ~DialogUser() = default;
  virtual std::string Title() = 0;
  // The static texts: a message box's text, the ComPort dialog's question.
  virtual std::vector<std::string> Texts() = 0;
  virtual std::string EditText() = 0;
  // Types into the field as the dialog opened, which replaces the proposal (it is selected).
  virtual void TypeIntoEdit(const std::string& text) = 0;
  virtual std::vector<std::string> ListLines() = 0;
  virtual void PickListLine(int index) = 0;  // as a click on it
  virtual void Accept() = 0;                 // OK or Enter
  virtual void Cancel() = 0;                 // Esc
};

class UiHarness {
 public:
  virtual ~UiHarness() = default;
  virtual Ui& ui() = 0;
  virtual std::string Title() = 0;
  virtual Rect Frame() = 0;   // the outer window, in screen coordinates
  virtual Rect Client() = 0;  // the area below the menu bar (x, y: its top-left on the screen)
  virtual bool Resizable() = 0;
  virtual bool HasMaximiseButton() = 0;
  virtual bool HasMinimiseButton() = 0;

  // The menu as lines: ">" before the text of a menu or submenu, whose items follow indented by
  // two spaces more; "-" for a separator.
  virtual std::vector<std::string> MenuLines() = 0;
  // The text of the item that sends id; empty when no item does.
  virtual std::string MenuText(int id) = 0;
  virtual bool MenuChecked(int id) = 0;
  virtual bool MenuEnabled(int id) = 0;

  // The user's actions and the window system's; their events are queued, not yet handed out.
  virtual void ChooseMenu(int id) = 0;
  virtual void PressClose() = 0;
  virtual bool WindowExists() = 0;
  virtual void TimerFires() = 0;
  virtual void KeyArrives() = 0;  // a key press the user makes while a long operation runs
  virtual void EscapeArrives() = 0;
  // Hands out every event the window has queued by now, without waiting for more.
  virtual std::vector<Event> TakeEvents() = 0;

  // What the screen shows of the client area (the alpha byte means nothing).
  virtual Image Screen() = 0;
  virtual ProgressView Progress() = 0;
  virtual std::optional<std::string> ClipboardText() = 0;
  virtual std::optional<Image> ClipboardImage() = 0;
  virtual void Minimise(bool minimised) = 0;
  virtual void MovePointerTo(int x, int y) = 0;  // client coordinates

  // Runs use on the next modal dialog once it shows; the dialog's own call returns after use
  // has accepted or cancelled it.  use may run on another thread: it records, the case checks.
  virtual void WhenDialogOpens(std::function<void(DialogUser&)> use) = 0;
};

// An implementation under test: its name, and how to make a harness whose window is open with a
// content area of width x height.
struct Implementation {
  std::string name;
  std::function<std::unique_ptr<UiHarness>(int width, int height)> make;
};
// Its name, for gtest's listing of the cases.
inline void PrintTo(const Implementation& implementation, std::ostream* out) {
  *out << implementation.name;
}

class UiContract : public ::testing::TestWithParam<Implementation> {
 protected:
  static constexpr int kWidth = 640;   // 80 columns of 8 pixels
  static constexpr int kHeight = 446;  // 25 rows of 17 pixels and the menu line
  void SetUp() override {
    h_ = GetParam().make(kWidth, kHeight);
    ASSERT_TRUE(h_) << "no window";
  }
  std::unique_ptr<UiHarness> h_;
};

}  // namespace tavolin::contract

// Runs the contract on one implementation: TAVOLIN_UI_CONTRACT(Qt, MakeQtHarness), inside
// namespace tavolin::contract.
#define TAVOLIN_UI_CONTRACT(implementation, factory)                                    \
  INSTANTIATE_TEST_SUITE_P(implementation, UiContract,                                  \
                           ::testing::Values(Implementation{#implementation, factory}), \
                           [](const auto& tested) { return tested.param.name; })
