// The open-file dialog of the OpenFile button.
#pragma once

#include <QStringList>
#include <string>

class QWidget;

namespace zentrel::qt {

// The dialog's filter entries, in order; the first is selected.
QStringList ImageFileFilters();

// Runs the dialog (existing files only) owned by owner. true with the chosen
// file's path in the local 8-bit encoding; false when the user cancels.
bool ChooseImageFile(QWidget* owner, std::string& path);

}  // namespace zentrel::qt
