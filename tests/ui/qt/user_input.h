// Plays the user's mouse: a click goes to the top-level window at the point
// where the control shows, so that the window's own hit-testing decides who
// gets it, as it does for a real click.
#pragma once

#include <QTest>
#include <QWidget>
#include <QWindow>

namespace zentrel::qt::test {

inline void ClickAtVisibleCentre(QWidget* control) {
  QWidget* top = control->window();
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    control->mapTo(top, control->rect().center()));
}

}  // namespace zentrel::qt::test
