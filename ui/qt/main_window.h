// The program's only top-level window: captions over six value fields, the
// path field, the four command buttons, a status bar and the Czech menu. It
// realises the controller's window and routes its timer, buttons, menu and
// path field to the controller.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <string>

#include "hid/hid_platform.h"
#include "protocol/clock.h"
#include "ui/loader_controller.h"
#include "ui/loader_window.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace zentrel::qt {

class CaptionFace;

class MainWindow final : public QMainWindow, public LoaderWindow {
  Q_OBJECT

 public:
  // The window owns the controller and so the records of the run. One Tick
  // runs before this returns.
  MainWindow(HidPlatform& platform, const Clock& clock);
  ~MainWindow() override;

  LoaderController& Controller() { return controller_; }
  QWidget* ClientArea() const;
  QLineEdit* PathField() const { return pathField_; }
  QLabel* Field(ValueField field) const { return fields_[static_cast<std::size_t>(field)]; }
  QPushButton* Button(CommandButton button) const {
    return buttons_[static_cast<std::size_t>(button)];
  }
  QStatusBar* StatusLine() const { return statusBar_; }
  // The controller's timer that drives Tick; tests stop it to own the time.
  QTimer& TickTimer() { return tickTimer_; }

  // SequencerView
  void SetStatusText(const char* text) override;
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override;
  void SetFieldText(ValueField field, const char* text) override;
  void EnableCommandButtons(bool enabled) override;
  // LoaderWindow
  bool ChooseImageFile(std::string& path) override;
  void SetPathText(const char* path) override;
  void RunSettingsDialog() override;
  void CloseWindow() override;
  void StartTickTimer(unsigned periodMs) override;
  void StopTickTimer() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenu();
  // One timer event. Qt does not fire a timer again while its own event is
  // being handled, and the sequencer opens its boxes inside a tick: a box
  // opened there keeps the ticks coming with a timer of its own.
  void OnTimerEvent();

  // Set while a timer event runs.
  bool inTimerEvent_ = false;

  LoaderController controller_;
  CaptionFace* face_ = nullptr;
  QLineEdit* pathField_ = nullptr;
  std::array<QLabel*, 6> fields_{};
  std::array<QPushButton*, 4> buttons_{};
  QStatusBar* statusBar_ = nullptr;
  QTimer tickTimer_;
};

}  // namespace zentrel::qt
