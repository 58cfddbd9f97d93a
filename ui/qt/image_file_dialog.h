// The OpenFile reaction: choose a firmware file, show its path, load it.
#pragma once

#include <QStringList>

#include "image/image_store.h"
#include "sequencer/sequencer_view.h"

class QLineEdit;
class QWidget;

namespace zentrel::qt {

// The open-file dialog's filter entries, in order; the first is selected.
QStringList ImageFileFilters();

// Runs the open-file dialog (existing files only) owned by owner. When the
// user picks a file its path replaces the text of pathField before the file
// is read, so the path shows even when the load then fails; a cancelled
// dialog changes nothing.
void LoadImageFile(QWidget* owner, QLineEdit& pathField, ImageStore& store,
                   SequencerView& view);

}  // namespace zentrel::qt
