#include "ProgramIcon.h"

namespace ProgramIcon {

QIcon icon()
{
    static const QIcon icon(QStringLiteral(":/cheque-vendor/cheque-vendor.png"));
    return icon;
}

}
