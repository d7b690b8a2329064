#include "loader/MonitorTransfer.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>

#include "app/AppState.h"
#include "loader/ImageUpload.h"
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

// The size the chip is told: the file's size, -2 for a folder, -1 for anything else (no such
// file, a FIFO, a device: nothing that could be sent).  Sizes beyond the signed 32-bit range are
// told as its largest value.
std::int32_t SizeForChip(const std::string& path) {
  if (KindOfFile(path) == FileKind::Folder) return kSizeFolder;
  const std::int64_t size = RegularFileSize(path);
  if (size < 0) return kSizeMissing;
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(size, std::numeric_limits<std::int32_t>::max()));
}

void WriteSize(AppState& app, std::int32_t size) {
  const auto value = static_cast<std::uint32_t>(size);
  std::uint8_t* out = app.SendBuffer.data();
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
  app.port.WriteRaw(out, 4);
}

// Polls for the chip's go-ahead; true when any byte arrived.  The bytes are dropped.
bool WaitForGoAhead(AppState& app) {
  for (int poll = 0; poll < kGoAheadPolls; ++poll) {
    app.platform.ui.ProcessPendingEvents();
    if (app.port.ReadRaw(app.ReceiveBuffer.data()) > 0) return true;
    if (app.port.Lost()) return false;
    app.platform.clock.SleepMs(kGoAheadPollMs);
  }
  return false;
}

}  // namespace

void SendText(AppState& app, std::string_view text) {
  for (char c : text) {
    if (app.port.Lost()) return;
    app.SendBuffer[0] = static_cast<std::uint8_t>(c);
    app.port.WriteRaw(app.SendBuffer.data(), 1);
  }
}

void MonitorObjUpload(AppState& app, const std::string& path) {
  app.port.PurgeInput();
  std::ifstream in;
  if (!OpenRegularFile(path, in)) return;
  app.settings.MsMoveOff = 1;
  std::uint32_t address = kMonitorStartAddress;
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    if (app.port.Lost()) return;
    if (address % 16 == 0) {
      if (address != kMonitorStartAddress) SendText(app, kMonitorLineEnd);
      SendText(app, Hex(address) + ":");
    } else {
      SendText(app, " ");
    }
    if (c < 16) SendText(app, "0");
    SendText(app, Hex(static_cast<std::uint32_t>(c)));
    ++address;
    app.platform.ui.ProcessPendingEvents();
  }
  in.close();
  SendText(app, std::string(kMonitorLineEnd) + std::string(kMonitorRun));
}

void DownloadBinary(AppState& app, const std::string& name) {
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
  const std::int32_t size = SizeForChip(path);
  std::ifstream in;
  if (OpenRegularFile(path, in)) {
    app.settings.MsMoveOff = 1;
    ui.SetProgress(kTransferStartProgress);
    ui.SetProgressVisible(true);
    WriteSize(app, size);
    std::int64_t sent = 0;
    app.port.PurgeInput();
    std::array<char, kTransferBlockBytes> block{};
    while (in.peek() != std::char_traits<char>::eof() && !app.port.Lost()) {
      if (!WaitForGoAhead(app)) {
        if (app.output != nullptr && !app.port.Lost()) app.output->PrintText(kTransferTimeOut);
        break;
      }
      in.read(block.data(), block.size());
      const auto got = static_cast<std::size_t>(in.gcount());
      sent += kTransferBlockBytes;
      app.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(block.data()), got);
      // An empty file never gets here, but the size may still be 0 or negative if the file
      // changed after it was measured: never divide by it, never show more than 100.
      const std::int64_t percent = size > 0 ? std::min<std::int64_t>(100, sent * 100 / size) : 100;
      ui.SetProgress(static_cast<int>(percent));
      ui.ProcessPendingEvents();
    }
    in.close();
  }
  app.settings.MsMoveOff = app.NormalTerminalMode != 0 ? 1 : 0;
  ui.SetProgressVisible(false);
}

void SendPreparedSize(AppState& app) {
  WriteSize(app, SizeForChip(app.PreparedFile));
}

}  // namespace tavolin
