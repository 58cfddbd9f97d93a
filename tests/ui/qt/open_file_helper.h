// Drives the OpenFile button: answers the file dialog with a given path (or
// cancels it) and remembers how the dialog was set up.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include "tests/ui/qt/modal_driver.h"
#include "ui/qt/main_window.h"

namespace zentrel::qt::test {

struct SeenFileDialog {
  bool Opened = false;
  QStringList Filters;
  QString SelectedFilter;
  QFileDialog::FileMode Mode = QFileDialog::AnyFile;
};

// Clicks OpenFile; the dialog picks path, or is cancelled when path is empty.
// Message boxes that follow are closed with OK and recorded by the driver.
SeenFileDialog OpenFile(MainWindow& window, ModalDriver& driver, const QString& path);

}  // namespace zentrel::qt::test
