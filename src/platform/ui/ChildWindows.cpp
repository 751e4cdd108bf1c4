#include "ChildWindows.h"

#include "ProgramIcon.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

// The frame of a child window: its close box only minimises the window inside
// the main window; the window itself stays as it is.
class MinimisingSubWindow : public QMdiSubWindow {
public:
    using QMdiSubWindow::QMdiSubWindow;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        showMinimized();
    }
};

}

namespace ChildWindows {

QMdiSubWindow* show(QMdiArea* area, QWidget* w)
{
    auto* frame = new MinimisingSubWindow;
    frame->setWidget(w);
    frame->setWindowTitle(w->windowTitle());
    frame->setWindowIcon(ProgramIcon::icon());
    area->addSubWindow(frame);
    frame->showMaximized();
    w->setFocus();
    return frame;
}

void exit(QWidget* w)
{
    auto* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    if (!frame) {
        w->close();
        return;
    }
    QMdiArea* area = frame->mdiArea();
    QWidget* owner = area ? area->window() : nullptr;
    frame->setWidget(nullptr);
    // An ordinary window again, kept by the main window so that it is freed
    // with it; closing an ordinary window hides it.
    w->setParent(owner, Qt::Window);
    w->close();
    if (area)
        area->removeSubWindow(frame);
    frame->hide();
    // Later, not now: the exit button's click may still be unwinding.
    frame->deleteLater();
}

}
