#include "DatabaseError.h"

namespace {

std::string compose(const QString& text, DatabaseError::Kind kind)
{
    const QString advice = DatabaseError::advice(kind);
    return (advice.isEmpty() ? text : advice + QStringLiteral("\n\n") + text).toStdString();
}

}  // namespace

DatabaseError::DatabaseError(const QString& databaseText, Kind kind)
    : std::runtime_error(compose(databaseText, kind)), m_databaseText(databaseText), m_kind(kind)
{
}

DatabaseError::DatabaseError(const std::string& databaseText, Kind kind)
    : DatabaseError(QString::fromStdString(databaseText), kind)
{
}

QString DatabaseError::advice(Kind kind)
{
    switch (kind) {
    case Kind::Other:
        break;
    case Kind::Busy:
        return QStringLiteral("ฐานข้อมูลกำลังถูกใช้งานโดยเครื่องอื่นอยู่ โปรดรอสักครู่แล้วลองใหม่อีกครั้ง");
    case Kind::DiskFull:
        return QStringLiteral("พื้นที่ดิสก์ที่เก็บฐานข้อมูลเต็ม โปรดแจ้งผู้ดูแลระบบให้เพิ่มพื้นที่ว่าง แล้วลองใหม่อีกครั้ง");
    case Kind::ReadOnly:
        return QStringLiteral("ฐานข้อมูลเขียนไม่ได้ (อ่านได้อย่างเดียว) โปรดแจ้งผู้ดูแลระบบให้ตรวจสอบสิทธิ์การเขียนฐานข้อมูล");
    case Kind::Damaged:
        return QStringLiteral("แฟ้มฐานข้อมูลเสียหาย โปรดหยุดบันทึกข้อมูลและแจ้งผู้ดูแลระบบให้กู้คืนจากสำเนาสำรอง");
    case Kind::Moved:
        return QStringLiteral("แฟ้มฐานข้อมูลถูกย้าย ถูกแทนที่ หรือถูกลบ ระหว่างที่โปรแกรมทำงาน โปรดปิดโปรแกรมแล้วเปิดใหม่");
    case Kind::ConnectionLost:
        return QStringLiteral("การเชื่อมต่อกับเครื่องแม่ข่ายฐานข้อมูลขาดหาย โปรดตรวจสอบเครือข่าย แล้วปิดโปรแกรมและเปิดใหม่");
    }
    return QString();
}
