#include "app/ConsoleUpload.h"

#include "app/AppState.h"
#include "app/PortLoss.h"
#include "loader/P2Loader.h"

namespace tavolin {

int ExitCodeFor(UploadOutcome outcome) {
  switch (outcome) {
    case UploadOutcome::Loaded:
      return exitcode::kOk;
    case UploadOutcome::NoPort:
      return exitcode::kNoPort;
    case UploadOutcome::NoFile:
    case UploadOutcome::FileRefused:
      return exitcode::kFileError;
    case UploadOutcome::HandshakeFailed:
      return exitcode::kNoHandshake;
    case UploadOutcome::ProtocolError:
      return exitcode::kLoadError;
    case UploadOutcome::PortLost:
      return exitcode::kPortLost;
  }
  return exitcode::kLoadError;
}

int ConsoleLoadBaud(const char* value, Console& console) {
  if (value == nullptr || *value == 0) return p2::kDefaultLoadBaud;
  const int rate = ReadDecimal(value);
  if (rate == EffectiveLoadBaud(rate)) return rate;
  console.Err(std::string(kP2BaudVariable) + "=" + value + ": not a rate from " +
              std::to_string(p2::kMinLoadBaud) + " to " + std::to_string(p2::kMaxLoadBaud) +
              ", loading at " + std::to_string(p2::kDefaultLoadBaud) + "\n");
  return p2::kDefaultLoadBaud;
}

void ConsoleTextOutput::PrintText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n' && afterCr_) {
      afterCr_ = false;  // the LF of a CR LF: the line has already ended
      continue;
    }
    afterCr_ = (c == '\r');
    if (c == '\r' || c == '\n') {
      out += '\n';
      lineOpen_ = false;
    } else {
      out += c;
      lineOpen_ = true;
    }
  }
  if (!out.empty()) console_.Out(out);
}

void ConsoleTextOutput::PrintLine(std::string_view text) {
  std::string out(text);
  out += '\n';
  console_.Out(out);
  afterCr_ = false;
  lineOpen_ = false;
}

void ConsoleTextOutput::Finish() {
  if (lineOpen_) console_.Out("\n");
  lineOpen_ = false;
  afterCr_ = false;
}

void ConsoleUi::ShowMessage(std::string_view caption, std::string_view text) {
  std::string line(caption);
  line += ": ";
  line += text;
  line += '\n';
  console_.Err(line);
}

void ConsoleProgress::ImageProgress(std::size_t longsSent, std::size_t longsTotal) {
  if (longsTotal == 0) return;
  const int percent = static_cast<int>(longsSent * 100 / longsTotal);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  console_.Err("\rSending image: " + std::to_string(percent) + "% (" + std::to_string(longsSent) +
               " of " + std::to_string(longsTotal) + " longs)");
}

void ConsoleProgress::ImageDone() {
  if (shownPercent_ < 0) return;
  shownPercent_ = -1;
  console_.Err("\r\x1b[K");  // back to the line's start and erase it
}

int RunConsoleUpload(AppState& app, const CommandLine& line, const char* p2Baud) {
  Console& console = app.platform.console;
  app.FirstParameter = line.first.empty() ? std::string(kDefaultSettingsFile) : line.first;
  app.SecondParameter = line.second;
  app.settings.ComNr = ReadDecimal(line.third);
  app.settings.P2LoadBaud = ConsoleLoadBaud(p2Baud, console);

  ConsoleTextOutput output(console);
  TextOutput* previousOutput = app.output;
  app.SetOutput(&output);
  ConsoleProgress progress(console);
  LoadProgress* previousProgress = app.loader.progress;
  if (console.ErrIsTerminal()) app.loader.progress = &progress;

  app.port.Open(app.settings.ComNr, 0, app.settings.FT232R);
  console.Out(std::string(kConsoleUploadHeader) + std::to_string(app.settings.ComNr) + "\n");
  console.Out(std::string(kConsoleFileHeader) + app.FirstParameter + "\n");
  const UploadOutcome outcome = UploadImage(app, app.FirstParameter);
  NoticePortLoss(app);
  output.Finish();
  if (app.port.IsOpen()) app.port.Close();
  app.platform.clock.SleepMs(kConsoleClosePauseMs);

  app.loader.progress = previousProgress;
  app.SetOutput(previousOutput);
  return ExitCodeFor(outcome);
}

}  // namespace tavolin
