#pragma once

#include <QString>

class QWidget;

// The two kinds of message box the users see: a plain message with OK, and a
// confirmation with OK and Cancel where only OK goes on. Both are real
// QMessageBoxes, so tests answer them by finding the active modal widget.
// A box is always wide enough for its whole title.
namespace Messages {

// What a plain message tells: a refusal or an error carries the warning icon,
// a completion the information icon, so the two never look alike.
enum class Kind { Information, Warning };

void plain(QWidget* parent, const QString& text, Kind kind = Kind::Information);
inline void information(QWidget* parent, const QString& text) { plain(parent, text, Kind::Information); }
inline void warning(QWidget* parent, const QString& text) { plain(parent, text, Kind::Warning); }

// True only when the user pressed OK; Cancel or closing the box gives false.
bool confirm(QWidget* parent, const QString& text);

// The title as a window manager shows it: the program's display name follows
// a title that is not that name already.
QString shownTitle(const QString& title);
}
