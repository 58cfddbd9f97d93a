#include "ui/loader_controller.h"

#include <string>

#include "image/image_loader.h"
#include "ui/loader_window_texts.h"

namespace zentrel {

LoaderController::LoaderController(LoaderWindow& window, HidPlatform& platform,
                                   const Clock& clock)
    : window_(window),
      image_(std::make_unique<ImageStore>()),
      device_(platform),
      sequencer_(window, device_, *image_, ids_, clock) {}

void LoaderController::Open() {
  window_.StartTickTimer(kTickPeriodMs);
  OnTimer();
}

void LoaderController::Press(CommandButton button) {
  if (closed_) return;
  switch (button) {
    case CommandButton::OpenFile:
      LoadImageFile();
      break;
    case CommandButton::Download:
      sequencer_.StartDownload();
      break;
    case CommandButton::HwInfo:
      sequencer_.StartInfo();
      break;
    case CommandButton::AppFw:
      sequencer_.StartAppInfo();
      break;
  }
}

void LoaderController::Choose(MenuItem item) {
  if (closed_) return;
  switch (item) {
    case MenuItem::Exit:
      window_.CloseWindow();
      break;
    case MenuItem::Settings:
      window_.RunSettingsDialog();
      break;
    case MenuItem::About:
      window_.ShowMessageBox(kAboutText, kAboutCaption, MessageIcon::Information);
      break;
  }
  // After Konec the window is closed and this Tick does nothing.
  OnOtherCommand();
}

void LoaderController::OnOtherCommand() { OnTimer(); }

void LoaderController::OnTimer() {
  // Once closed, the sequencer is left where Close put it: no stage may run
  // and no control may be touched while the window goes away.
  if (!closed_) sequencer_.Tick();
}

void LoaderController::Close() {
  if (closed_) return;
  sequencer_.Stop();
  closed_ = true;
  window_.StopTickTimer();
}

void LoaderController::LoadImageFile() {
  std::string path;
  if (!window_.ChooseImageFile(path)) return;
  // Shown before the read, so the path stays in view when the load fails. A
  // field that notifies its window at once runs one Tick in here.
  window_.SetPathText(path.c_str());
  const ImageLoad load = LoadImageFromPath(*image_, path.c_str());
  if (!load.Loaded) window_.ShowMessageBox(load.BoxText, kFileErrorCaption, MessageIcon::Error);
}

}  // namespace zentrel
