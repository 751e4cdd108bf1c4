#include "Messages.h"

#include "ProgramIcon.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

// Room the window manager takes beside the title text: the frame, the
// window's icon and the title bar's buttons.
constexpr int kTitleBarExtra = 160;

// A message box is only as wide as its text, and a short text gives a box
// whose title the window manager cuts; a spacer under the contents keeps it
// wide enough for the whole title.
void fitTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int wanted = QFontMetrics(titleFont).horizontalAdvance(Messages::shownTitle(box.windowTitle()))
                       + kTitleBarExtra;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

int run(QMessageBox& box)
{
    box.setWindowIcon(ProgramIcon::icon());
    fitTitle(box);
    return box.exec();
}

}

namespace Messages {

QString shownTitle(const QString& title)
{
    const QString name = QApplication::applicationDisplayName();
    if (name.isEmpty() || title == name)
        return title;
    return title + QStringLiteral(" \u2014 ") + name;
}

void plain(QWidget* parent, const QString& text, Kind kind)
{
    QMessageBox box(kind == Kind::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    run(box);
}

bool confirm(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return run(box) == QMessageBox::Ok;
}

}
