#include "ui/qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include "ui/qt/caption_face.h"
#include "ui/qt/image_file_dialog.h"
#include "ui/qt/settings_dialog.h"
#include "ui/qt/qt_window_layout.h"
#include "ui/qt/qt_window_texts.h"

namespace zentrel::qt {

namespace {

constexpr const char* kFieldNames[6] = {"PlatformField", "HwVersionField",
                                        "BootVersionField", "AppInfoField",
                                        "FwVersionField", "DeviceIdField"};
constexpr const char* kButtonNames[4] = {"OpenFileButton", "DownloadButton", "HwInfoButton",
                                         "AppFwButton"};

}  // namespace

MainWindow::MainWindow(HidPlatform& platform, const Clock& clock)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      controller_(*this, platform, clock) {
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  // The Windows program's icon, 32 x 32 with 16 colours: the same picture
  // on both systems, also where no desktop entry names it.
  setWindowIcon(QIcon(QStringLiteral(":/zentrel-loader/zentrel.ico")));
  CreateControls();
  CreateMenu();
  // The client area has a fixed size, so the window is as tall as Qt's menu
  // bar plus that area and can be neither resized nor maximised.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(kWindowX, kWindowY);

  tickTimer_.setTimerType(Qt::PreciseTimer);
  connect(&tickTimer_, &QTimer::timeout, this, &MainWindow::OnTimerEvent);
  controller_.Open();
}

void MainWindow::OnTimerEvent() {
  const bool outer = inTimerEvent_;
  inTimerEvent_ = true;
  controller_.OnTimer();
  inTimerEvent_ = outer;
}

MainWindow::~MainWindow() {
  // The children go after this body; nothing they signal may reach the
  // controller any more.
  controller_.Close();
  pathField_->removeEventFilter(this);
  disconnect(pathField_, nullptr, this, nullptr);
}

QWidget* MainWindow::ClientArea() const { return face_; }

void MainWindow::CreateControls() {
  face_ = new CaptionFace(this);
  face_->setObjectName(QStringLiteral("ClientArea"));
  face_->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(face_);

  // Created in this order; the order is also the children's order.
  pathField_ = new QLineEdit(face_);
  pathField_->setObjectName(QStringLiteral("PathField"));
  pathField_->setGeometry(ToQRect(kPathFieldRect));
  // It shows the loaded file's path, and a download sends the loaded image
  // whatever the field would say: typing is refused, selecting and copying
  // the path still work.
  pathField_->setReadOnly(true);
  // Controls take focus only when clicked, so that at start none has it and
  // Tab does not move between them.
  pathField_->setFocusPolicy(Qt::ClickFocus);
  pathField_->installEventFilter(this);
  // Every notification of the path field (focus, a new path) is a command
  // that runs one Tick.
  connect(pathField_, &QLineEdit::textChanged, this, [this] { controller_.OnOtherCommand(); });

  for (std::size_t i = 0; i < fields_.size(); ++i) {
    auto* field = new QLabel(face_);
    field->setObjectName(QString::fromLatin1(kFieldNames[i]));
    field->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    field->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    field->setTextFormat(Qt::PlainText);
    field->setGeometry(ToQRect(kValueFieldRects[i]));
    fields_[i] = field;
  }

  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    auto* button = new QPushButton(QString::fromLatin1(kButtonTexts[i]), face_);
    button->setObjectName(QString::fromLatin1(kButtonNames[i]));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::ClickFocus);
    button->setGeometry(ToQRect(kButtonRects[i]));
    const auto which = static_cast<CommandButton>(i);
    connect(button, &QPushButton::clicked, this, [this, which] { controller_.Press(which); });
    buttons_[i] = button;
  }

  // Lies over the bottom edge of the client area at the height it chooses.
  statusBar_ = new QStatusBar(face_);
  statusBar_->setObjectName(QStringLiteral("StatusBar"));
  statusBar_->setSizeGripEnabled(false);
  statusBar_->showMessage(QString::fromLatin1(kInitialStatus));
  const int height = statusBar_->sizeHint().height();
  statusBar_->setGeometry(0, kClientHeight - height, kClientWidth, height);
}

void MainWindow::CreateMenu() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QString::fromUtf8(kMenuFile));
  QAction* exit = file->addAction(QString::fromUtf8(kMenuFileExit));
  QMenu* settings = bar->addMenu(QString::fromUtf8(kMenuSettings));
  QAction* communication = settings->addAction(QString::fromUtf8(kMenuSettingsCommunication));
  QMenu* help = bar->addMenu(QString::fromUtf8(kMenuHelp));
  QAction* about = help->addAction(QString::fromUtf8(kMenuHelpAbout));

  connect(exit, &QAction::triggered, this, [this] { controller_.Choose(MenuItem::Exit); });
  connect(communication, &QAction::triggered, this,
          [this] { controller_.Choose(MenuItem::Settings); });
  connect(about, &QAction::triggered, this, [this] { controller_.Choose(MenuItem::About); });
}

bool MainWindow::ChooseImageFile(std::string& path) { return qt::ChooseImageFile(this, path); }

void MainWindow::SetPathText(const char* path) {
  // The field notifies at once: one Tick runs in here.
  pathField_->setText(QFile::decodeName(path));
}

void MainWindow::RunSettingsDialog() {
  SettingsDialog dialog(controller_.Ids(), this);
  // Opens at the top-left corner of the client area.
  dialog.move(face_->mapToGlobal(QPoint(0, 0)));
  dialog.exec();
}

void MainWindow::CloseWindow() { close(); }

void MainWindow::StartTickTimer(unsigned periodMs) {
  tickTimer_.start(static_cast<int>(periodMs));
}

void MainWindow::StopTickTimer() { tickTimer_.stop(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  controller_.Close();
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pathField_ &&
      (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
    // Let the field take or lose focus first, then tick as for any notification.
    const bool handled = QMainWindow::eventFilter(watched, event);
    controller_.OnOtherCommand();
    return handled;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace zentrel::qt
