// A main window without a toolkit, for the controller's tests: the view's
// calls are recorded, the file dialog answers what the test says, and each
// modal box or dialog runs the test's code while it is up, as the ticks of a
// modal loop run inside a real one.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "tests/support/recording_view.h"
#include "ui/loader_window.h"

namespace zentrel::testing {

class FakeLoaderWindow final : public LoaderWindow {
 public:
  RecordingView View;
  // The file dialog's answer: a path, or nothing (cancelled).
  std::optional<std::string> FileToChoose;
  int FileDialogs = 0;
  std::string PathText;
  int SettingsDialogs = 0;
  int CloseRequests = 0;
  // The tick timer's period while it runs, 0 while it does not.
  unsigned TimerPeriodMs = 0;
  int TimerStarts = 0;
  int TimerStops = 0;

  // Each runs while its box or dialog is up; Closing is the window's close
  // handling, which reaches the controller.
  std::function<void()> WhileBoxIsUp;
  std::function<void()> WhileSettingsAreUp;
  std::function<void()> Closing;
  // Runs as the timer stops.
  std::function<void()> TimerStopping;

  void SetStatusText(const char* text) override { View.SetStatusText(text); }
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override {
    View.ShowMessageBox(text, caption, icon);
    if (WhileBoxIsUp) WhileBoxIsUp();
  }
  void SetFieldText(ValueField field, const char* text) override {
    View.SetFieldText(field, text);
  }
  void EnableCommandButtons(bool enabled) override { View.EnableCommandButtons(enabled); }

  bool ChooseImageFile(std::string& path) override {
    ++FileDialogs;
    if (!FileToChoose) return false;
    path = *FileToChoose;
    return true;
  }
  void SetPathText(const char* path) override { PathText = path; }
  void RunSettingsDialog() override {
    ++SettingsDialogs;
    if (WhileSettingsAreUp) WhileSettingsAreUp();
  }
  void CloseWindow() override {
    ++CloseRequests;
    if (Closing) Closing();
  }
  void StartTickTimer(unsigned periodMs) override {
    ++TimerStarts;
    TimerPeriodMs = periodMs;
  }
  void StopTickTimer() override {
    ++TimerStops;
    if (TimerStopping) TimerStopping();
    TimerPeriodMs = 0;
  }
};

}  // namespace zentrel::testing
