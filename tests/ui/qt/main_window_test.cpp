// The main window driven headless against the emulated boot loader.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "image/image_loader.h"
#include "tests/ui/qt/loader_rig.h"
#include "tests/ui/qt/modal_driver.h"
#include "tests/ui/qt/open_file_helper.h"
#include "tests/ui/qt/user_input.h"
#include "ui/qt/caption_face.h"

namespace zentrel::qt::test {

namespace {

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

QString ExampleImage() {
  const QStringList images = QDir(QStringLiteral(ZENTREL_EXAMPLES_DIR))
                                 .entryList({QStringLiteral("*.mvx")}, QDir::Files, QDir::Name);
  return images.isEmpty() ? QString()
                          : QDir(QStringLiteral(ZENTREL_EXAMPLES_DIR)).filePath(images.first());
}

// The device's flash holds the loaded image, page for page, from the end of
// the boot area on.
bool FlashHoldsTheLoadedImage(LoaderRig& rig) {
  const auto& flash = rig.device.Flash();
  const std::size_t end =
      kBootAreaSize + std::size_t{PagesToSend(rig.image->ImageLength)} * kPageSize;
  return flash.size() >= end && std::equal(flash.begin() + kBootAreaSize, flash.begin() + end,
                                           rig.image->ImageBuffer.begin() + kBootAreaSize);
}

// Records every status text the window shows, in order.
struct StatusLog {
  explicit StatusLog(QStatusBar* bar) {
    QObject::connect(bar, &QStatusBar::messageChanged,
                     [this](const QString& text) { Texts.append(text); });
  }
  QStringList Texts;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startState();
  void geometryMatchesTheLayoutInClientCoordinates();
  void menuHasTheCzechItems();
  void hwInfoFillsTheBootFieldsAndTheDeviceId();
  void applicationFwFillsTheApplicationFields();
  void downloadWithoutFileWarns();
  void openFileDialogIsSetUpAndCancelChangesNothing();
  void unreadableFileShowsThePathAndAFileError();
  void wholeDownloadOfTheExampleImage();
  void compatibilityFailureStopsBeforeTheErase();
  void aboutBoxThenOneTick();
  void settingsMenuRunsOneTickAfterTheDialog();
  void focusOfThePathFieldTicksOnceAndTypingNever();
  void typingInThePathFieldChangesNothingAndDownLoadSendsTheLoadedFile();
  void konecClosesTheWindow();
  void closingDuringADownloadClosesTheDevice();
  void closeBoxWithTheFocusInThePathFieldStopsEveryStage_data();
  void closeBoxWithTheFocusInThePathFieldStopsEveryStage();
  void closingInIdleLeavesTheDeviceAlone();
  void textsFitTheirPlaces();
};

void MainWindowTest::startState() {
  LoaderRig rig;
  QCOMPARE(rig.window->windowTitle(), QStringLiteral(" Zentrel  0.0.4 02.07.2013"));
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
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{Idle});
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

void MainWindowTest::hwInfoFillsTheBootFieldsAndTheDeviceId() {
  emulated::BootLoaderConfig config;
  config.Platform = "ZX-CORE";
  config.HwVersion = "1.2";
  config.BootVersion = "BL 2.05";
  LoaderRig rig(config);
  ModalDriver driver;
  rig.OwnTime();

  Click(rig, CommandButton::HwInfo);
  QVERIFY(ButtonsEnabled(rig, false));
  for (ValueField f : {ValueField::PlatformField, ValueField::HwVersionField,
                       ValueField::BootVersionField, ValueField::DeviceIdField}) {
    QCOMPARE(FieldText(rig, f), kCleared);
  }
  QVERIFY(rig.TickUntilIdle() > 0);
  QCOMPARE(FieldText(rig, ValueField::PlatformField), QStringLiteral("  ZX-CORE"));
  QCOMPARE(FieldText(rig, ValueField::HwVersionField), QStringLiteral("  1.2"));
  QCOMPARE(FieldText(rig, ValueField::BootVersionField), QStringLiteral("  BL 2.05"));
  QCOMPARE(FieldText(rig, ValueField::DeviceIdField), QStringLiteral("ZENTREL BOOT"));
  QCOMPARE(StatusText(rig), QStringLiteral("Device CRC OK"));
  QVERIFY(driver.Boxes().empty());
  QVERIFY(!rig.access.IsOpen());
  QCOMPARE(rig.device.ResetCount(), 1);
  // The buttons come back with the next tick in Idle.
  QVERIFY(ButtonsEnabled(rig, false));
  rig.Tick();
  QVERIFY(ButtonsEnabled(rig, true));
}

void MainWindowTest::applicationFwFillsTheApplicationFields() {
  emulated::BootLoaderConfig config;
  config.AppInfo = "ZENTREL DEMO APP";
  config.FwVersion = "3.1.4";
  LoaderRig rig(config);
  ModalDriver driver;
  rig.OwnTime();

  Click(rig, CommandButton::AppFw);
  QCOMPARE(FieldText(rig, ValueField::AppInfoField), kCleared);
  QVERIFY(rig.TickUntilIdle() > 0);
  QCOMPARE(FieldText(rig, ValueField::AppInfoField), QStringLiteral("  ZENTREL DEMO APP"));
  QCOMPARE(FieldText(rig, ValueField::FwVersionField), QStringLiteral("  3.1.4"));
  QCOMPARE(FieldText(rig, ValueField::DeviceIdField), QStringLiteral("ZENTREL BOOT"));
  QVERIFY(FieldText(rig, ValueField::PlatformField).isEmpty());  // not this road's
  QCOMPARE(StatusText(rig), QStringLiteral("HID device after reset delay finished"));
  QVERIFY(driver.Boxes().empty());
  QCOMPARE(rig.device.ResetCount(), 0);
}

void MainWindowTest::downloadWithoutFileWarns() {
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  Click(rig, CommandButton::Download);
  QCOMPARE(driver.Boxes().size(), std::size_t{1});
  const SeenBox& box = driver.Boxes()[0];
  QCOMPARE(box.Text, QStringLiteral("File is not selected, select file please"));
  QCOMPARE(box.Caption, QStringLiteral("File info"));
  QCOMPARE(box.Icon, QMessageBox::Warning);
  QCOMPARE(box.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{Idle});
  QCOMPARE(FieldText(rig, ValueField::PlatformField), kCleared);
  QCOMPARE(FieldText(rig, ValueField::DeviceIdField), kCleared);
  QCOMPARE(rig.device.ResetCount(), 0);
}

void MainWindowTest::openFileDialogIsSetUpAndCancelChangesNothing() {
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  rig.window->PathField()->setText(QStringLiteral("earlier"));
  const SeenFileDialog seen = OpenFile(*rig.window, driver, QString());
  QVERIFY(seen.Opened);
  const QStringList filters = {QStringLiteral("Morvex Memory Image Files (*.mvx)"),
                               QStringLiteral("Intel Hex files (*.hex)"),
                               QStringLiteral("All files (*.*)")};
  QCOMPARE(seen.Filters, filters);
  QCOMPARE(seen.SelectedFilter, filters.first());
  QCOMPARE(seen.Mode, QFileDialog::ExistingFile);
  QCOMPARE(rig.window->PathField()->text(), QStringLiteral("earlier"));
  QCOMPARE(rig.image->ImageLoaded, std::uint8_t{0});
  QVERIFY(driver.Boxes().empty());
}

void MainWindowTest::unreadableFileShowsThePathAndAFileError() {
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("empty.hex"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();

  OpenFile(*rig.window, driver, path);
  QCOMPARE(rig.window->PathField()->text(), path);
  QCOMPARE(driver.Boxes().size(), std::size_t{1});
  QCOMPARE(driver.Boxes()[0].Text, QStringLiteral("File read error"));
  QCOMPARE(driver.Boxes()[0].Caption, QStringLiteral("File Error"));
  QCOMPARE(driver.Boxes()[0].Icon, QMessageBox::Critical);
}

void MainWindowTest::wholeDownloadOfTheExampleImage() {
  const QString example = ExampleImage();
  QVERIFY2(!example.isEmpty(), "no .mvx image in " ZENTREL_EXAMPLES_DIR);
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  StatusLog log(rig.window->StatusLine());

  OpenFile(*rig.window, driver, example);
  QCOMPARE(rig.window->PathField()->text(), example);
  QVERIFY(driver.Boxes().empty());
  QCOMPARE(rig.image->ImageLoaded, std::uint8_t{1});
  QCOMPARE(rig.image->ImageKind, 'm');
  const std::uint32_t pages = PagesToSend(rig.image->ImageLength);
  QVERIFY(pages >= 2);

  // Inside the success box the road is over: Idle, device closed, and the
  // ticks that keep coming only bring the buttons back.
  bool idleInsideBox = false;
  bool closedInsideBox = false;
  bool enabledByNestedTick = false;
  driver.SetBeforeBoxClosed([&] {
    idleInsideBox = rig.Sequencer().SequencerState() == Idle;
    closedInsideBox = !rig.access.IsOpen();
    rig.Tick();
    enabledByNestedTick = ButtonsEnabled(rig, true);
  });

  Click(rig, CommandButton::Download);
  QVERIFY(ButtonsEnabled(rig, false));
  QVERIFY(rig.TickUntilIdle() > 0);

  QCOMPARE(driver.Boxes().size(), std::size_t{1});
  const SeenBox& box = driver.Boxes()[0];
  QCOMPARE(box.Text, QStringLiteral("Boot successful finished"));
  QCOMPARE(box.Caption, QStringLiteral("BOOT info"));
  QCOMPARE(box.Icon, QMessageBox::Information);
  QCOMPARE(box.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(idleInsideBox);
  QVERIFY(closedInsideBox);
  QVERIFY(enabledByNestedTick);
  QCOMPARE(StatusText(rig), QStringLiteral("BOOT successful finished ;-) "));

  // The page progress counts from 0 and leaves out the last page.
  QStringList progress;
  for (const QString& text : log.Texts) {
    if (text.startsWith(QStringLiteral(" BOOTLoader, Write page "))) progress.append(text);
  }
  QCOMPARE(progress.size(), static_cast<qsizetype>(pages - 1));
  for (std::uint32_t i = 0; i + 1 < pages; ++i) {
    QCOMPARE(progress[static_cast<qsizetype>(i)],
             QStringLiteral(" BOOTLoader, Write page %1").arg(i));
  }

  // What reached the device's flash is the image above the boot area.
  QCOMPARE(rig.device.EraseCount(), 1);
  QCOMPARE(rig.device.ImageKind().value_or('?'), 'm');
  QCOMPARE(rig.device.ProtocolErrors(), 0);
  QVERIFY(FlashHoldsTheLoadedImage(rig));
  QVERIFY(!rig.access.IsOpen());
}

void MainWindowTest::compatibilityFailureStopsBeforeTheErase() {
  const QString example = ExampleImage();
  QVERIFY2(!example.isEmpty(), "no .mvx image in " ZENTREL_EXAMPLES_DIR);
  emulated::BootLoaderConfig config;
  config.Platform = "QQ-OTHER";
  LoaderRig rig(config);
  ModalDriver driver;
  rig.OwnTime();
  OpenFile(*rig.window, driver, example);

  Click(rig, CommandButton::Download);
  QVERIFY(rig.TickUntilIdle() > 0);
  QCOMPARE(driver.Boxes().size(), std::size_t{1});
  QCOMPARE(driver.Boxes()[0].Text,
           QStringLiteral("HW is uncompatible with selected SW image File"));
  QCOMPARE(driver.Boxes()[0].Caption, QStringLiteral("BOOT info"));
  QCOMPARE(driver.Boxes()[0].Icon, QMessageBox::Critical);
  QCOMPARE(StatusText(rig), QStringLiteral("HW is uncompatible with SW image File"));
  QCOMPARE(FieldText(rig, ValueField::PlatformField), QStringLiteral("  QQ-OTHER"));
  QCOMPARE(rig.device.EraseCount(), 0);
  QCOMPARE(rig.device.DataReportCount(), std::size_t{0});
  QVERIFY(!rig.access.IsOpen());
}

void MainWindowTest::aboutBoxThenOneTick() {
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  Click(rig, CommandButton::HwInfo);
  rig.Tick();  // reset sent, first delay step
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{ResetDelay});
  const std::int32_t before = rig.Sequencer().TickCounter();

  QAction* about = MenuItem(*rig.window, QStringLiteral("O programu"));
  QVERIFY(about != nullptr);
  about->trigger();
  QCOMPARE(driver.Boxes().size(), std::size_t{1});
  const SeenBox& box = driver.Boxes()[0];
  QCOMPARE(box.Caption, QStringLiteral("About "));
  QCOMPARE(box.Icon, QMessageBox::Information);
  QCOMPARE(box.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  const QStringList lines = box.Text.split(QLatin1Char('\n'));
  QCOMPARE(lines.size(), 7);
  QCOMPARE(lines[0], QStringLiteral("Zentrel loader"));
  QVERIFY(lines[1].isEmpty() && lines[3].isEmpty() && lines[5].isEmpty());
  QVERIFY(lines[2].startsWith(QStringLiteral("   ")) && lines[2][3] != QLatin1Char(' '));
  QCOMPARE(lines[4], QStringLiteral("    Ver 0.0.4 02.07.2013"));
  QVERIFY(lines[6].startsWith(QStringLiteral("     ")) && lines[6][5] != QLatin1Char(' '));
  QCOMPARE(rig.Sequencer().TickCounter(), before - 1);
}

void MainWindowTest::settingsMenuRunsOneTickAfterTheDialog() {
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  Click(rig, CommandButton::HwInfo);
  rig.Tick();
  const std::int32_t before = rig.Sequencer().TickCounter();

  std::int32_t counterInsideDialog = -100;
  QPoint dialogCorner;
  driver.SetDialogHandler([&](QWidget* modal) {
    counterInsideDialog = rig.Sequencer().TickCounter();
    dialogCorner = modal->pos();
    auto* vendor = modal->findChild<QLineEdit*>(QStringLiteral("VendorEdit"));
    QVERIFY(vendor != nullptr);
    vendor->setText(QStringLiteral("0x4d8"));
    ClickAtVisibleCentre(modal->findChild<QPushButton*>(QStringLiteral("OkButton")));
  });
  MenuItem(*rig.window, QStringLiteral("Komunikace"))->trigger();
  QCOMPARE(counterInsideDialog, before);
  QCOMPARE(rig.Sequencer().TickCounter(), before - 1);
  QCOMPARE(rig.ids.VendorId, 0x4D8u);
  // It opens at the top-left corner of the client area.
  QCOMPARE(dialogCorner, rig.window->ClientArea()->mapToGlobal(QPoint(0, 0)));
}

void MainWindowTest::focusOfThePathFieldTicksOnceAndTypingNever() {
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  Click(rig, CommandButton::HwInfo);
  rig.Tick();
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{ResetDelay});
  const std::int32_t before = rig.Sequencer().TickCounter();
  ClickIntoThePathField(rig);
  QCOMPARE(rig.Sequencer().TickCounter(), before - 1);
  // The field refuses the keys, so they notify nothing.
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
  QCOMPARE(rig.window->PathField()->text(), QString());
  QCOMPARE(rig.Sequencer().TickCounter(), before - 1);
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{ResetDelay});
  QVERIFY(driver.Boxes().empty());
}

void MainWindowTest::typingInThePathFieldChangesNothingAndDownLoadSendsTheLoadedFile() {
  const QString example = ExampleImage();
  QVERIFY2(!example.isEmpty(), "no .mvx image in " ZENTREL_EXAMPLES_DIR);
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  OpenFile(*rig.window, driver, example);
  QLineEdit* field = rig.window->PathField();
  QCOMPARE(field->text(), example);

  // Another path typed over it, edited and pasted: the field keeps the path.
  ClickIntoThePathField(rig);
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

  // The path can be selected and copied.
  QCOMPARE(field->selectedText(), example);
  QApplication::clipboard()->setText(QStringLiteral("before the copy"));
  QTest::keyClick(keys, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QApplication::clipboard()->text(), example);

  Click(rig, CommandButton::Download);
  QVERIFY(rig.TickUntilIdle() > 0);
  QCOMPARE(driver.Boxes().size(), std::size_t{1});
  QCOMPARE(driver.Boxes()[0].Text, QStringLiteral("Boot successful finished"));
  QCOMPARE(field->text(), example);
  // The device holds the image of the file that the field shows.
  QCOMPARE(rig.device.ImageKind().value_or('?'), 'm');
  QVERIFY(FlashHoldsTheLoadedImage(rig));
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

void MainWindowTest::closingDuringADownloadClosesTheDevice() {
  const QString example = ExampleImage();
  QVERIFY2(!example.isEmpty(), "no .mvx image in " ZENTREL_EXAMPLES_DIR);
  LoaderRig rig;
  ModalDriver driver;
  OpenFile(*rig.window, driver, example);
  Click(rig, CommandButton::Download);
  QVERIFY(rig.TickUntilState(AwaitPacketAck));
  QVERIFY(rig.access.IsOpen());
  const std::size_t packets = rig.device.DataReportCount();

  const int calls = rig.platform.Calls();
  const int closes = rig.platform.CloseCalls();

  rig.window->close();
  QVERIFY(!rig.access.IsOpen());
  QVERIFY(!rig.window->TickTimer().isActive());
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{AwaitPacketAck});
  // No stage runs any more, whatever still calls in: the close was the last
  // call that reached the device.
  rig.Tick();
  rig.Tick();
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{AwaitPacketAck});
  QCOMPARE(rig.device.DataReportCount(), packets);
  QCOMPARE(rig.platform.Calls(), calls + 1);
  QCOMPARE(rig.platform.CloseCalls(), closes + 1);
  QVERIFY(driver.Boxes().empty());
}

void MainWindowTest::closeBoxWithTheFocusInThePathFieldStopsEveryStage_data() {
  QTest::addColumn<bool>("download");  // else the application road
  QTest::addColumn<int>("state");
  const struct {
    const char* Name;
    bool Download;
    int State;
  } rows[] = {{"ResetDevice", true, 1},     {"ResetDelay", true, 2},   {"Connect", true, 3},
              {"BootStatus", true, 4},      {"StatusDelay", true, 5},  {"ReadBootStrings", true, 6},
              {"SendImageKind", true, 8},   {"AwaitErase", true, 7},   {"WritePacket", true, 9},
              {"AwaitPacketAck", true, 10}, {"AppRequest", false, 11}, {"AppDelay", false, 12},
              {"ReadAppStrings", false, 13}};
  for (const auto& row : rows) QTest::newRow(row.Name) << row.Download << row.State;
}

void MainWindowTest::closeBoxWithTheFocusInThePathFieldStopsEveryStage() {
  QFETCH(bool, download);
  QFETCH(int, state);
  LoaderRig rig;
  ModalDriver driver;
  rig.OwnTime();
  if (download) {
    OpenFile(*rig.window, driver, ExampleImage());
    QCOMPARE(rig.image->ImageLoaded, std::uint8_t{1});
    Click(rig, CommandButton::Download);
  } else {
    Click(rig, CommandButton::AppFw);
  }
  // The user clicks into the path field (its focus runs a Tick), unless the
  // stage is the first of its road, which no tick may pass.
  if (rig.Sequencer().SequencerState() != state) ClickIntoThePathField(rig);
  QVERIFY(rig.TickUntilState(static_cast<std::uint8_t>(state)));
  const bool wasOpen = rig.access.IsOpen();
  const int calls = rig.platform.Calls();
  const std::int32_t counter = rig.Sequencer().TickCounter();

  // What the close box does: the window system asks the window to close.
  rig.window->windowHandle()->close();
  QVERIFY(!rig.window->isVisible());
  QVERIFY(!rig.access.IsOpen());
  QCOMPARE(rig.bus.OpenHandleCount(), std::size_t{0});
  rig.Tick();
  // The close of an open device was the only call after that moment.
  QCOMPARE(rig.platform.Calls(), calls + (wasOpen ? 1 : 0));
  QCOMPARE(int{rig.Sequencer().SequencerState()}, state);
  QCOMPARE(rig.Sequencer().TickCounter(), counter);
  QVERIFY(driver.Boxes().empty());
}

void MainWindowTest::closingInIdleLeavesTheDeviceAlone() {
  LoaderRig rig;
  rig.OwnTime();
  // A device held open while the sequencer is Idle shows whether the close
  // calls CloseDevice: it must not.
  QCOMPARE(rig.access.OpenDeviceByIds(rig.ids.VendorId, rig.ids.ProductId,
                                      rig.access.RefreshDeviceList()),
           1);
  const int closes = rig.platform.CloseCalls();
  rig.window->windowHandle()->close();
  QVERIFY(!rig.window->isVisible());
  QVERIFY(rig.access.IsOpen());
  QCOMPARE(rig.platform.CloseCalls(), closes);
  QCOMPARE(rig.Sequencer().SequencerState(), std::uint8_t{Idle});
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
