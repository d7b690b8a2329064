#include "terminal/DisplayInterpreter.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>

#include "app/AppState.h"
#include "settings/Settings.h"
#include "terminal/GraphicsCommand.h"
#include "terminal/Raster.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

namespace {

constexpr std::uint8_t kBackspaceAlias = 200;

void FillCell(AppState& app, std::int32_t col, std::int32_t row, Pixel colour) {
  const long long x = static_cast<long long>(col) * kCellWidth;
  const long long y = static_cast<long long>(row) * kCellHeight;
  const ScreenImage& image = app.screen.screenImage;
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  raster::FillBox(app.screen.screenImage, static_cast<int>(x), static_cast<int>(y), kCellWidth,
                  kCellHeight, colour);
}

void EmptyMirror(TerminalScreen& s) {
  s.previousText = std::move(s.textMirror);
  s.textMirror.clear();
}

void Clear(AppState& app) {
  TerminalScreen& s = app.screen;
  s.cursorCol = 0;
  s.cursorRow = 0;
  raster::FillBox(s.screenImage, 0, 0, TextWidth(app), TextHeight(app), raster::kBlack);
  EmptyMirror(s);
}

void Backspace(AppState& app) {
  TerminalScreen& s = app.screen;
  --s.cursorCol;
  if (s.cursorCol < 0) {
    s.cursorCol = EffectiveCols(app.settings) - 1;
    --s.cursorRow;
    if (s.cursorRow < 0) s.cursorRow = 0;
  }
  FillCell(app, s.cursorCol, s.cursorRow, raster::kBlack);
}

// Normal-Terminal Mode column of the control codes (5 is handled by the caller).
void NormalControl(AppState& app, std::uint8_t code) {
  TerminalScreen& s = app.screen;
  switch (code) {
    case 0:
      Clear(app);
      break;
    case 8:
      Backspace(app);
      break;
    case 9:
      if (s.cursorCol < INT32_MAX) ++s.cursorCol;
      s.textMirror += ' ';
      break;
    case 10:
      NewLine(app);
      s.textMirror += '\n';
      break;
    case 12:
      s.colorByte = ReadParameter(app);
      break;
    case 13:
      s.cursorCol = 0;
      s.textMirror += '\r';
      if (app.settings.CRmode != 0) {
        NewLine(app);
        s.textMirror += '\n';
      }
      break;
    default:  // 1, 2, 3, 4, 6, 7, 11: no effect
      break;
  }
}

// Graphics-mode column of the control codes (5 is handled by the caller).
void GraphicsControl(AppState& app, std::uint8_t code) {
  TerminalScreen& s = app.screen;
  switch (code) {
    case 0:
      Clear(app);
      break;
    case 1:
      s.cursorCol = 0;
      s.cursorRow = 0;
      EmptyMirror(s);
      break;
    case 8:
      Backspace(app);
      break;
    case 9:
      do {
        DrawCharacter(app, ' ');
      } while (s.cursorCol % 8 != 0);
      break;
    case 10:
      s.cursorCol = ReadParameter(app) % EffectiveCols(app.settings);
      break;
    case 11:
      s.cursorRow = ReadParameter(app) % EffectiveRows(app.settings);
      break;
    case 12:
      s.colorByte = ReadParameter(app);
      break;
    case 13:
      NewLine(app);
      s.textMirror += "\r\n";
      break;
    default:  // 2, 3, 4, 6, 7: no effect
      break;
  }
}

}  // namespace

void NewLine(AppState& app) {
  TerminalScreen& s = app.screen;
  ++s.cursorRow;
  s.cursorCol = 0;
  const std::int32_t rows = EffectiveRows(app.settings);
  if (s.cursorRow > rows - 1) {
    s.cursorRow = rows - 1;
    ScrollScreen(app, 0, kCellHeight);
  }
}

