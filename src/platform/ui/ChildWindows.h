#pragma once

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// How the main window hosts its child windows.
namespace ChildWindows {
// Shows w maximised as an MDI child of area; its title-bar close only minimises it.
QMdiSubWindow* show(QMdiArea* area, QWidget* w);
// A child window's own exit button: turns it back into an ordinary window and
// closes it, which hides it. The main window stays.
void exit(QWidget* w);
}
