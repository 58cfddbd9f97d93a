#include "ui/qt/load_image_file.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>

#include "image/image_loader.h"

namespace zentrel::qt {

QStringList ImageFileFilters() {
  return {QStringLiteral("Morvex Memory Image Files (*.mvx)"),
          QStringLiteral("Intel Hex files (*.hex)"), QStringLiteral("All files (*.*)")};
}

void LoadImageFile(QWidget* owner, QLineEdit& pathField, ImageStore& store,
                   SequencerView& view) {
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::ExistingFile);  // refuses missing files and folders
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = ImageFileFilters();
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(filters.first());
  if (dialog.exec() != QDialog::Accepted) return;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return;

  const QString path = chosen.first();
  pathField.setText(path);
  const QByteArray localPath = QFile::encodeName(path);
  LoadImageFromPath(store, localPath.constData(), view);
}

}  // namespace zentrel::qt
