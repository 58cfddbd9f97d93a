#include "ui/qt/settings_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/settings_parse.h"

namespace zentrel::qt {

namespace {

// The dialog is laid out in dialog units of an 8-point dialog font, whose
// base units at 96 DPI are 6 x 13 pixels: a horizontal unit is a quarter of
// the base width, a vertical one an eighth of the base height.
int DluX(int x) { return (x * 6 + 2) / 4; }
int DluY(int y) { return (y * 13 + 4) / 8; }
QRect DluRect(int x, int y, int width, int height) {
  return {DluX(x), DluY(y), DluX(width), DluY(height)};
}

QString FormatId(std::uint32_t id) {
  return QStringLiteral("0x") + QString::number(id, 16).toUpper();
}

// Reads an entry as a ten-byte buffer would hold it: nine characters at most.
bool ReadIdEntry(const QLineEdit& edit, std::uint32_t& value) {
  const QByteArray bytes = edit.text().left(static_cast<qsizetype>(kIdEntryChars)).toLatin1();
  return ParseHexId(bytes.constData(), value);
}

}  // namespace

SettingsDialog::SettingsDialog(DeviceIds& ids, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ids_(ids) {
  setWindowTitle(QString());
  setModal(true);
  setFixedSize(DluX(177), DluY(92));

  // Created in the order of the template, which is also the tab order of
  // the three items that take focus.
  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->setGeometry(DluRect(58, 65, 50, 14));
  okButton_->setDefault(true);

  auto* group = new QGroupBox(QStringLiteral("HID ID seting"), this);
  group->setGeometry(DluRect(7, 7, 143, 78));

  vendorEdit_ = new QLineEdit(this);
  vendorEdit_->setObjectName(QStringLiteral("VendorEdit"));
  vendorEdit_->setGeometry(DluRect(35, 38, 35, 14));
  productEdit_ = new QLineEdit(this);
  productEdit_->setObjectName(QStringLiteral("ProductEdit"));
  productEdit_->setGeometry(DluRect(93, 39, 34, 14));

  auto* productLabel = new QLabel(QStringLiteral("Product ID"), this);
  productLabel->setGeometry(DluRect(94, 27, 35, 8));
  auto* vendorLabel = new QLabel(QStringLiteral("Vendor ID"), this);
  vendorLabel->setGeometry(DluRect(37, 27, 43, 8));

  setTabOrder(okButton_, vendorEdit_);
  setTabOrder(vendorEdit_, productEdit_);

  vendorEdit_->setText(FormatId(ids_.VendorId));
  productEdit_->setText(FormatId(ids_.ProductId));

  connect(okButton_, &QPushButton::clicked, this, &SettingsDialog::OnOk);
}

void SettingsDialog::OnOk() {
  // An entry without a number leaves its ID as it was.
  ReadIdEntry(*vendorEdit_, ids_.VendorId);
  ReadIdEntry(*productEdit_, ids_.ProductId);
  done(1);
}

}  // namespace zentrel::qt
