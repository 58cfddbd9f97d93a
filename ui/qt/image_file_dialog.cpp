#include "ui/qt/image_file_dialog.h"

#include <QFile>
#include <QFileDialog>

namespace zentrel::qt {

QStringList ImageFileFilters() {
  return {QStringLiteral("Morvex Memory Image Files (*.mvx)"),
          QStringLiteral("Intel Hex files (*.hex)"), QStringLiteral("All files (*.*)")};
}

bool ChooseImageFile(QWidget* owner, std::string& path) {
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::ExistingFile);  // refuses missing files and folders
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = ImageFileFilters();
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(filters.first());
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  path = QFile::encodeName(chosen.first()).toStdString();
  return true;
}

}  // namespace zentrel::qt
