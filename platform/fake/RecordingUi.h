// Fakes of the window, the console, the desktop and the text output that record every call and
// answer from scripts, for tests of the core.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/MenuTable.h"
#include "platform/Console.h"
#include "platform/Desktop.h"
#include "platform/Ui.h"
#include "terminal/TextOutput.h"

namespace tavolin::fake {

struct MessageRecord {
  std::string caption;
  std::string text;
  bool operator==(const MessageRecord&) const = default;
};

class RecordingUi : public Ui {
 public:
  // Window.
  bool hasWindow = true;
  bool opensWindow = true;  // what OpenWindow answers
  int openCount = 0;
  bool timerRunning = false;
  int watchedHandle = -1;
  bool minimized = false;
  PointerPosition pointer{0, 0};
  int contentWidth = 0;
  int contentHeight = 0;
  int pictureCount = 0;
  Image lastPicture;
  int pumpCount = 0;

  // Events WaitEvent hands out in order; Kind::None when empty.
  std::deque<Event> events;
  // The port watch: while the watched handle is signalled (asked of signalled), WaitEvent hands
  // out PortReadable before the queued events, as a level-triggered watch does once per cycle.
  // At most maxPortWakeups of them, so a loop that never stops watching ends its test.
  std::function<bool(int)> signalled;
  int portWakeups = 0;
  int maxPortWakeups = 100;

  // Menu state by id.
  std::map<int, bool> checked;
  std::map<int, bool> enabled;

  // Dialogs: scripted answers, recorded requests.
  std::vector<MessageRecord> messages;
  std::deque<FileDialogResult> openAnswers;
  std::deque<FileDialogResult> saveAnswers;
  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  std::deque<std::string> comPortAnswers;
  std::vector<int> comPortPrefills;
  std::vector<std::vector<PortInfo>> comPortLists;
  std::deque<std::string> baudRateAnswers;
  std::vector<int> baudRatePrefills;

  // Progress bar.
  bool progressVisible = false;
  std::vector<int> progressValues;

  // Clipboard.
  bool clipboardFails = false;
  std::optional<Image> clipboardImage;
  std::optional<std::string> clipboardText;

  // About overlay.
  int overlayCount = 0;
  std::vector<OverlayText> lastOverlayTexts;
  Image lastOverlay;

