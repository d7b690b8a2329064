#include "app/Commands.h"

#include <iterator>

#include "accessories/AboutScreen.h"
#include "accessories/TextExport.h"
#include "app/CommandLine.h"
#include "app/Flags.h"
#include "app/MenuIds.h"
#include "app/PortLoss.h"
#include "loader/ImageUpload.h"
#include "platform/RegularFile.h"
#include "settings/SettingsFile.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {
namespace {

void LoadSettingsCommand(AppState& app) {
  FileDialogRequest request;
  request.title = kLoadSettingsTitle;
  request.defaultPath = kLoadSettingsDefault;
  request.filter = kLoadSettingsFilter;
  const FileDialogResult chosen = app.platform.ui.OpenFileDialog(request);
  const std::int32_t rememberedComNr = app.settings.ComNr;
  if (!chosen.path.empty()) LoadSettingsFile(chosen.path, app.settings, app.NormalTerminalMode);
  if (app.settings.ComNr == 0) app.settings.ComNr = rememberedComNr;
  ApplySettings(app);
}

void SaveSettingsCommand(AppState& app) {
  const std::string why = SaveSettingsFile(kDefaultSettingsFile, app.settings, app.AutoMode != 0);
  if (why.empty()) return;
  app.platform.ui.ShowMessage(
      kSaveSettingsErrorCaption,
      std::string(kSettingsNotSaved) + "\n" + AbsolutePath(kDefaultSettingsFile) + "\n" + why);
}

void ComPortCommand(AppState& app) {
  const int n =
      ReadDecimal(app.platform.ui.AskComPort(app.settings.ComNr, app.platform.serial.ListPorts()));
  if (n < 1) return;
  StopRetaking(app);
  app.port.Close();
  app.settings.ComNr = n;
  Connect(app);
}

void ComEnabledCommand(AppState& app) {
  StopRetaking(app);
  if (app.ComEnabled == 0) {
    Connect(app);
    return;
  }
  SetComEnabled(app, false);
  if (!app.port.IsOpen()) return;
  app.port.Close();
  app.platform.desktop.RaiseWindowTitled(kPropellerToolTitle);
}

constexpr int kFastRates[] = {230400, 460800, 921600, 2000000};
// A typed rate must be one a UART can be asked for; what the adapter makes of it is its own.
constexpr int kMinTypedBaud = 50;
constexpr int kMaxTypedBaud = 12000000;

// The terminal's rate in bits per second: an index rate goes back to the index (TermBaud 0), any
// other is kept in TermBaud with BaudRate 0, the rate an older version of the file falls back to.
void ChooseRate(AppState& app, int bitsPerSecond) {
  const int index = IndexForBps(bitsPerSecond);
  app.settings.BaudRate = index >= 0 ? index : 0;
  app.settings.TermBaud = index >= 0 ? 0 : bitsPerSecond;
  SyncBaudMenu(app);
}

void TypedBaudCommand(AppState& app) {
  const int current = TerminalRate(app.settings).bitsPerSecond;
  const int typed = ReadDecimal(app.platform.ui.AskBaudRate(current));
  if (typed < kMinTypedBaud || typed > kMaxTypedBaud) return;
  ChooseRate(app, typed);
}

void NormalTerminalModeCommand(AppState& app) {
  SetNormalTerminalMode(app, app.NormalTerminalMode == 0);
  app.settings.MsMoveOff = app.NormalTerminalMode;
  if (app.NormalTerminalMode == 0) app.settings.BaudRate = 0;
  SyncBaudMenu(app);
}

}  // namespace

RateSetting TerminalRate(const Settings& s) {
  return s.TermBaud > 0 ? RateForBps(s.TermBaud) : RateForIndex(s.BaudRate);
}

int ContentWidth(const Settings& s) {
  return RoundHalfEven(static_cast<double>(EffectiveCols(s)) * kCellWidth * EffectiveScale(s));
}

int ContentHeight(const Settings& s) {
  // The menu line is added before the one rounding: 25 rows at 1.5 are 658.5 and so 658, where
  // rounding the picture first (637.5 to 638) would give 659.
  return RoundHalfEven(static_cast<double>(EffectiveRows(s)) * kCellHeight * EffectiveScale(s) +
                       kMenuLineHeight);
}

void Connect(AppState& app) {
  SetComEnabled(app, true);
  if (app.port.IsOpen()) return;
  if (!app.port.Open(app.settings.ComNr, TerminalRate(app.settings), app.settings.FT232R)) {
    const std::string& why = app.port.OpenFailure();
    app.platform.ui.ShowMessage(
        kConnectErrorCaption,
        why.empty() ? std::string(kConnectErrorText) : std::string(kConnectErrorText) + "\n" + why);
    SetComEnabled(app, false);
    return;
  }
  StopRetaking(app);
  app.output->ClearScreen();
}

