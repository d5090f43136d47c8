// A tab widget whose user-initiated tab changes can be refused before they
// happen (the way the mixer keeps the operator on the Setup tab until the
// equipment is ready). Changes made from code pass without asking and raise
// no signal of their own.
#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <functional>

class TPageControlBar : public QTabBar
{
  Q_OBJECT
public:
  explicit TPageControlBar(QWidget* parent = nullptr);
  std::function<bool()> CanChange; // asked before every change by the user
  bool UserChanging() const { return FUserChanging; }

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

private:
  bool Allowed();
  bool FUserChanging = false;
};

class TPageControl : public QTabWidget
{
  Q_OBJECT
public:
  explicit TPageControl(QWidget* parent = nullptr);
  TPageControlBar* Bar() const { return FBar; }
  // Shows a page from code: no question is asked and UserChanged is not raised.
  void SetActivePageIndex(int index);

signals:
  void UserChanged(int index); // after a change made by the user

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  TPageControlBar* FBar;
  bool FUserChanging = false;
};
