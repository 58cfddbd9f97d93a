// The desktop program as zentrel-loader composes it (the hidapi platform,
// real time, the window's own 10 ms timer), against the hidraw node: a click
// on HW info fills the fields from the device. Runs under umockdev-wrapper.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <string>

#include "hid/hidapi/hidapi_platform.h"
#include "protocol/clock.h"
#include "tests/hidraw/hidraw_testbed.h"
#include "ui/qt/main_window.h"

namespace zentrel::hidraw {

class QtHwInfoOnHidraw : public QObject {
  Q_OBJECT

 private slots:
  void HwInfoClickShowsTheDevicesIdentification() {
    HidrawDeviceConfig config;
    config.Behaviour.ReenumerateUs = 200'000;
    HidrawTestbed bed;
    HidrawBootLoader& device = bed.Add(config);
    std::string error;
    QVERIFY2(bed.Start(error), error.c_str());

    SteadyClock clock;
    HidapiPlatform platform;
    qt::MainWindow window(platform, clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Where the user clicks: the button's visible centre, hit-tested from
    // the top-level window.
    QPushButton* button = window.Button(CommandButton::HwInfo);
    const QPoint centre = button->mapTo(&window, button->rect().center());
    QCOMPARE(window.childAt(centre), static_cast<QWidget*>(button));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);

    QLabel* platformField = window.Field(ValueField::PlatformField);
    QVERIFY(QTest::qWaitFor([&] { return platformField->text() == "  ZX-CORE"; }, 30000));
    QCOMPARE(window.Field(ValueField::HwVersionField)->text(), QString("  1.2"));
    QCOMPARE(window.Field(ValueField::BootVersionField)->text(), QString("  BL 2.05"));
    QCOMPARE(window.Field(ValueField::DeviceIdField)->text(), QString("ZENTREL BOOT"));
    QCOMPARE(device.DevNodes().size(), std::size_t{2});
    QVERIFY(QTest::qWaitFor([&] { return button->isEnabled(); }, 5000));
  }
};

}  // namespace zentrel::hidraw

QTEST_MAIN(zentrel::hidraw::QtHwInfoOnHidraw)
#include "qt_hw_info_test.moc"
