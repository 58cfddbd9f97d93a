// The main window headless over the emulated boot loader: its layout, its
// texts, and that what the user does reaches the controller (each button,
// each menu item, typing, the close box). What the roads do is the
// controller's, tested without a toolkit.
#include <QAction>
#include <QFileDialog>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "tests/support/example_files.h"
#include "tests/ui/qt/loader_rig.h"
#include "tests/ui/qt/user_input.h"
#include "ui/qt/caption_face.h"

namespace zentrel::qt::test {

namespace {

using enum SequencerStage;

const QString kCleared = QString(30, QLatin1Char(' '));

constexpr ValueField kAllFields[] = {ValueField::PlatformField,  ValueField::HwVersionField,
                                     ValueField::BootVersionField, ValueField::AppInfoField,
                                     ValueField::FwVersionField, ValueField::DeviceIdField};
constexpr CommandButton kAllButtons[] = {CommandButton::OpenFile, CommandButton::Download,
                                         CommandButton::HwInfo, CommandButton::AppFw};

QString FieldText(LoaderRig& rig, ValueField field) { return rig.window->Field(field)->text(); }
QString StatusText(LoaderRig& rig) { return rig.window->StatusLine()->currentMessage(); }

bool ButtonsEnabled(LoaderRig& rig, bool enabled) {
  for (CommandButton b : kAllButtons) {
    if (rig.window->Button(b)->isEnabled() != enabled) return false;
  }
  return true;
}

void Click(LoaderRig& rig, CommandButton button) {
  ClickAtVisibleCentre(rig.window->Button(button));
}

// Clicks into the path field as a user does, in the active window; the
// field has the focus afterwards.
void ClickIntoThePathField(LoaderRig& rig) {
  rig.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
  ClickAtVisibleCentre(rig.window->PathField());
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(rig.window->PathField()));
}

QAction* MenuItem(MainWindow& window, const QString& text) {
  for (QAction* top : window.menuBar()->actions()) {
    for (QAction* item : top->menu()->actions()) {
      if (item->text() == text) return item;
    }
  }
  return nullptr;
}

struct SeenFileDialog {
  bool Opened = false;
  QStringList Filters;
  QString SelectedFilter;
  QFileDialog::FileMode Mode = QFileDialog::AnyFile;
};

// Clicks OpenFile; the dialog picks path, or is cancelled when path is empty.
// Message boxes that follow are closed with OK and recorded by the driver.
SeenFileDialog OpenFile(LoaderRig& rig, const QString& path) {
  SeenFileDialog seen;
  rig.driver.SetDialogHandler([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) return;
    seen = {true, dialog->nameFilters(), dialog->selectedNameFilter(), dialog->fileMode()};
    if (path.isEmpty()) {
      dialog->reject();
    } else {
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();  // as the dialog's Open button does
    }
  });
  Click(rig, CommandButton::OpenFile);
  rig.driver.SetDialogHandler(nullptr);
  return seen;
}

QString ExampleImage() {
  return QString::fromStdString(zentrel::testing::ExamplePath("demo.mvx"));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startState();
  void geometryMatchesTheLayoutInClientCoordinates();
  void menuHasTheCzechItems();
  void hwInfoAndApplicationFwStartTheirRoads();
  void theFileButtonsShowTheirBoxesAndDialog();
  void aboutAndSettingsRunTheirWindowThenOneTick();
  void thePathFieldTicksOnItsFocusAndRefusesTheKeys();
  void konecClosesTheWindow();
  void closeBoxDuringADownloadWithTheFocusInThePathField();
  void ticksGoOnUnderTheBoxThatATickOpened();
  void textsFitTheirPlaces();
};

