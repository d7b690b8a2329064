#include "loader/ImageUpload.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "loader/BootLoader.h"
#include "loader/LoaderContext.h"
#include "loader/MonitorTransfer.h"
#include "loader/P2Loader.h"
#include "platform/RegularFile.h"

namespace tavolin {
namespace {

// A status line printed with PrintText: the text (ending in CR), then LF while Normal-Terminal
// Mode is on.
void PrintStatusText(LoaderContext& app, std::string_view text) {
  if (app.output == nullptr) return;
  app.output->PrintText(text);
  if (app.NormalTerminalMode != 0) app.output->PrintText("\n");
}

enum class ReadResult { Ok, Missing, TooLong };

// The file's bytes, at most one more than the largest image any chip takes.
ReadResult ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in;
  if (!OpenRegularFile(path, in)) return ReadResult::Missing;
  bytes.assign(p2::kHubBytes + 1, 0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
  return bytes.size() > p2::kHubBytes ? ReadResult::TooLong : ReadResult::Ok;
}

// The file's little-endian longs into the image buffer, the rest of it zeroed.  A trailing group
// of 1 to 3 bytes makes a last long with zero high bytes.
ReadResult FillImageBuffer(LoaderContext& app, const std::vector<std::uint8_t>& bytes,
                           std::size_t& longCount) {
  auto& image = app.loader.image;
  image.fill(0);
  longCount = (bytes.size() + 3) / 4;
  if (longCount > image.size()) {
    longCount = 0;
    return ReadResult::TooLong;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    image[i / 4] |= static_cast<std::uint32_t>(bytes[i]) << (8 * (i % 4));
  }
  return ReadResult::Ok;
}

UploadOutcome OutcomeOf(P2Result result) {
  switch (result) {
    case P2Result::Loaded:
      return UploadOutcome::Loaded;
    case P2Result::NoChip:
      return UploadOutcome::HandshakeFailed;
    case P2Result::ChecksumError:
      return UploadOutcome::ProtocolError;
    case P2Result::TooSlow:
      return UploadOutcome::FileRefused;
    case P2Result::PortLost:
      return UploadOutcome::PortLost;
  }
  return UploadOutcome::ProtocolError;
}

// Reset, handshake and load of the image buffer's longCount longs by the P1 boot protocol.
UploadOutcome LoadP1(LoaderContext& app, std::size_t longCount) {
  app.port.PulseReset(app.settings.UseRTS);
  const int version = Handshake(app);
  if (app.port.Lost()) return UploadOutcome::PortLost;
  if (version < 1) {
    if (app.output != nullptr) app.output->PrintText(kCodeErrorAbort);
    EncodeLong(app, boot::kCommandShutdown);
    app.port.Flush();
    return UploadOutcome::HandshakeFailed;
  }
  const LoadResult loaded = Load(app, 4 * longCount);
  if (loaded == LoadResult::PortLost) return UploadOutcome::PortLost;
  app.port.PurgeInput();
  return loaded == LoadResult::Ok ? UploadOutcome::Loaded : UploadOutcome::ProtocolError;
}

}  // namespace

bool IsEepromPath(std::string_view path) {
  return path.find(kEepromMarker) != path.npos;
}

std::string DirectoryPart(std::string_view path) {
  const std::size_t last = path.find_last_of("\\/");
  return last == path.npos ? std::string() : std::string(path.substr(0, last + 1));
}

void UploadFileCommand(LoaderContext& app) {
  FileDialogRequest request;
  request.title = kLoadBinaryTitle;
  request.defaultPath = app.settings.BinPath + std::string(kDefaultImagePattern);
  request.filter = kLoadBinaryFilter;
  request.typeIndex = app.RememberedFileType;
  const FileDialogResult chosen = app.platform.ui.OpenFileDialog(request);
  if (chosen.path.empty()) return;

  switch (chosen.typeIndex) {
    case filetype::kBinary:
    case filetype::kEeprom: {
      app.RememberedFileType = filetype::kBinary;
      const bool switchRate = app.settings.BaudRate > 0 || app.settings.TermBaud > 0;
      const RateSetting terminalRate = app.port.rate();
      if (switchRate) app.port.SetRate(0);
      UploadImage(app, chosen.path);
      app.settings.BinPath = DirectoryPart(chosen.path);
      if (switchRate) {
        if (app.settings.TermBaud > 0) {
          app.port.SetRate(terminalRate);
        } else {
          app.port.SetRate(app.settings.BaudRate);
        }
      }
      break;
    }
    case filetype::kPrepare:
      app.PreparedFile = chosen.path;
      app.RememberedFileType = filetype::kPrepare;
      break;
    case filetype::kObj:
      MonitorObjUpload(app, chosen.path);
      app.RememberedFileType = filetype::kObj;
      break;
    case filetype::kText:
      SendTextFile(app, chosen.path);
      app.RememberedFileType = filetype::kText;
      break;
    default:
      break;  // a type the dialog does not offer: nothing to do
  }
}

UploadOutcome UploadImage(LoaderContext& app, const std::string& path) {
  app.loader.eepromMode = IsEepromPath(path);
  if (!app.port.IsOpen()) {
    app.platform.ui.ShowMessage(kNoComCaption, kNoComText);
    return UploadOutcome::NoPort;
  }
  app.port.PulseReset(app.settings.UseRTS);
  if (app.output != nullptr) app.output->ClearScreen();
  if (app.loader.eepromMode && app.ShowUploadBanner) app.ShowUploadBanner();
  PrintStatusText(app, kStartUpload);

  std::vector<std::uint8_t> bytes;
  std::size_t longCount = 0;
  ReadResult read = ReadFileBytes(path, bytes);
  const ChipKind chip = ImageChip(bytes, app.loader.eepromMode);
  if (read == ReadResult::Ok && chip == ChipKind::P1) read = FillImageBuffer(app, bytes, longCount);
  if (read != ReadResult::Ok) {
    const std::string_view tooLong = chip == ChipKind::P2 ? kP2ImageTooLong : kImageTooLong;
    PrintStatusText(app, read == ReadResult::Missing ? kNoSuchFile : tooLong);
    app.port.PurgeInput();
    return read == ReadResult::Missing ? UploadOutcome::NoFile : UploadOutcome::FileRefused;
  }
  if (chip == ChipKind::P2)
    return OutcomeOf(LoadP2(app, bytes, EffectiveLoadBaud(app.settings.P2LoadBaud)));

  // A terminal beyond the index's rates (Autoload, the chip's requests) boots a P1 at 115200.
  const RateSetting terminalRate = app.port.rate();
  const bool fastTerminal =
      app.settings.TermBaud > 0 && terminalRate.bitsPerSecond != RateForIndex(0).bitsPerSecond;
  if (fastTerminal) app.port.SetRate(0);
  const UploadOutcome outcome = LoadP1(app, longCount);
  if (fastTerminal) app.port.SetRate(terminalRate);
  return outcome;
}

void SendTextFile(LoaderContext& app, const std::string& path) {
  std::ifstream in;
  if (!OpenRegularFile(path, in)) return;
  Clock& clock = app.platform.clock;
  std::uint8_t* byte = app.SendBuffer.data();
  bool lineOpen = false;  // characters of the current line have been sent
  // The window is repainted at every line end and, within a long line, at least every
  // kEventPumpIntervalMs: a file without line ends would otherwise freeze it to the end.  A stop
  // asked for there ends the send at once (such a line may never end).
  std::int64_t lastPump = clock.NowMs();
  auto pump = [&app, &clock, &lastPump] {
    const bool stop = StopRequested(app);
    lastPump = clock.NowMs();
    return stop;
  };
  // Ends the line; false when the send is over (port lost, or stopped by the user).
  auto endLine = [&app, &clock, byte, &lineOpen, &pump] {
    byte[0] = '\r';
    app.port.WriteRaw(byte, 1);
    if (app.port.Lost() || pump()) return false;
    clock.SleepMs(app.settings.TxtCurs != 0 ? kTextLinePauseCursorMs : kTextLinePauseMs);
    lineOpen = false;
    return true;
  };
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    if (c == '\r' || c == '\n') {
      if (c == '\r' && in.peek() == '\n') in.get();
      if (!endLine()) return;
      continue;
    }
    byte[0] = static_cast<std::uint8_t>(c);
    app.port.WriteRaw(byte, 1);
    if (app.port.Lost()) return;
    if (app.RememberedFileType == filetype::kObj) clock.SleepMs(kTextCharPauseMs);
    lineOpen = true;
    if (clock.NowMs() - lastPump >= kEventPumpIntervalMs && pump()) return;
  }
  if (lineOpen && !app.port.Lost()) endLine();  // a last line without a line end
}

}  // namespace tavolin
