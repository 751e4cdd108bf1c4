#pragma once

#include <QIcon>

// The program's own icon, shown by the main window, the child windows and the
// message boxes instead of the toolkit's logo. Built into the program.
namespace ProgramIcon {
QIcon icon();
}
