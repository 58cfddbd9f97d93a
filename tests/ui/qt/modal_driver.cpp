#include "tests/ui/qt/modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace zentrel::qt::test {

ModalDriver::ModalDriver() {
  // Fires only inside the event loop that a modal window runs: the tests
  // themselves never spin an event loop while they tick.
  poll_.setInterval(0);
  connect(&poll_, &QTimer::timeout, this, &ModalDriver::Poll);
  poll_.start();
}

void ModalDriver::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || !modal->isVisible()) return;
  if (modal == lastHandled_.data()) {
    // Left open by a handler: end it so that the test can go on.
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(0);
    return;
  }
  auto* box = qobject_cast<QMessageBox*>(modal);
  if (box != nullptr && boxWatcher_ && !boxWatcher_()) return;
  lastHandled_ = modal;
  if (box != nullptr) {
    boxes_.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons()});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
    return;
  }
  if (dialogHandler_) dialogHandler_(modal);
}

}  // namespace zentrel::qt::test
