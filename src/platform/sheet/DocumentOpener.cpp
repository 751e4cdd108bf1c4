#include "DocumentOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

// The desktop's own association for the file type: the user's spreadsheet program.
class DesktopOpener : public DocumentOpener {
public:
    bool open(const QString& path) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

DocumentOpener* g_installed = nullptr;

}

DocumentOpener& DocumentOpener::current()
{
    static DesktopOpener desktop;
    return g_installed ? *g_installed : desktop;
}

void DocumentOpener::setCurrent(DocumentOpener* opener)
{
    g_installed = opener;
}
