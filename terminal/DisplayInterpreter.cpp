#include "terminal/DisplayInterpreter.h"

#include <algorithm>
#include <string>

#include "terminal/ScreenActions.h"
#include "terminal/TerminalContext.h"

namespace tavolin {

namespace {

Dialect DialectOf(const TerminalContext& app) {
  return app.NormalTerminalMode != 0 ? Dialect::NormalTerminal : Dialect::Graphics;
}

bool CanDraw(const TerminalContext& app) {
  return app.platform.ui.HasWindow() && !app.screen.screenImage.empty();
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

void Interpret(TerminalContext& app, int length) {
  // Without a picture the block is dropped, and the command the chip is in the middle of stays.
  if (!CanDraw(app)) return;
  DisplayInterpreter& in = app.interpreter;
  const auto n =
      static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(app.ReceiveBuffer.size())));
  ScreenActions actions(app);
  actions.Feed(in.parser, {app.ReceiveBuffer.data(), n}, DialectOf(app));
  in.carryCount = in.parser.HeldCount();
  actions.Finish();
}

void ClearScreen(TerminalContext& app) {
  if (!CanDraw(app)) return;
  ScreenActions actions(app);
  actions.Control(ControlCode::Clear);
  actions.Finish();
}

void PrintText(TerminalContext& app, std::string_view text) {
  if (!app.platform.ui.HasWindow()) {
    std::string line(text);
    line += '\n';
    app.platform.console.Out(line);
    return;
  }
  if (text.empty() || !CanDraw(app)) return;
  // A parser of the text's own: the chip's half-received command is none of its business, and
  // whatever the text leaves unfinished ends with it.
  DisplayParser own;
  ScreenActions actions(app);
  actions.Feed(own, Bytes(text), DialectOf(app));
  actions.Finish();
}

void PrintLine(TerminalContext& app, std::string_view text) {
  if (!app.platform.ui.HasWindow()) {
    // On the console a status line is one line, whatever the dialect.
    PrintText(app, text);
    return;
  }
  std::string line(text);
  line += '\r';
  PrintText(app, line);
  if (app.NormalTerminalMode != 0) PrintText(app, "\n");
}

void StartFreshLine(TerminalContext& app) {
  if (!CanDraw(app) || app.screen.cursorCol == 0) return;
  ScreenActions actions(app);
  actions.Control(ControlCode::NewLine);
  actions.Finish();
}

void ScreenTextOutput::PrintText(std::string_view text) {
  tavolin::PrintText(app_, text);
}
void ScreenTextOutput::PrintLine(std::string_view text) {
  tavolin::PrintLine(app_, text);
}
void ScreenTextOutput::ClearScreen() {
  tavolin::ClearScreen(app_);
}
void ScreenTextOutput::StartFreshLine() {
  tavolin::StartFreshLine(app_);
}

}  // namespace tavolin