void MainWindowTest::startState() {
  LoaderRig rig;
  QCOMPARE(rig.window->windowTitle(), QStringLiteral(" Zentrel  0.0.4 02.07.2013"));
  QCOMPARE(rig.window->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
  QCOMPARE(StatusText(rig), QStringLiteral("BOOT sequence uninitialize"));
  for (ValueField f : kAllFields) QVERIFY(FieldText(rig, f).isEmpty());
  QVERIFY(rig.window->PathField()->text().isEmpty());
  QVERIFY(rig.window->PathField()->isReadOnly());
  QVERIFY(ButtonsEnabled(rig, true));
  QCOMPARE(rig.window->Button(CommandButton::OpenFile)->text(), QStringLiteral("OpenFile"));
  QCOMPARE(rig.window->Button(CommandButton::Download)->text(), QStringLiteral("DownLoad"));
  QCOMPARE(rig.window->Button(CommandButton::HwInfo)->text(), QStringLiteral("HW info"));
  QCOMPARE(rig.window->Button(CommandButton::AppFw)->text(), QStringLiteral("Application FW"));
  QVERIFY(rig.window->TickTimer().isActive());
  QCOMPARE(rig.window->TickTimer().interval(), 10);
  QCOMPARE(rig.Sequencer().SequencerState(), Idle);
  // The value fields have a sunken edge.
  for (ValueField f : kAllFields) {
    QCOMPARE(rig.window->Field(f)->frameShadow(), QFrame::Sunken);
    QVERIFY(rig.window->Field(f)->frameWidth() > 0);
  }
}

void MainWindowTest::geometryMatchesTheLayoutInClientCoordinates() {
  LoaderRig rig;
  MainWindow& w = *rig.window;
  QWidget* client = w.ClientArea();
  // The client area is what a 550 x 400 fixed-frame window with a menu has
  // below its menu bar, and it starts right below Qt's menu bar.
  QCOMPARE(client->size(), QSize(544, 351));
  QCOMPARE(client->mapTo(&w, QPoint(0, 0)), QPoint(0, w.menuBar()->height()));
  QCOMPARE(w.size(), QSize(544, 351 + w.menuBar()->height()));
  QCOMPARE(w.minimumSize(), w.maximumSize());
  QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
  QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);

  struct Expected {
    QWidget* Control;
    QRect Rect;
  };
  const Expected table[] = {
      {w.PathField(), {20, 200, 500, 20}},
      {w.Field(ValueField::PlatformField), {20, 40, 140, 20}},
      {w.Field(ValueField::HwVersionField), {200, 40, 140, 20}},
      {w.Field(ValueField::BootVersionField), {380, 40, 140, 20}},
      {w.Field(ValueField::AppInfoField), {20, 120, 140, 20}},
      {w.Field(ValueField::FwVersionField), {200, 120, 140, 20}},
      {w.Field(ValueField::DeviceIdField), {380, 120, 140, 20}},
      {w.Button(CommandButton::OpenFile), {20, 260, 100, 25}},
      {w.Button(CommandButton::Download), {150, 260, 100, 25}},
      {w.Button(CommandButton::HwInfo), {280, 260, 100, 25}},
      {w.Button(CommandButton::AppFw), {410, 260, 100, 25}},
  };
  // Created in the table's order, the status bar last.
  QList<QWidget*> created;
  for (QObject* child : client->children()) {
    if (auto* widget = qobject_cast<QWidget*>(child)) created.append(widget);
  }
  QCOMPARE(created.size(), 12);
  QCOMPARE(created.last(), static_cast<QWidget*>(w.StatusLine()));
  for (int i = 0; i < 11; ++i) {
    QCOMPARE(created[i], table[i].Control);
    QCOMPARE(table[i].Control->geometry(), table[i].Rect);
  }
  // The status bar lies along the bottom edge over the whole width.
  const QRect bar = w.StatusLine()->geometry();
  QCOMPARE(bar.left(), 0);
  QCOMPARE(bar.width(), 544);
  QCOMPARE(bar.bottom(), 350);
  QVERIFY(bar.height() > 0 && bar.top() > 285);
  QVERIFY(!w.StatusLine()->isSizeGripEnabled());
}

void MainWindowTest::menuHasTheCzechItems() {
  LoaderRig rig;
  const QList<QAction*> popups = rig.window->menuBar()->actions();
  QCOMPARE(popups.size(), 3);
  const QStringList titles = {QStringLiteral("Soubor"), QStringLiteral("Nastaven\u00ed"),
                              QStringLiteral("N\u00e1pov\u011bda")};
  const QStringList items = {QStringLiteral("Konec"), QStringLiteral("Komunikace"),
                             QStringLiteral("O programu")};
  for (int i = 0; i < 3; ++i) {
    QCOMPARE(popups[i]->text(), titles[i]);
    const QList<QAction*> actions = popups[i]->menu()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions[0]->text(), items[i]);
  }
}

