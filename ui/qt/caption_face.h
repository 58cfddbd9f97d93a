// The main window's client area: the face on which the six captions are
// painted and on which the controls sit.
#pragma once

#include <QFont>
#include <QWidget>

namespace zentrel::qt {

class CaptionFace final : public QWidget {
  Q_OBJECT

 public:
  explicit CaptionFace(QWidget* parent = nullptr);

  // The font the six captions are painted in.
  QFont CaptionFont() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace zentrel::qt