std::uint8_t ReadParameter(AppState& app) {
  DisplayInterpreter& in = app.interpreter;
  if (in.readPosition + 1 < in.length) {
    ++in.readPosition;
    app.SendBuffer[0] = app.ReceiveBuffer[static_cast<std::size_t>(in.readPosition)];
    return app.SendBuffer[0];
  }
  // Not arrived yet: ask the port, briefly.  readPosition stays, so the block goes on as usual.
  for (int attempt = 0; attempt < kParameterReadAttempts; ++attempt) {
    std::uint8_t byte = 0;
    if (app.port.ReadByte(byte)) {
      app.SendBuffer[0] = byte;
      break;
    }
    app.platform.clock.SleepMs(kParameterReadPauseMs);
  }
  return app.SendBuffer[0];
}

void Interpret(AppState& app, int length) {
  if (!app.platform.ui.HasWindow() || app.screen.screenImage.empty()) return;
  DisplayInterpreter& in = app.interpreter;
  TerminalScreen& s = app.screen;
  std::uint8_t* buffer = app.ReceiveBuffer.data();
  const int room = static_cast<int>(app.ReceiveBuffer.size());
  length = std::clamp(length, 0, room - in.carryCount);
  if (in.carryCount > 0) {
    std::memmove(buffer + in.carryCount, buffer, static_cast<std::size_t>(length));
    std::memcpy(buffer, in.CarryBuffer.data(), static_cast<std::size_t>(in.carryCount));
    length += in.carryCount;
    in.carryCount = 0;
  }
  in.length = length;
  const bool cursorShown = app.settings.TxtCurs != 0;
  for (in.readPosition = 0; in.readPosition <= in.length - 1; ++in.readPosition) {
    std::uint8_t code = buffer[in.readPosition];
    if (code == kBackspaceAlias) code = 8;
    if (cursorShown) DrawCursorMark(app, false);
    if (code >= 14) {
      DrawCharacter(app, code);
      if (s.textMirror.size() < kTextMirrorLimit) s.textMirror += static_cast<char>(code);
      continue;
    }
    if (app.NormalTerminalMode != 0) {
      NormalControl(app, code);
    } else {
      const int remaining = in.length - in.readPosition;
      const bool last = remaining == 1;
      if ((code == 10 || code == 11 || code == 12) && last) {
        in.CarryBuffer[0] = code;
        in.carryCount = 1;
        break;
      }
      if (code == 5 && remaining < 4) {
        std::memcpy(in.CarryBuffer.data(), buffer + in.readPosition,
                    static_cast<std::size_t>(remaining));
        in.carryCount = remaining;
        break;
      }
      GraphicsControl(app, code);
    }
    if (code == 5) GraphicsCommand(app);
  }
  if (cursorShown) DrawCursorMark(app, true);
  Present(app);
}

void ClearScreen(AppState& app) {
  app.ReceiveBuffer[0] = 0;
  Interpret(app, 1);
}

void PrintText(AppState& app, std::string_view text) {
  if (!app.platform.ui.HasWindow()) {
    std::string line(text);
    line += '\n';
    app.platform.console.Out(line);
    return;
  }
  // Room is left in ReceiveBuffer for up to three carried-over bytes in front of each piece.  A
  // graphics-mode command cut by a piece boundary is carried over to the next piece as any
  // other; in Normal-Terminal Mode its missing bytes would be asked of the port, which is why
  // pieces are as long as the buffer allows (status lines are far shorter).
  while (!text.empty()) {
    const std::size_t n = std::min(text.size(), kPrintPieceSize);
    std::memcpy(app.ReceiveBuffer.data(), text.data(), n);
    Interpret(app, static_cast<int>(n));
    text.remove_prefix(n);
  }
}

void PrintLine(AppState& app, std::string_view text) {
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

void ScreenTextOutput::PrintText(std::string_view text) {
  tavolin::PrintText(app_, text);
}
void ScreenTextOutput::PrintLine(std::string_view text) {
  tavolin::PrintLine(app_, text);
}
void ScreenTextOutput::ClearScreen() {
  tavolin::ClearScreen(app_);
}

}  // namespace tavolin
