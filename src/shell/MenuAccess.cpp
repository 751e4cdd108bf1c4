#include "MenuAccess.h"

MenuAccess MenuAccess::forLevel(int level)
{
    MenuAccess m;
    m.importMenu = level > 4;
    m.reportMenu = true;
    m.systemMenu = true;
    m.importLog = level > 4;
    m.administrator = level > 7;
    m.exitItem = true;
    return m;
}
