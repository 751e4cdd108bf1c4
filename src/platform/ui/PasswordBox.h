#pragma once

class QLineEdit;

// Makes an edit box a password box that shows "*" for each character typed,
// whatever the style would draw (Qt's styles draw a dot by default).
namespace PasswordBox {
void apply(QLineEdit* box);
}
