// The communication settings dialog: the vendor and product IDs by which
// the device is picked out, changed for this run only.
#pragma once

#include <QDialog>

#include "protocol/device_ids.h"

class QLineEdit;
class QPushButton;

namespace zentrel::qt {

class SettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  // Shows the IDs as "0x%X"; OK stores what the edits hold and ends the
  // dialog with 1. There is no other way out.
  SettingsDialog(DeviceIds& ids, QWidget* owner);

  QLineEdit* VendorEdit() const { return vendorEdit_; }
  QLineEdit* ProductEdit() const { return productEdit_; }
  QPushButton* OkButton() const { return okButton_; }

 public slots:
  // Esc and the close box send the cancel command, which nobody handles.
  void reject() override {}

 private:
  void OnOk();

  DeviceIds& ids_;
  QPushButton* okButton_ = nullptr;
  QLineEdit* vendorEdit_ = nullptr;
  QLineEdit* productEdit_ = nullptr;
};

}  // namespace zentrel::qt
