// The communication settings dialog: its layout, its keys and how OK reads
// the two entries.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QTest>

#include "tests/ui/qt/user_input.h"
#include "ui/qt/settings_dialog.h"

namespace zentrel::qt::test {

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheIdsAsPrefixedUpperHex();
  void itemsInTemplateAndTabOrder();
  void okReadsTheEntries_data();
  void okReadsTheEntries();
  void escapeAndCloseBoxLeaveItOpenUntilEnter();
  void textsFitTheirRectangles();
};

void SettingsDialogTest::showsTheIdsAsPrefixedUpperHex() {
  DeviceIds ids;
  ids.VendorId = 0x1d50;
  ids.ProductId = 0xabcdef12;
  SettingsDialog dialog(ids, nullptr);
  QCOMPARE(dialog.VendorEdit()->text(), QStringLiteral("0x1D50"));
  QCOMPARE(dialog.ProductEdit()->text(), QStringLiteral("0xABCDEF12"));
  // The title shows nothing. A window system that is given an empty title
  // shows the application's name in its place, as X11 window managers do.
  const QString shown =
      dialog.windowTitle().isEmpty() ? QCoreApplication::applicationName() : dialog.windowTitle();
  QVERIFY2(shown.trimmed().isEmpty(), qPrintable(shown));
}

void SettingsDialogTest::itemsInTemplateAndTabOrder() {
  DeviceIds ids;
  SettingsDialog dialog(ids, nullptr);
  QStringList order;
  for (QObject* child : dialog.children()) {
    if (auto* button = qobject_cast<QPushButton*>(child)) order << button->text();
    if (auto* group = qobject_cast<QGroupBox*>(child)) order << group->title();
    if (auto* edit = qobject_cast<QLineEdit*>(child)) order << edit->objectName();
    if (auto* label = qobject_cast<QLabel*>(child)) order << label->text();
  }
  const QStringList expected = {QStringLiteral("OK"),         QStringLiteral("HID ID seting"),
                                QStringLiteral("VendorEdit"), QStringLiteral("ProductEdit"),
                                QStringLiteral("Product ID"), QStringLiteral("Vendor ID")};
  QCOMPARE(order, expected);
  QVERIFY(dialog.OkButton()->isDefault());
  // Tab goes from OK to the vendor edit, then to the product edit.
  QList<QWidget*> tabOrder;
  QWidget* w = dialog.OkButton();
  do {
    if (w->focusPolicy() & Qt::TabFocus) tabOrder.append(w);
    w = w->nextInFocusChain();
  } while (w != dialog.OkButton());
  const QList<QWidget*> expectedTab = {dialog.OkButton(), dialog.VendorEdit(),
                                       dialog.ProductEdit()};
  QCOMPARE(tabOrder, expectedTab);
  // The group box frames the two edits and the OK button.
  const QRect group = dialog.findChild<QGroupBox*>()->geometry();
  QVERIFY(group.contains(dialog.VendorEdit()->geometry()));
  QVERIFY(group.contains(dialog.ProductEdit()->geometry()));
  QVERIFY(group.contains(dialog.OkButton()->geometry()));
  QVERIFY(dialog.VendorEdit()->x() < dialog.ProductEdit()->x());
}

