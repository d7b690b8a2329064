#include "app/MainLoop.h"

#include <fstream>

#include "app/ChipAnswers.h"
#include "app/Commands.h"
#include "app/Flags.h"
#include "app/PortLoss.h"
#include "loader/ImageUpload.h"
#include "loader/MonitorTransfer.h"
#include "platform/RegularFile.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/KeyForwarding.h"

namespace tavolin {
namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  // Where the chip says, but only into a regular file or a new one: never a FIFO or a device.
  std::ofstream file;
  if (!CreateRegularFile(path, file)) return;  // nothing written, nothing reported
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

void ServeHostRequest(AppState& app, int request) {
  // The name is the text the chip printed since the last clear or home.
  const std::string name = app.screen.textMirror;
  switch (request) {
    case kRequestUploadImage:
    case kRequestUploadEeprom:
      UploadImage(app, app.settings.BinPath + name);
      break;
    case kRequestSendText:
      SendTextFile(app, name);
      break;
    case kRequestStartProgram:
      // Started directly with no arguments, never through a shell; a name that is not a program
      // is opened as a document instead.
      if (!app.platform.desktop.StartProgram(name)) {
        app.platform.desktop.OpenDocument(name, FolderOf(name));
      }
      break;
    case kRequestDownloadFile:
      DownloadBinary(app, name);
      break;
    case kRequestDownloadPrepared:
      if (!app.PreparedFile.empty()) DownloadBinary(app, app.PreparedFile);
      break;
    case kRequestPreparedSize:
      SendPreparedSize(app);
      break;
    case kRequestSaveText:
      WriteWholeFile(name, app.screen.previousText);
      break;
    default:
      break;  // no such letter: dropped
  }
}

void PollPort(AppState& app) {
  if (!app.port.IsOpen()) return;
  // One read of up to 1024 bytes.  A read that comes back full means the window is behind a fast
  // link: more reads follow, up to the whole receive buffer, so that one picture shows them all
  // instead of one picture for every 1024 bytes (a serial port has no flow control).
  int n = 0;
  constexpr auto kRead = static_cast<int>(SerialPort::kRawReadSize);
  while (n + kRead <= static_cast<int>(app.ReceiveBuffer.size())) {
    const int got = app.port.ReadRaw(app.ReceiveBuffer.data() + n);
    n += got;
    if (got < kRead) break;
  }
  if (n <= 0) return;
  Interpret(app, n);
  // What the chip asked for in the block, in the order it asked: the queries and file blocks,
  // then the host request, then the pixel test's answer.
  AnswerQuestions(app);
  if (app.interpreter.HostRequest >= 1) {
    const int request = app.interpreter.HostRequest;
    ServeHostRequest(app, request);
    app.interpreter.HostRequest = 0;
  }
  if (app.interpreter.ReplyByte >= 1) {
    app.SendBuffer[0] = static_cast<std::uint8_t>(app.interpreter.ReplyByte);
    app.port.WriteRaw(app.SendBuffer.data(), 1);
    app.interpreter.ReplyByte = 0;
  }
}

void ApplyAutoMode(AppState& app) {
  // Decided from the window's minimised state: a short picture (few rows) is not a minimised
  // window, and a minimised window keeps its height on some desktops.
  const bool minimized = app.platform.ui.IsMinimized();
  if (minimized && app.PortReleased == 0) {
    StopRetaking(app);
    if (app.port.IsOpen()) {
      SetComEnabled(app, false);
      app.port.Close();
    }
    app.PortReleased = 1;
  }
  if (!minimized && app.PortReleased == 1) {
    Connect(app);
    app.PortReleased = 0;
  }
}

void RunCycle(AppState& app, const Event& event) {
  switch (event.kind) {
    case Event::Kind::MenuCommand:
      DispatchCommand(app, event.value);
      break;
    case Event::Kind::CloseRequest:
      app.QuitRequested = 1;
      break;
    default:
      ForwardInput(app, event);
      break;
  }
  PollPort(app);
  NoticePortLoss(app);
  if (event.kind == Event::Kind::Timer) {
    if (app.AutoMode != 0) ApplyAutoMode(app);
    RetakeLostPort(app);
    app.platform.desktop.ReapEndedPrograms();  // programs of the "i" request leave no zombie
  }
}

}  // namespace tavolin
