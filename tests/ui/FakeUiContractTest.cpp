// The window contract on the recording fake: the core's tests can trust what it answers about
// the marks, the progress bar and the clipboard as they would the real windows'.
#include "UiContract.h"
#include "platform/fake/RecordingUi.h"

namespace tavolin::contract {
namespace {

class FakeHarness final : public UiHarness {
 public:
  Ui& ui() override { return ui_; }
  bool IsRealWindow() const override { return false; }

  std::string Title() override { return {}; }
  Rect Frame() override { return {}; }
  Rect Client() override { return {0, 0, ui_.contentWidth, ui_.contentHeight - kMenuLineHeight}; }
  bool Resizable() override { return false; }
  bool HasMaximiseButton() override { return false; }
  bool HasMinimiseButton() override { return true; }
  std::vector<std::string> MenuLines() override { return {}; }
  std::string MenuText(int /*id*/) override { return {}; }
  bool MenuChecked(int id) override { return ui_.IsMenuChecked(id); }
  bool MenuEnabled(int id) override { return ui_.IsMenuEnabled(id); }
  void ChooseMenu(int id) override { ui_.events.push_back({Event::Kind::MenuCommand, id}); }
  void PressClose() override { ui_.events.push_back({Event::Kind::CloseRequest, 0}); }
  bool WindowExists() override { return ui_.HasWindow(); }
  void TimerFires() override {}
  void KeyArrives() override {}
  void EscapeArrives() override {}
  std::vector<Event> TakeEvents() override {
    std::vector<Event> taken(ui_.events.begin(), ui_.events.end());
    ui_.events.clear();
    return taken;
  }
  Image Screen() override { return {}; }
  ProgressView Progress() override {
    return {ui_.progressVisible, {}, ui_.progressValues.empty() ? 0 : ui_.progressValues.back()};
  }
  std::optional<std::string> ClipboardText() override { return ui_.clipboardText; }
  std::optional<Image> ClipboardImage() override { return ui_.clipboardImage; }
  void Minimise(bool minimised) override { ui_.minimized = minimised; }
  void MovePointerTo(int x, int y) override { ui_.pointer = {x, y}; }
  void WhenDialogOpens(std::function<void(DialogUser&)> /*use*/) override {}

 private:
  fake::RecordingUi ui_;
};

std::unique_ptr<UiHarness> MakeFakeHarness(int width, int height) {
  auto h = std::make_unique<FakeHarness>();
  h->ui().OpenWindow(width, height);
  return h;
}

}  // namespace

TAVOLIN_UI_CONTRACT(Fake, MakeFakeHarness);

}  // namespace tavolin::contract
