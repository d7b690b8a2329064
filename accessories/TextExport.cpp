#include "accessories/TextExport.h"

#include <fstream>

#include "platform/RegularFile.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

void Screenshot(TerminalContext& app) {
  Image picture = ScreenPicture(app);
  if (app.settings.InversScreenshot != 0) {
    for (Pixel& p : picture.pixels) p ^= 0x00FFFFFFu;
  }
  app.platform.ui.SetClipboardImage(picture);
}

void CopyText(TerminalContext& app) {
  if (app.platform.ui.SetClipboardText(app.screen.textMirror)) app.screen.textMirror.clear();
}

void SaveText(TerminalContext& app) {
  FileDialogRequest request;
  request.title = kSaveTextTitle;
  request.defaultPath = kSaveTextDefault;
  request.filter = kSaveTextFilter;
  const FileDialogResult chosen = app.platform.ui.SaveFileDialog(request);
  if (chosen.path.empty()) return;
  std::ofstream file;
  if (!CreateRegularFile(chosen.path, file)) return;
  const std::string& text = app.screen.textMirror;
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace tavolin
