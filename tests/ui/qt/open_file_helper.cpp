#include "tests/ui/qt/open_file_helper.h"

#include <QPushButton>

#include "tests/ui/qt/user_input.h"

namespace zentrel::qt::test {

SeenFileDialog OpenFile(MainWindow& window, ModalDriver& driver, const QString& path) {
  SeenFileDialog seen;
  driver.SetDialogHandler([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) return;
    seen.Opened = true;
    seen.Filters = dialog->nameFilters();
    seen.SelectedFilter = dialog->selectedNameFilter();
    seen.Mode = dialog->fileMode();
    if (path.isEmpty()) {
      dialog->reject();
    } else {
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();  // as the dialog's Open button does
    }
  });
  ClickAtVisibleCentre(window.Button(CommandButton::OpenFile));
  driver.SetDialogHandler(nullptr);
  return seen;
}

}  // namespace zentrel::qt::test