  bool OpenWindow(int w, int h) override {
    ++openCount;
    contentWidth = w;
    contentHeight = h;
    hasWindow = opensWindow;
    return hasWindow;
  }
  bool HasWindow() override { return hasWindow; }
  void StartTimer() override { timerRunning = true; }
  void StopTimer() override { timerRunning = false; }
  void WatchPortHandle(int handle) override { watchedHandle = handle; }
  Event WaitEvent() override {
    if (watchedHandle >= 0 && signalled && portWakeups < maxPortWakeups &&
        signalled(watchedHandle)) {
      ++portWakeups;
      return {Event::Kind::PortReadable, 0};
    }
    if (events.empty()) return {};
    Event e = events.front();
    events.pop_front();
    return e;
  }
  std::function<void()> onPump;  // called at every ProcessPendingEvents
  // What the user asks for at the pump with this number (1 for the first); None elsewhere.
  std::map<int, Interruption> interruptAtPump;
  Interruption ProcessPendingEvents() override {
    ++pumpCount;
    if (onPump) onPump();
    const auto it = interruptAtPump.find(pumpCount);
    return it == interruptAtPump.end() ? Interruption::None : it->second;
  }
  // Like the real menus: an id no item sends changes nothing.
  void SetMenuChecked(int id, bool on) override {
    if (OnTheMenu(id)) checked[id] = on;
  }
  bool IsMenuChecked(int id) const {
    auto it = checked.find(id);
    return it != checked.end() && it->second;
  }
  void SetMenuEnabled(int id, bool on) override {
    if (OnTheMenu(id)) enabled[id] = on;
  }
  bool IsMenuEnabled(int id) const {
    auto it = enabled.find(id);
    return OnTheMenu(id) && (it == enabled.end() || it->second);
  }
  void ShowMessage(std::string_view caption, std::string_view text) override {
    messages.push_back({std::string(caption), std::string(text)});
  }
  FileDialogResult OpenFileDialog(const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return Next(openAnswers);
  }
  FileDialogResult SaveFileDialog(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Next(saveAnswers);
  }
  std::string AskComPort(int current, const std::vector<PortInfo>& ports) override {
    comPortPrefills.push_back(current);
    comPortLists.push_back(ports);
    if (comPortAnswers.empty()) return {};
    std::string a = comPortAnswers.front();
    comPortAnswers.pop_front();
    return a;
  }
  std::string AskBaudRate(int current) override {
    baudRatePrefills.push_back(current);
    if (baudRateAnswers.empty()) return {};
    std::string a = baudRateAnswers.front();
    baudRateAnswers.pop_front();
    return a;
  }
  void ShowPicture(const Image& picture) override {
    ++pictureCount;
    lastPicture = picture;
  }
  void SetContentSize(int w, int h) override {
    contentWidth = w;
    contentHeight = h;
  }
  bool IsMinimized() override { return minimized; }
  PointerPosition PointerInClient() override { return pointer; }
  void PaintOverlay(const Image& picture, const std::vector<OverlayText>& texts,
                    Pixel /*colour*/) override {
    ++overlayCount;
    lastOverlay = picture;
    lastOverlayTexts = texts;
  }
  void SetProgressVisible(bool visible) override { progressVisible = visible; }
  // What the core asked for, unclamped, so its tests see a value out of range.
  void SetProgress(int percent) override { progressValues.push_back(percent); }
  bool SetClipboardImage(const Image& picture) override {
    const bool drawable = picture.width > 0 && picture.height > 0 &&
                          picture.pixels.size() >= static_cast<std::size_t>(picture.width) *
                                                       static_cast<std::size_t>(picture.height);
    if (clipboardFails || !drawable) return false;
    clipboardImage = picture;
    return true;
  }
  bool SetClipboardText(std::string_view latin1) override {
    if (clipboardFails) return false;
    clipboardText = std::string(latin1);
    return true;
  }

 private:
  static bool OnTheMenu(int id) {
    for (const MenuEntry& e : MenuTable()) {
      if (e.id == id && (e.kind == MenuEntry::Kind::Command || e.kind == MenuEntry::Kind::Check)) {
        return true;
      }
    }
    return false;
  }
  static FileDialogResult Next(std::deque<FileDialogResult>& answers) {
    if (answers.empty()) return {};
    FileDialogResult r = answers.front();
    answers.pop_front();
    return r;
  }
};

class RecordingConsole : public Console {
 public:
  std::string out;
  std::string err;
  bool errIsTerminal = false;
  void Out(std::string_view text) override { out += text; }
  void Err(std::string_view text) override { err += text; }
  bool ErrIsTerminal() override { return errIsTerminal; }
};

class RecordingDesktop : public Desktop {
 public:
  std::vector<std::string> started;
  std::vector<std::string> opened;
  std::vector<std::string> urls;
  std::vector<std::string> raised;
  bool startSucceeds = true;
  bool windowExists = false;
  bool StartProgram(const std::string& path) override {
    started.push_back(path);
    return startSucceeds;
  }
  bool OpenDocument(const std::string& path, const std::string& /*workDir*/) override {
    opened.push_back(path);
    return true;
  }
  bool OpenUrl(const std::string& url) override {
    urls.push_back(url);
    return true;
  }
  bool RaiseWindowTitled(std::string_view title) override {
    raised.emplace_back(title);
    return windowExists;
  }
  int reaps = 0;
  void ReapEndedPrograms() override { ++reaps; }
};

// Records status lines and texts as they would be printed.
class RecordingTextOutput : public TextOutput {
 public:
  bool normalTerminalMode = true;
  std::string text;                // everything printed, line ends included
  std::vector<std::string> lines;  // the status lines alone
  int clears = 0;
  void PrintText(std::string_view t) override { text += t; }
  void PrintLine(std::string_view t) override {
    lines.emplace_back(t);
    text += t;
    text += '\r';
    if (normalTerminalMode) text += '\n';
  }
  void ClearScreen() override { ++clears; }
};

}  // namespace tavolin::fake
