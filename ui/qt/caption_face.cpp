#include "ui/qt/caption_face.h"

#include <QPainter>

#include "ui/qt/qt_window_texts.h"

namespace zentrel::qt {

CaptionFace::CaptionFace(QWidget* parent) : QWidget(parent) {
  // The window's face colour shows behind the letters: nothing fills a box
  // behind a caption, the face is the window's own background.
  setAutoFillBackground(false);
}

QFont CaptionFace::CaptionFont() const {
  // The captions are drawn in the face's default font, which on Windows is
  // the bold system font; the controls keep the normal weight.
  QFont bold = font();
  bold.setBold(true);
  return bold;
}

void CaptionFace::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(CaptionFont());
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setPen(palette().color(QPalette::WindowText));
  // A caption's point is the top-left corner of its text, not its baseline.
  const int ascent = painter.fontMetrics().ascent();
  for (const WindowCaption& caption : kCaptions) {
    painter.drawText(QPoint(caption.X, caption.Y + ascent), QString::fromLatin1(caption.Text));
  }
}

}  // namespace zentrel::qt
