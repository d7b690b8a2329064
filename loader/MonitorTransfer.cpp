#include "loader/MonitorTransfer.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>

#include "loader/ImageUpload.h"
#include "loader/LoaderContext.h"
#include "platform/RegularFile.h"

namespace tavolin {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Hex(std::uint32_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kHexDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return digits;
}

constexpr std::int64_t kLargestSendable = std::numeric_limits<std::int32_t>::max();

// The file's size, -2 for a folder, -1 for anything else (no such file, a FIFO, a device: nothing
// that could be sent).
std::int64_t SizeOf(const std::string& path) {
  if (KindOfFile(path) == FileKind::Folder) return kSizeFolder;
  const std::int64_t size = RegularFileSize(path);
  return size < 0 ? kSizeMissing : size;
}

void TellTooBig(LoaderContext& app) {
  if (app.output != nullptr) app.output->PrintLine(kFileTooBig);
}

void WriteSize(LoaderContext& app, std::int32_t size) {
  const auto value = static_cast<std::uint32_t>(size);
  std::uint8_t* out = app.SendBuffer.data();
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
  app.port.WriteRaw(out, 4);
}

enum class GoAhead { Arrived, TimedOut, Stopped };

// Polls for the chip's go-ahead.  The bytes that arrived are dropped.
GoAhead WaitForGoAhead(LoaderContext& app) {
  for (int poll = 0; poll < kGoAheadPolls; ++poll) {
    if (StopRequested(app)) return GoAhead::Stopped;
    if (app.port.ReadRaw(app.ReceiveBuffer.data()) > 0) return GoAhead::Arrived;
    if (app.port.Lost()) return GoAhead::Stopped;
    app.platform.clock.SleepMs(kGoAheadPollMs);
  }
  return GoAhead::TimedOut;
}

}  // namespace

bool StopRequested(LoaderContext& app) {
  const Interruption asked = app.platform.ui.ProcessPendingEvents();
  if (asked == Interruption::Close) app.QuitRequested = 1;
  return asked != Interruption::None;
}

void SendText(LoaderContext& app, std::string_view text) {
  for (char c : text) {
    if (app.port.Lost()) return;
    app.SendBuffer[0] = static_cast<std::uint8_t>(c);
    app.port.WriteRaw(app.SendBuffer.data(), 1);
  }
}

void MonitorObjUpload(LoaderContext& app, const std::string& path) {
  app.port.PurgeInput();
  std::ifstream in;
  if (!OpenRegularFile(path, in)) return;
  app.settings.MsMoveOff = 1;
  std::uint32_t address = kMonitorStartAddress;
  bool stopping = false;  // asked to stop: the current line is finished, nothing more
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    if (app.port.Lost()) return;
    if (address % 16 == 0) {
      if (stopping) break;
      if (address != kMonitorStartAddress) SendText(app, kMonitorLineEnd);
      SendText(app, Hex(address) + ":");
    } else {
      SendText(app, " ");
    }
    if (c < 16) SendText(app, "0");
    SendText(app, Hex(static_cast<std::uint32_t>(c)));
    ++address;
    if (!stopping) stopping = StopRequested(app);
  }
  in.close();
  // A stopped upload ends its last line, so the monitor takes it, but does not run the program.
  SendText(app, stopping ? std::string(kMonitorLineEnd)
                         : std::string(kMonitorLineEnd) + std::string(kMonitorRun));
}

void DownloadBinary(LoaderContext& app, const std::string& name) {
  Ui& ui = app.platform.ui;
  std::string path = name;
  if (name == kAnyFile) {
    FileDialogRequest request;
    request.title = kDownloadBinaryTitle;
    request.defaultPath = app.settings.BinPath + std::string(kDefaultImagePattern);
    request.filter = kDownloadBinaryFilter;
    request.typeIndex = 0;
    path = ui.OpenFileDialog(request).path;
  }
  app.port.PurgeInput();
  const std::int64_t size = SizeOf(path);
  std::ifstream in;
  if (size > kLargestSendable) {
    TellTooBig(app);  // its size cannot be told: nothing is sent
  } else if (OpenRegularFile(path, in)) {
    app.settings.MsMoveOff = 1;
    ui.SetProgress(kTransferStartProgress);
    ui.SetProgressVisible(true);
    WriteSize(app, static_cast<std::int32_t>(size));
    std::int64_t sent = 0;     // counts whole blocks, as the progress bar shows them
    std::int64_t left = size;  // never more than announced, should the file grow
    app.port.PurgeInput();
    std::array<char, kTransferBlockBytes> block{};
    while (left > 0 && in.peek() != std::char_traits<char>::eof() && !app.port.Lost()) {
      const GoAhead answer = WaitForGoAhead(app);
      if (answer == GoAhead::Stopped) break;
      if (answer == GoAhead::TimedOut) {
        if (app.output != nullptr) app.output->PrintText(kTransferTimeOut);
        break;
      }
      in.read(block.data(), std::min<std::streamsize>(kTransferBlockBytes, left));
      const auto got = static_cast<std::size_t>(in.gcount());
      left -= static_cast<std::int64_t>(got);
      sent += kTransferBlockBytes;
      app.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(block.data()), got);
      // The size may be 0 or negative if the file changed after it was measured: never divide by
      // it, never show more than 100.
      const std::int64_t percent = size > 0 ? std::min<std::int64_t>(100, sent * 100 / size) : 100;
      ui.SetProgress(static_cast<int>(percent));
      if (StopRequested(app)) break;
    }
    in.close();
  }
  app.settings.MsMoveOff = app.NormalTerminalMode != 0 ? 1 : 0;
  ui.SetProgressVisible(false);
}

void SendPreparedSize(LoaderContext& app) {
  std::int64_t size = SizeOf(app.PreparedFile);
  if (size > kLargestSendable) {
    TellTooBig(app);
    size = kSizeMissing;
  }
  WriteSize(app, static_cast<std::int32_t>(size));
}

}  // namespace tavolin
