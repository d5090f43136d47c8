#include "app/PageControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

TPageControlBar::TPageControlBar(QWidget* parent) : QTabBar(parent) {}

bool TPageControlBar::Allowed()
{
  return !CanChange || CanChange();
}

void TPageControlBar::mousePressEvent(QMouseEvent* event)
{
  const int index = tabAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index >= 0 && index != currentIndex()) {
    if (!Allowed()) return;
    FUserChanging = true;
    QTabBar::mousePressEvent(event);
    FUserChanging = false;
    return;
  }
  QTabBar::mousePressEvent(event);
}

void TPageControlBar::keyPressEvent(QKeyEvent* event)
{
  switch (event->key()) {
  case Qt::Key_Left:
  case Qt::Key_Right:
  case Qt::Key_Up:
  case Qt::Key_Down:
  case Qt::Key_Home:
  case Qt::Key_End:
    if (!Allowed()) return;
    FUserChanging = true;
    QTabBar::keyPressEvent(event);
    FUserChanging = false;
    return;
  default:
    QTabBar::keyPressEvent(event);
  }
}

void TPageControlBar::wheelEvent(QWheelEvent* event)
{
  // Scrolling over the tabs does not change pages here.
  event->ignore();
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), FBar(new TPageControlBar(this))
{
  setTabBar(FBar);
  connect(this, &QTabWidget::currentChanged, this, [this](int index) {
    if (FBar->UserChanging() || FUserChanging) emit UserChanged(index);
  });
}

void TPageControl::SetActivePageIndex(int index)
{
  setCurrentIndex(index);
}

void TPageControl::keyPressEvent(QKeyEvent* event)
{
  const bool ctrlTab = (event->modifiers() & Qt::ControlModifier) &&
                       (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
                        event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown);
  if (ctrlTab) {
    if (FBar->CanChange && !FBar->CanChange()) return;
    FUserChanging = true;
    QTabWidget::keyPressEvent(event);
    FUserChanging = false;
    return;
  }
  QTabWidget::keyPressEvent(event);
}
