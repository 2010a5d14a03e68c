// Message boxes and the file dialog over Qt.
#include "linux/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "linux/settings_dialog.h"

namespace verdalin {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    default:
      return QMessageBox::Information;
  }
}

}  // namespace

QString QtNameFilter(std::string_view filter) {
  const QString text = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()));
  const qsizetype bar = text.indexOf(QLatin1Char('|'));
  if (bar < 0) return text;
  QString patterns = text.mid(bar + 1);
  patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
  return text.left(bar) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

void QtDialogs::ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) {
  QMessageBox box(IconOf(icon), QString::fromUtf8(title), QString::fromUtf8(text), QMessageBox::Ok,
                  owner_);
  box.exec();
}

// Qt's own dialog (the same everywhere, and it leaves the current directory alone). The file
// need not exist; a path whose folder does not exist counts as cancelled.
std::optional<std::string> QtDialogs::ChooseFile(const FileDialogRequest& request) {
  QFileDialog dialog(owner_, QString::fromUtf8(request.title),
                     QString::fromUtf8(request.initial_folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilter(QtNameFilter(request.filter));
  if (!request.initial_name.empty()) dialog.selectFile(QString::fromUtf8(request.initial_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QFileInfo chosen(dialog.selectedFiles().first());
  if (!chosen.absoluteDir().exists()) return std::nullopt;
  return chosen.absoluteFilePath().toUtf8().toStdString();
}

bool QtDialogs::EditSettings(SettingsForm& form) {
  SettingsDialog dialog(form, owner_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace verdalin
