// The sequencer's view as the main window shows it.
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "ui/qt/main_window.h"

namespace zentrel::qt {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Error:
      break;
  }
  return QMessageBox::Critical;
}

}  // namespace

// Texts are 8-bit strings as the device sends them; each byte is one character.

void MainWindow::SetStatusText(const char* text) {
  statusBar_->showMessage(QString::fromLatin1(text));
}

void MainWindow::ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  // Modal: the ticks go on inside exec(), and the sequencer is Idle with the
  // device closed before it opens a box, so those ticks are harmless. A box
  // that a timer event opened stands in for the timer that is held up.
  QMessageBox box(ToQtIcon(icon), QString::fromLatin1(caption), QString::fromLatin1(text),
                  QMessageBox::Ok, this);
  QTimer standIn;
  if (inTimerEvent_) {
    standIn.setTimerType(Qt::PreciseTimer);
    standIn.setInterval(tickTimer_.interval());
    connect(&standIn, &QTimer::timeout, this, &MainWindow::OnTimerEvent);
    standIn.start();
  }
  box.exec();
}

void MainWindow::SetFieldText(ValueField field, const char* text) {
  Field(field)->setText(QString::fromLatin1(text));
}

void MainWindow::EnableCommandButtons(bool enabled) {
  for (QPushButton* button : buttons_) button->setEnabled(enabled);
}

}  // namespace zentrel::qt
