#include "StartupQueries.h"

#include "Query.h"
#include "Trim.h"

namespace StartupQueries {

QDateTime serverDate(Query& q)
{
    q.close();
    q.clear();
    q.addLine({"Select Getdate() As C_Date"});
    q.open();
    return q.fieldDateTime(QStringLiteral("C_Date"));
}

QString versionText(Query& q)
{
    q.close();
    q.clear();
    q.addLine({"SELECT  *"});
    q.addLine({"FROM ZUD_Version"});
    q.open();
    if (q.recordCount() < 1)
        return QString();
    return q.fieldText(QStringLiteral("Version_NO"));
}

bool versionAccepted(const QString& stored)
{
    return Trim::trimmed(stored) == RequiredVersion;
}

QString invalidVersionMessage(const QString& stored)
{
    return QStringLiteral("Invalid Version ") + u'\n' + QStringLiteral("Pressent Version Is : ") + stored;
}

}