// The click starts the road (no tick yet), clears its fields and disables
// the buttons; the next tick's status text shows. The rest of the road is
// the controller's (its own test runs it); the window only shows the
// buttons given back, here after the information road.
void MainWindowTest::hwInfoAndApplicationFwStartTheirRoads() {
  struct Row {
    CommandButton Button;
    SequencerStage State;
    ValueField Cleared;
    ValueField Untouched;
    const char* Status;
  };
  const Row rows[] = {
      {CommandButton::HwInfo, ResetDevice, ValueField::PlatformField, ValueField::AppInfoField,
       "HID device reset finished"},
      {CommandButton::AppFw, AppRequest, ValueField::AppInfoField, ValueField::PlatformField,
       "Application ID request OK"}};
  for (const Row& row : rows) {
    LoaderRig rig(Ticks::OfTheTest);
    Click(rig, row.Button);
    QCOMPARE(rig.Sequencer().SequencerState(), row.State);
    QVERIFY(ButtonsEnabled(rig, false));
    QCOMPARE(FieldText(rig, row.Cleared), kCleared);
    QVERIFY(FieldText(rig, row.Untouched).isEmpty());
    rig.Tick();
    QCOMPARE(StatusText(rig), QString::fromLatin1(row.Status));
    QVERIFY(rig.driver.Boxes().empty());
    if (row.Button != CommandButton::HwInfo) continue;
    QVERIFY(rig.TickUntilState(Idle));
    rig.Tick();
    QVERIFY(ButtonsEnabled(rig, true));
  }
}

