#include "UserAccounts.h"

#include "Query.h"
#include "Trim.h"

namespace UserAccounts {

LoginResult checkLogin(Query& q, const QString& name, const QString& password)
{
    if (name.isEmpty())
        return {LoginOutcome::EmptyName};
    if (password.isEmpty())
        return {LoginOutcome::EmptyPassword};

    q.clear();
    q.close();
    q.addLine({"Select * From ZUD_user"});
    q.addLine({"Where UserName=", SqlText{name}});
    q.open();
    if (q.recordCount() < 1)
        return {LoginOutcome::UnknownName};
    if (Trim::trimmed(q.fieldText(QStringLiteral("password"))) != password)
        return {LoginOutcome::WrongPassword};
    return {LoginOutcome::Accepted, q.fieldInt(QStringLiteral("U_Level"))};
}

bool oldPasswordMatches(Query& q, const QString& userName, const QString& oldPassword)
{
    q.close();
    q.clear();
    q.addLine({"SELECT *"});
    q.addLine({"FROM ZUD_user"});
    q.addLine({"Where (Username = ", SqlText{userName}, ")"});
    q.addLine({"And (Password =", SqlText{oldPassword}, ")"});
    q.open();
    return q.recordCount() >= 1;
}

void storePassword(Query& q, const QString& userName, const QString& newPassword)
{
    q.close();
    q.clear();
    q.addLine({"Update ZUD_user"});
    q.addLine({"Set  Password =", SqlText{newPassword}});
    q.addLine({"Where (Username = ", SqlText{userName}, ")"});
    q.execute();
}

}
