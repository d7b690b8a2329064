// The window's modal dialogs.  See Dialogs.h.
//
// The file dialogs are Qt's own (never the desktop's native ones), so that every desktop gets
// the same rules: typed names of missing files accepted by open dialogs, no overwrite question,
// the file type chosen when the dialog closed returned with the path.
#include "platform/qt/Dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/Window.h"
#include "platform/FileFilter.h"

namespace tavolin::qt {
namespace {

QString FromLocal(std::string_view s) {
  return QFile::decodeName(QByteArray(s.data(), static_cast<qsizetype>(s.size())));
}

}  // namespace

QStringList NameFilters(std::string_view filter) {
  QStringList filters;
  for (const FileType& type : FileTypes(filter)) {
    QStringList patterns;
    for (const std::string& p : type.patterns) patterns << FromLocal(p);
    filters << FromLocal(type.label) + QStringLiteral(" (") + patterns.join(' ') + ')';
  }
  return filters;
}

DefaultPath SplitDefaultPath(std::string_view path) {
  DefaultPath result;
  const std::size_t at = path.find_last_of("\\/");
  std::string_view name = path;
  if (at != std::string_view::npos) {
    result.folder = std::string(path.substr(0, at));
    if (at == 0 && path[0] == '/') result.folder.push_back('/');  // the root itself
    name = path.substr(at + 1);
  }
  if (IsValidFileName(name)) result.name = std::string(name);
  return result;
}

FileDialogResult RunFileDialog(QWidget* parent, const FileDialogRequest& request, bool save) {
  QFileDialog dialog(parent, FromLocal(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = NameFilters(request.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index =
        request.typeIndex >= 0 && request.typeIndex < filters.size() ? request.typeIndex : 0;
    dialog.selectNameFilter(filters[index]);
  }
  const DefaultPath start = SplitDefaultPath(request.defaultPath);
  if (!start.folder.empty()) dialog.setDirectory(FromLocal(start.folder));
  if (!start.name.empty()) dialog.selectFile(FromLocal(start.name));

  FileDialogResult result;
  result.typeIndex = request.typeIndex;
  if (dialog.exec() != QDialog::Accepted) return result;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return result;
  result.path = QFile::encodeName(chosen.first()).toStdString();
  const qsizetype selected = filters.indexOf(dialog.selectedNameFilter());
  result.typeIndex = selected >= 0 ? static_cast<int>(selected) : 0;
  return result;
}

QString PortLine(const PortInfo& port) {
  QString line = QStringLiteral("%1   %2").arg(port.number).arg(FromLocal(port.device));
  if (!port.description.empty()) line += QStringLiteral("   ") + FromLocal(port.description);
  return line;
}

namespace {

// OK under the fields, the number selected, the dialog centred on the screen; Esc cancels.
std::string ExecNumberDialog(QDialog& dialog, QVBoxLayout& layout, QLineEdit& edit) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout.addWidget(buttons);
  edit.selectAll();
  edit.setFocus();
  dialog.adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dialog.move(screen->availableGeometry().center() - dialog.rect().center());
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return edit.text().toLatin1().toStdString();
}

}  // namespace

std::string RunComPortDialog(QWidget* parent, int current, const std::vector<PortInfo>& ports) {
  QDialog dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setWindowTitle(QString::fromLatin1(window::kComPortCaption));
  dialog.setObjectName(QStringLiteral("ComPortDialog"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QString::fromLatin1(window::kComPortPrompt), &dialog));
  auto* edit = new QLineEdit(QString::number(current), &dialog);
  layout->addWidget(edit);
  if (!ports.empty()) {
    // Which number is which adapter: a click on a line takes its number.
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("ports"));
    for (const PortInfo& p : ports) {
      auto* item = new QListWidgetItem(PortLine(p), list);
      item->setData(Qt::UserRole, p.number);
    }
    list->setMaximumHeight(list->sizeHintForRow(0) * std::min<int>(6, list->count()) +
                           2 * list->frameWidth());
    QObject::connect(list, &QListWidget::itemClicked, edit, [edit](QListWidgetItem* item) {
      edit->setText(QString::number(item->data(Qt::UserRole).toInt()));
      edit->selectAll();
      edit->setFocus();
    });
    layout->addWidget(list);
  }
  return ExecNumberDialog(dialog, *layout, *edit);
}

std::string RunBaudRateDialog(QWidget* parent, int current) {
  QDialog dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setWindowTitle(QString::fromLatin1(window::kBaudRateCaption));
  dialog.setObjectName(QStringLiteral("BaudRateDialog"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QString::fromLatin1(window::kBaudRatePrompt), &dialog));
  auto* edit = new QLineEdit(QString::number(current), &dialog);
  layout->addWidget(edit);
  return ExecNumberDialog(dialog, *layout, *edit);
}

void RunMessageBox(QWidget* parent, std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, FromLocal(caption), FromLocal(text), QMessageBox::Ok,
                  parent);
  box.exec();
}

}  // namespace tavolin::qt