// DownLoad without a file warns; OpenFile shows its dialog, and then the
// chosen path and the load's error box.
void MainWindowTest::theFileButtonsShowTheirBoxesAndDialog() {
  LoaderRig rig(Ticks::OfTheTest);
  Click(rig, CommandButton::Download);
  QCOMPARE(rig.driver.Boxes().size(), std::size_t{1});
  const SeenBox warning = rig.driver.Boxes()[0];
  QCOMPARE(warning.Text, QStringLiteral("File is not selected, select file please"));
  QCOMPARE(warning.Caption, QStringLiteral("File info"));
  QCOMPARE(warning.Icon, QMessageBox::Warning);
  QCOMPARE(warning.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

  rig.window->PathField()->setText(QStringLiteral("earlier"));
  const SeenFileDialog seen = OpenFile(rig, QString());  // cancelled
  QVERIFY(seen.Opened);
  const QStringList filters = {QStringLiteral("Morvex Memory Image Files (*.mvx)"),
                               QStringLiteral("Intel Hex files (*.hex)"),
                               QStringLiteral("All files (*.*)")};
  QCOMPARE(seen.Filters, filters);
  QCOMPARE(seen.SelectedFilter, filters.first());
  QCOMPARE(seen.Mode, QFileDialog::ExistingFile);
  QCOMPARE(rig.window->PathField()->text(), QStringLiteral("earlier"));
  QCOMPARE(rig.driver.Boxes().size(), std::size_t{1});

  // An empty file: its path shows, and the load's error box.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("empty.hex"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  OpenFile(rig, path);
  QCOMPARE(rig.window->PathField()->text(), path);
  QCOMPARE(rig.driver.Boxes().size(), std::size_t{2});
  QCOMPARE(rig.driver.Boxes()[1].Text, QStringLiteral("File read error"));
  QCOMPARE(rig.driver.Boxes()[1].Caption, QStringLiteral("File Error"));
  QCOMPARE(rig.driver.Boxes()[1].Icon, QMessageBox::Critical);
}

void MainWindowTest::aboutAndSettingsRunTheirWindowThenOneTick() {
  LoaderRig rig(Ticks::OfTheTest);
  Click(rig, CommandButton::HwInfo);
  rig.Tick();  // reset sent, first delay step
  QCOMPARE(rig.Sequencer().SequencerState(), ResetDelay);
  const std::int32_t before = rig.Sequencer().TickCounter();

  MenuItem(*rig.window, QStringLiteral("O programu"))->trigger();
  QCOMPARE(rig.driver.Boxes().size(), std::size_t{1});
  const SeenBox& box = rig.driver.Boxes()[0];
  QCOMPARE(box.Caption, QStringLiteral("About "));
  QVERIFY(box.Text.startsWith(QStringLiteral("Zentrel loader\n")));
  QCOMPARE(box.Icon, QMessageBox::Information);
  QCOMPARE(box.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(rig.Sequencer().TickCounter(), before - 1);

  std::int32_t counterInsideDialog = -100;
  QPoint dialogCorner;
  rig.driver.SetDialogHandler([&](QWidget* modal) {
    counterInsideDialog = rig.Sequencer().TickCounter();
    dialogCorner = modal->pos();
    auto* vendor = modal->findChild<QLineEdit*>(QStringLiteral("VendorEdit"));
    QVERIFY(vendor != nullptr);
    vendor->setText(QStringLiteral("0x4d8"));
    ClickAtVisibleCentre(modal->findChild<QPushButton*>(QStringLiteral("OkButton")));
  });
  MenuItem(*rig.window, QStringLiteral("Komunikace"))->trigger();
  QCOMPARE(counterInsideDialog, before - 1);
  QCOMPARE(rig.Sequencer().TickCounter(), before - 2);
  QCOMPARE(rig.Controller().Ids().VendorId, 0x4D8u);
  // It opens at the top-left corner of the client area.
  QCOMPARE(dialogCorner, rig.window->ClientArea()->mapToGlobal(QPoint(0, 0)));
}

// Taking the path field's focus ticks once; another path typed over the
// loaded one, edited, pasted and cut changes nothing and notifies nothing.
void MainWindowTest::thePathFieldTicksOnItsFocusAndRefusesTheKeys() {
  const QString example = ExampleImage();
  LoaderRig rig(Ticks::OfTheTest);
  OpenFile(rig, example);
  QLineEdit* field = rig.window->PathField();
  QCOMPARE(field->text(), example);
  Click(rig, CommandButton::HwInfo);
  rig.Tick();
  QCOMPARE(rig.Sequencer().SequencerState(), ResetDelay);
  const std::int32_t before = rig.Sequencer().TickCounter();
  ClickIntoThePathField(rig);
  QCOMPARE(rig.Sequencer().TickCounter(), before - 1);

  QWidget* keys = QApplication::focusWidget();
  QApplication::clipboard()->setText(QStringLiteral("/tmp/pasted.hex"));
  QTest::keyClicks(keys, QStringLiteral("/tmp/other.hex"));
  QTest::keyClick(keys, Qt::Key_Backspace);
  QTest::keyClick(keys, Qt::Key_Home);
  QTest::keyClick(keys, Qt::Key_Delete);
  QTest::keyClick(keys, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(field->text(), example);
  QTest::keyClick(keys, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(keys, Qt::Key_X, Qt::ControlModifier);
  QCOMPARE(field->text(), example);
  QCOMPARE(rig.Sequencer().TickCounter(), before - 1);
  QCOMPARE(rig.Sequencer().SequencerState(), ResetDelay);

  // The path can be selected and copied.
  QCOMPARE(field->selectedText(), example);
  QApplication::clipboard()->setText(QStringLiteral("before the copy"));
  QTest::keyClick(keys, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QApplication::clipboard()->text(), example);
  // What was loaded is the file the field shows.
  QCOMPARE(rig.Controller().Image().ImageKind, std::uint8_t{'m'});
  QVERIFY(rig.driver.Boxes().empty());
}

void MainWindowTest::konecClosesTheWindow() {
  LoaderRig rig;
  // The application's own loop: "Konec" must end it with exit code 0.
  QTimer::singleShot(0, rig.window.get(),
                     [&] { MenuItem(*rig.window, QStringLiteral("Konec"))->trigger(); });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
  guard.start(10'000);  // a limit, not a wait: the loop normally ends at once
  const int code = QCoreApplication::exec();
  QCOMPARE(code, 0);
  QVERIFY(!rig.window->isVisible());
  QVERIFY(!rig.window->TickTimer().isActive());
}

void MainWindowTest::closeBoxDuringADownloadWithTheFocusInThePathField() {
  LoaderRig rig(Ticks::OfTheTest);
  OpenFile(rig, ExampleImage());
  QCOMPARE(rig.Controller().Image().ImageLoaded, std::uint8_t{1});
  Click(rig, CommandButton::Download);
  // The user clicks into the path field (its focus runs a Tick); leaving it
  // when the window goes must not run a stage on the closed device.
  ClickIntoThePathField(rig);
  QVERIFY(rig.TickUntilState(AwaitPacketAck));
  QVERIFY(rig.Controller().Device().IsOpen());
  const std::size_t packets = rig.device.DataReportCount();
  const int calls = rig.platform.Calls();

  // What the close box does: the window system asks the window to close.
  rig.window->windowHandle()->close();
  QVERIFY(!rig.window->isVisible());
  QVERIFY(!rig.window->TickTimer().isActive());
  QVERIFY(!rig.Controller().Device().IsOpen());
  QCOMPARE(rig.bus.OpenHandleCount(), std::size_t{0});
  QCOMPARE(rig.Sequencer().Outcome().Failure, FailureKind::Stopped);
  // The close of the device was the last call, whatever still calls in.
  rig.Tick();
  QCOMPARE(rig.platform.Calls(), calls + 1);
  QCOMPARE(rig.device.DataReportCount(), packets);
  QVERIFY(rig.driver.Boxes().empty());
}

// The window's own timer opens the failure box in a tick; while the box is
// up the ticks go on, find Idle and give the four buttons back.
void MainWindowTest::ticksGoOnUnderTheBoxThatATickOpened() {
  LoaderRig rig;
  rig.device.InjectFault(emulated::FaultKind::CannotOpen);
  bool enabledUnderTheBox = false;
  QDeadlineTimer limit(5'000);  // a limit, not a wait: the ticks come every 10 ms
  rig.driver.SetBoxWatcher([&] {
    enabledUnderTheBox = ButtonsEnabled(rig, true);
    return enabledUnderTheBox || limit.hasExpired();
  });
  Click(rig, CommandButton::AppFw);
  QVERIFY(ButtonsEnabled(rig, false));
  QTRY_COMPARE_WITH_TIMEOUT(rig.driver.Boxes().size(), std::size_t{1}, 10'000);
  QCOMPARE(rig.driver.Boxes()[0].Text, QStringLiteral("Application ID request fail"));
  QVERIFY(enabledUnderTheBox);
}

void MainWindowTest::textsFitTheirPlaces() {
  LoaderRig rig;
  MainWindow& w = *rig.window;
  for (CommandButton b : kAllButtons) {
    QPushButton* button = w.Button(b);
    QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
    QVERIFY(button->fontMetrics().height() <= button->height());
  }
  // Each caption, bold as on Windows, stays within the width of its field
  // and in the 20 pixels above it.
  auto* face = qobject_cast<CaptionFace*>(w.ClientArea());
  QVERIFY(face != nullptr);
  QVERIFY(face->CaptionFont().bold());
  const QFontMetrics captions(face->CaptionFont());
  const QStringList texts = {QStringLiteral("HW platform"),     QStringLiteral("HW version"),
                             QStringLiteral("BOOT SW version"), QStringLiteral("Application info"),
                             QStringLiteral("FW version"),      QStringLiteral("HID Device ID")};
  for (const QString& text : texts) {
    QVERIFY2(captions.horizontalAdvance(text) <= 140, qPrintable(text));
    QVERIFY(captions.height() <= 20);
  }
  // A line of a value field's text fits its height.
  const QLabel* field = w.Field(ValueField::PlatformField);
  QVERIFY(field->fontMetrics().height() <= field->contentsRect().height());
}

}  // namespace zentrel::qt::test

QTEST_MAIN(zentrel::qt::test::MainWindowTest)
#include "main_window_test.moc"