void SetSettingsCheckMarks(AppState& app) {
  SetAutoMode(app, app.settings.AutoDis != 0);
  SetVirtualKeycodes(app, app.settings.VKeys != 0);
  SetTextCursor(app, app.settings.TxtCurs != 0);
  SetNormalTerminalMode(app, app.NormalTerminalMode != 0);
  SetCrAutoLf(app, app.settings.CRmode != 0);
}

void SyncBaudMenu(AppState& app) {
  Ui& ui = app.platform.ui;
  const bool enable = app.NormalTerminalMode != 0;
  // The rates beyond 115200 follow the slower ones: outside Normal-Terminal Mode the terminal
  // runs at 115200 only.
  for (int id = menu::kBaudFirst + 1; id <= menu::kBaudLast; ++id) ui.SetMenuEnabled(id, enable);
  for (int id = menu::kFastBaudFirst; id <= menu::kTypedBaud; ++id) ui.SetMenuEnabled(id, enable);
  if (!enable) {
    app.settings.BaudRate = 0;
    app.settings.TermBaud = 0;
  }
  if (app.settings.BaudRate == app.LastBaudIndex && app.settings.TermBaud == app.LastTermBaud) {
    return;
  }
  for (int id = menu::kBaudFirst; id <= menu::kBaudLast; ++id) ui.SetMenuChecked(id, false);
  for (int id = menu::kFastBaudFirst; id <= menu::kTypedBaud; ++id) ui.SetMenuChecked(id, false);
  int checkedId = menu::kBaudFirst + app.settings.BaudRate;
  if (app.settings.TermBaud > 0) {
    checkedId = menu::kTypedBaud;
    for (int i = 0; i < static_cast<int>(std::size(kFastRates)); ++i) {
      if (kFastRates[i] == app.settings.TermBaud) checkedId = menu::kFastBaudFirst + i;
    }
  }
  // An index outside 0..7 (a hand-edited file) has no entry to check; its rate still applies.
  if ((checkedId >= menu::kBaudFirst && checkedId <= menu::kBaudLast) ||
      (checkedId >= menu::kFastBaudFirst && checkedId <= menu::kTypedBaud)) {
    ui.SetMenuChecked(checkedId, true);
  }
  if (app.settings.TermBaud > 0) {
    app.port.SetRate(TerminalRate(app.settings));
  } else {
    app.port.SetRate(app.settings.BaudRate);
  }
  app.LastBaudIndex = app.settings.BaudRate;
  app.LastTermBaud = app.settings.TermBaud;
}

void ApplySettings(AppState& app) {
  app.platform.ui.SetContentSize(ContentWidth(app.settings), ContentHeight(app.settings));
  CreateScreenImage(app, false);
  SetSettingsCheckMarks(app);
  SyncBaudMenu(app);
  app.output->ClearScreen();
  app.screen.colorByte = 0;
}

void DispatchCommand(AppState& app, int id) {
  switch (id) {
    case menu::kScreenshot:
      Screenshot(app);
      break;
    case menu::kCopyText:
      CopyText(app);
      break;
    case menu::kSaveText:
      SaveText(app);
      break;
    case menu::kSaveSettings:
      SaveSettingsCommand(app);
      break;
    case menu::kLoadSettings:
      LoadSettingsCommand(app);
      break;
    case menu::kUploadFile:
      UploadFileCommand(app);
      break;
    case menu::kQuit:
      app.QuitRequested = 1;
      break;
    case menu::kComPort:
      ComPortCommand(app);
      break;
    case menu::kComEnabled:
      ComEnabledCommand(app);
      break;
    case menu::kAutoMode:
      SetAutoMode(app, app.AutoMode == 0);
      break;
    case menu::kNormalTerminalMode:
      NormalTerminalModeCommand(app);
      break;
    case menu::kTextCursor:
      SetTextCursor(app, app.settings.TxtCurs == 0);
      break;
    case menu::kCrAutoLf:
      SetCrAutoLf(app, app.settings.CRmode == 0);
      break;
    case menu::kVirtualKeycodes:
      SetVirtualKeycodes(app, app.settings.VKeys == 0);
      break;
    case menu::kResetPropeller:
      if (app.port.IsOpen()) app.port.PulseReset(app.settings.UseRTS);
      break;
    case menu::kClear:
      app.output->ClearScreen();
      app.screen.colorByte = 0;
      break;
    case menu::kAbout:
      ShowAboutScreen(app);
      break;
    case menu::kWebsite:
      app.platform.desktop.OpenUrl(std::string(kWebsiteUrl));
      break;
    case menu::kTypedBaud:
      TypedBaudCommand(app);
      break;
    default:
      if (id >= menu::kBaudFirst && id <= menu::kBaudLast) {
        app.settings.BaudRate = id - menu::kBaudFirst;
        app.settings.TermBaud = 0;
        SyncBaudMenu(app);
      } else if (id >= menu::kFastBaudFirst && id <= menu::kFastBaudLast) {
        ChooseRate(app, kFastRates[id - menu::kFastBaudFirst]);
      }
      break;
  }
}

}  // namespace tavolin
