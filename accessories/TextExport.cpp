#include "accessories/TextExport.h"

#include <fstream>

#include "platform/RegularFile.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

void Screenshot(AppState& app) {
  if (app.settings.InversScreenshot == 0) {
    app.platform.ui.SetClipboardImage(app.screen.screenImage);
    return;
  }
  Image inverted = app.screen.screenImage;
  for (Pixel& p : inverted.pixels) p ^= 0x00FFFFFFu;
  app.platform.ui.SetClipboardImage(inverted);
}

void CopyText(AppState& app) {
  if (app.platform.ui.SetClipboardText(app.screen.textMirror)) app.screen.textMirror.clear();
}

void SaveText(AppState& app) {
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
