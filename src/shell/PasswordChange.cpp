#include "PasswordChange.h"

#include "SharedTexts.h"
#include "UserAccounts.h"

namespace PasswordChange {

QString confirmMessage()
{
    return SharedTexts::confirmSave();
}

Result run(Query& q, const QString& userName, const QString& oldPassword, const QString& newPassword,
           const QString& confirmation, const std::function<bool()>& confirm)
{
    if (!UserAccounts::oldPasswordMatches(q, userName, oldPassword))
        return {Outcome::WrongOldPassword, QStringLiteral("รหัสผ่านเดิมไม่ถูกต้อง")};
    if (newPassword.isEmpty())
        return {Outcome::EmptyNewPassword, QStringLiteral("กรุณาใส่รหัสผ่านใหม่")};
    if (!confirm())
        return {Outcome::Cancelled, {}};
    if (newPassword != confirmation)
        return {Outcome::Mismatch, QStringLiteral("รหัสผ่านและรหัสยืนยันไม่เหมือนกัน กรุณาใส่ใหม่")};
    UserAccounts::storePassword(q, userName, newPassword);
    return {Outcome::Changed, QStringLiteral("ทำการเปลี่ยนแปลงรหัสผ่านให้แล้ว โปรแกรมจะปิดตัวเองเพื่อให้") + u'\n'
                                  + QStringLiteral("เข้าระบบใหม่ (Login)")};
}

}