void SettingsDialogTest::okReadsTheEntries_data() {
  QTest::addColumn<quint32>("vendorBefore");
  QTest::addColumn<quint32>("productBefore");
  QTest::addColumn<QString>("vendorText");   // null: leave the shown text
  QTest::addColumn<QString>("productText");
  QTest::addColumn<quint32>("vendorAfter");
  QTest::addColumn<quint32>("productAfter");

  const QString keep;
  QTest::newRow("unchanged defaults") << 0x1D50u << 0x61A7u << keep << keep << 0x1D50u << 0x61A7u;
  QTest::newRow("unchanged one digit") << 0x1u << 0xFu << keep << keep << 0x1u << 0xFu;
  QTest::newRow("unchanged seven digits")
      << 0xABCDEF0u << 0x1234567u << keep << keep << 0xABCDEF0u << 0x1234567u;
  QTest::newRow("eight digits lose the last")
      << 0x12345678u << 0xFEDCBA98u << keep << keep << 0x1234567u << 0xFEDCBA9u;
  QTest::newRow("empty leaves both") << 0x1D50u << 0x61A7u << QString(QLatin1String(""))
                                     << QString(QLatin1String("")) << 0x1D50u << 0x61A7u;
  QTest::newRow("no number leaves both") << 0x1D50u << 0x61A7u << QStringLiteral("zz")
                                         << QStringLiteral(" -") << 0x1D50u << 0x61A7u;
}

void SettingsDialogTest::okReadsTheEntries() {
  QFETCH(quint32, vendorBefore);
  QFETCH(quint32, productBefore);
  QFETCH(QString, vendorText);
  QFETCH(QString, productText);
  QFETCH(quint32, vendorAfter);
  QFETCH(quint32, productAfter);

  DeviceIds ids;
  ids.VendorId = vendorBefore;
  ids.ProductId = productBefore;
  SettingsDialog dialog(ids, nullptr);
  dialog.show();
  if (!vendorText.isNull()) dialog.VendorEdit()->setText(vendorText);
  if (!productText.isNull()) dialog.ProductEdit()->setText(productText);
  // Where the user sees OK, whatever lies above it in the stacking order.
  ClickAtVisibleCentre(dialog.OkButton());
  QCOMPARE(dialog.result(), 1);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(ids.VendorId, vendorAfter);
  QCOMPARE(ids.ProductId, productAfter);
}

// Escape and the close box leave the dialog open with the IDs as they were;
// Enter in an edit then presses OK, which reads both entries.
void SettingsDialogTest::escapeAndCloseBoxLeaveItOpenUntilEnter() {
  DeviceIds ids;
  const DeviceIds before = ids;
  SettingsDialog dialog(ids, nullptr);
  dialog.show();
  dialog.VendorEdit()->setText(QStringLiteral("0x99"));
  QTest::keyClick(dialog.VendorEdit(), Qt::Key_Escape);
  QVERIFY(dialog.isVisible());
  QVERIFY(!dialog.close());
  QVERIFY(dialog.isVisible());
  QCOMPARE(ids.VendorId, before.VendorId);
  QCOMPARE(ids.ProductId, before.ProductId);

  dialog.ProductEdit()->setText(QStringLiteral("0x2"));
  QTest::keyClick(dialog.ProductEdit(), Qt::Key_Return);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(ids.VendorId, 0x99u);
  QCOMPARE(ids.ProductId, 0x2u);
}

void SettingsDialogTest::textsFitTheirRectangles() {
  DeviceIds ids;
  SettingsDialog dialog(ids, nullptr);
  dialog.show();
  // In the font in use: 8 points, normal weight.
  QCOMPARE(dialog.font().pointSize(), 8);
  QVERIFY(!dialog.font().bold());
  const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
  QCOMPARE(labels.size(), 2);
  for (const QLabel* label : labels) {
    const QFontMetrics metrics(label->font());
    QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->contentsRect().width(),
             qPrintable(label->text()));
    QVERIFY2(metrics.height() <= label->contentsRect().height(), qPrintable(label->text()));
  }
  const QGroupBox* group = dialog.findChild<QGroupBox*>();
  QVERIFY(QFontMetrics(group->font()).horizontalAdvance(group->title()) < group->width());
  const QPushButton* ok = dialog.OkButton();
  QVERIFY(QFontMetrics(ok->font()).horizontalAdvance(ok->text()) < ok->width());
}

}  // namespace zentrel::qt::test

QTEST_MAIN(zentrel::qt::test::SettingsDialogTest)
#include "settings_dialog_test.moc"
