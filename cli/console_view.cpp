#include "cli/console_view.h"

namespace zentrel::cli {

void ConsoleView::SetStatusText(const char* text) {
  // A poll sets the same text again on every tick; print it once. An empty
  // text clears the status line and prints nothing.
  if (statusShown_ && status_ == text) return;
  status_ = text;
  statusShown_ = true;
  if (status_.empty()) return;
  std::fprintf(out_, "%s\n", text);
  std::fflush(out_);
}

void ConsoleView::ShowMessageBox(const char* text, const char* caption,
                                 MessageIcon icon) {
  hasBox_ = true;
  box_ = {text, caption, icon};
  std::FILE* stream = icon == MessageIcon::Information ? out_ : err_;
  std::fprintf(stream, "%s: %s\n", caption, text);
  std::fflush(stream);
}

void ConsoleView::SetFieldText(ValueField field, const char* text) {
  fields_[static_cast<std::size_t>(field)] = text;
}

}  // namespace zentrel::cli
