#pragma once

#include <QString>

class QWidget;

// The two kinds of message box the users see: a plain message with OK, and a
// confirmation with OK and Cancel where only OK goes on. Both are real
// QMessageBoxes, so tests answer them by finding the active modal widget.
namespace Messages {
void plain(QWidget* parent, const QString& text);
// True only when the user pressed OK; Cancel or closing the box gives false.
bool confirm(QWidget* parent, const QString& text);
}
