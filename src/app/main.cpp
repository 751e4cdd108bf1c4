#include "AppIdentity.h"
#include "Connection.h"
#include "ProgramIcon.h"
#include "ProgramWindows.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace {

// A face drawn for Thai (with Latin letters of its own), so that the marks
// above and below the line sit right at the default size.
void useThaiFont(QApplication& app)
{
    const QStringList families = QFontDatabase::families(QFontDatabase::Thai);
    for (const char* wanted : {"Loma", "Garuda", "Waree", "Tlwg Typo"}) {
        const QString family = QString::fromLatin1(wanted);
        if (families.contains(family)) {
            QFont f(family);
            f.setPointSize(app.font().pointSize() > 0 ? app.font().pointSize() : 10);
            app.setFont(f);
            return;
        }
    }
}

}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppIdentity::apply();
    QApplication::setApplicationDisplayName(QStringLiteral("Cheque Vendor"));
    QApplication::setWindowIcon(ProgramIcon::icon());
    // The desktop entry the windows belong to (resources/cheque-vendor.desktop).
    QGuiApplication::setDesktopFileName(QStringLiteral("cheque-vendor"));
    useThaiFont(app);

    Connection connection;
    ProgramWindows windows(connection);
    if (windows.endRequested())
        return 0;
    windows.show();
    return app.exec();
}
