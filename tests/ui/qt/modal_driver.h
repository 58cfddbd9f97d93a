// Plays the user for modal windows: while a test's action runs, every message
// box that opens is recorded and closed with OK, and every other modal window
// (file dialog, settings dialog) is handed to the test's dialog handler.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

namespace zentrel::qt::test {

struct SeenBox {
  QString Text;
  QString Caption;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons Buttons;
};

class ModalDriver final : public QObject {
  Q_OBJECT

 public:
  ModalDriver();

  // Gets each modal window that is not a message box; it must end it.
  void SetDialogHandler(std::function<void(QWidget*)> handler) {
    dialogHandler_ = std::move(handler);
  }
  // A box stays on screen, the window's loop running under it, until this
  // says true; no watcher closes each box at once.
  void SetBoxWatcher(std::function<bool()> closeNow) { boxWatcher_ = std::move(closeNow); }

  const std::vector<SeenBox>& Boxes() const { return boxes_; }

 private:
  void Poll();

  QTimer poll_;
  std::function<void(QWidget*)> dialogHandler_;
  std::function<bool()> boxWatcher_;
  QPointer<QWidget> lastHandled_;  // null once that window is gone
  std::vector<SeenBox> boxes_;
};

}  // namespace zentrel::qt::test
