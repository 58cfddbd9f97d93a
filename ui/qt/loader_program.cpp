#include "ui/qt/loader_program.h"

#include <QApplication>

#include "ui/qt/main_window.h"

namespace zentrel::qt {

int RunLoader(int argc, char** argv, HidPlatform& platform, const Clock& clock) {
  // The program takes no arguments: only the program name reaches Qt.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);

  // The window's controller holds the records of the run.
  MainWindow window(platform, clock);
  window.show();
  app.exec();
  return 0;
}

}  // namespace zentrel::qt
