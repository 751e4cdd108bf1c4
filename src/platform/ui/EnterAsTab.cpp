#include "EnterAsTab.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

EnterAsTab::EnterAsTab(QObject* parent) : QObject(parent) {}

void EnterAsTab::install(std::initializer_list<QWidget*> boxes)
{
    if (boxes.size() == 0)
        return;
    auto* filter = new EnterAsTab(*boxes.begin());
    for (QWidget* box : boxes)
        box->installEventFilter(filter);
}

bool EnterAsTab::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
            // Posted, not sent: the Tab arrives after this Enter has been handled,
            // as a key press from the keyboard would.
            QCoreApplication::postEvent(watched, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
        }
    }
    return false;
}
