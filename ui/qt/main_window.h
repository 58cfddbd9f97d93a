// The program's only top-level window: captions over six value fields, the
// path field, the four command buttons, a status bar and the Czech menu. It
// drives the sequencer from a 10 ms timer and realises its view.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>

#include "hid/device_access.h"
#include "image/image_store.h"
#include "sequencer/boot_sequencer.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "sequencer/sequencer_view.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace zentrel::qt {

class CaptionFace;

enum class CommandButton { OpenFile, Download, HwInfo, AppFw };

class MainWindow final : public QMainWindow, public SequencerView {
  Q_OBJECT

 public:
  // The records belong to the caller and must outlive the window; the window
  // owns the sequencer that works on them. One Tick runs before this returns.
  MainWindow(DeviceAccess& device, ImageStore& image, DeviceIds& ids, const Clock& clock);
  ~MainWindow() override;

  BootSequencer& Sequencer() { return sequencer_; }
  QWidget* ClientArea() const;
  QLineEdit* PathField() const { return pathField_; }
  QLabel* Field(ValueField field) const { return fields_[static_cast<std::size_t>(field)]; }
  QPushButton* Button(CommandButton button) const {
    return buttons_[static_cast<std::size_t>(button)];
  }
  QStatusBar* StatusLine() const { return statusBar_; }
  // The 10 ms timer that drives Tick; tests stop it to own the time.
  QTimer& TickTimer() { return tickTimer_; }

  // SequencerView
  void SetStatusText(const char* text) override;
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override;
  void SetFieldText(ValueField field, const char* text) override;
  void EnableCommandButtons(bool enabled) override;

 public slots:
  // What one timer event does: one Tick, unless the window has been closed.
  void OnTimer();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenu();
  void OnButton(CommandButton button);
  void ShowSettings();
  void ShowAbout();

  DeviceAccess& device_;
  ImageStore& image_;
  DeviceIds& ids_;
  BootSequencer sequencer_;
  CaptionFace* face_ = nullptr;
  QLineEdit* pathField_ = nullptr;
  std::array<QLabel*, 6> fields_{};
  std::array<QPushButton*, 4> buttons_{};
  QStatusBar* statusBar_ = nullptr;
  QTimer tickTimer_;
  bool closed_ = false;
};

}  // namespace zentrel::qt
