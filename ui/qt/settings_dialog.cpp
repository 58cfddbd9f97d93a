#include "ui/qt/settings_dialog.h"

#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/settings_parse.h"

namespace zentrel::qt {

namespace {

// The template's font: 8 points, normal weight, not italic. Where no font of
// that name exists the system's sans serif face stands in.
QFont DialogFont() {
  QFont font(QStringLiteral("MS Shell Dlg"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

// Dialog units of the font in use, derived as the dialog manager derives
// them: the base width is the average width of the 52 Latin letters, rounded
// to whole pixels, the base height is the font's height; a horizontal unit
// is a quarter of the base width, a vertical one an eighth of the base
// height. The template's places then fit the texts of that font.
class DialogUnits {
 public:
  explicit DialogUnits(const QFontMetrics& metrics)
      : baseX_((metrics.horizontalAdvance(
                    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                    26 +
                1) /
               2),
        baseY_(metrics.height()) {}

  int X(int x) const { return (x * baseX_ + 2) / 4; }
  int Y(int y) const { return (y * baseY_ + 4) / 8; }
  QRect Rect(int x, int y, int width, int height) const {
    return {X(x), Y(y), X(width), Y(height)};
  }

 private:
  int baseX_;
  int baseY_;
};

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
  // The title is empty. X11 window managers are handed the application's
  // name in place of an empty title, so one blank stands for it.
  setWindowTitle(QStringLiteral(" "));
  setModal(true);
  setFont(DialogFont());
  const DialogUnits dlu(fontMetrics());
  setFixedSize(dlu.X(177), dlu.Y(92));

  // Created in the order of the template, which is also the tab order of
  // the three items that take focus.
  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->setGeometry(dlu.Rect(58, 65, 50, 14));
  okButton_->setDefault(true);

  // The group box lies above OK in the stacking order; like a Win32 group
  // box it lets clicks through to what lies beneath.
  auto* group = new QGroupBox(QStringLiteral("HID ID seting"), this);
  group->setGeometry(dlu.Rect(7, 7, 143, 78));
  group->setAttribute(Qt::WA_TransparentForMouseEvents);

  vendorEdit_ = new QLineEdit(this);
  vendorEdit_->setObjectName(QStringLiteral("VendorEdit"));
  vendorEdit_->setGeometry(dlu.Rect(35, 38, 35, 14));
  productEdit_ = new QLineEdit(this);
  productEdit_->setObjectName(QStringLiteral("ProductEdit"));
  productEdit_->setGeometry(dlu.Rect(93, 39, 34, 14));

  auto* productLabel = new QLabel(QStringLiteral("Product ID"), this);
  productLabel->setGeometry(dlu.Rect(94, 27, 35, 8));
  auto* vendorLabel = new QLabel(QStringLiteral("Vendor ID"), this);
  vendorLabel->setGeometry(dlu.Rect(37, 27, 43, 8));

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
