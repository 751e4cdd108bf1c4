#include "SheetMessages.h"

#include "ColumnLetters.h"
#include "RegularFile.h"
#include "Workbook.h"

#include <QDir>

#include <cerrno>

namespace SheetMessages {

namespace {

QString systemReason(int err, const QString& text)
{
    QString thai;
    switch (err) {
    case EACCES:
    case EPERM:
        thai = QStringLiteral("ไม่มีสิทธิ์อ่านแฟ้มนี้");
        break;
    case EIO:
        thai = QStringLiteral("อ่านข้อมูลจากดิสก์ไม่ได้");
        break;
    case ENOENT:
        thai = QStringLiteral("ไม่พบแฟ้ม");
        break;
    default:
        thai = QStringLiteral("ระบบแจ้งว่า");
        break;
    }
    return thai + QStringLiteral(" (") + text + QStringLiteral(")");
}

QString quoted(const QString& path)
{
    return QStringLiteral("\"") + QDir::toNativeSeparators(path) + QStringLiteral("\"");
}

}

QString file(const QString& path)
{
    return QStringLiteral("แฟ้ม ") + quoted(path);
}

QString askAgainOrResave()
{
    return QStringLiteral("กรุณาขอแฟ้มนี้จากผู้ส่งใหม่ หรือเปิดแฟ้มในโปรแกรมตารางคำนวณ (เช่น Excel) แล้วบันทึกใหม่อีกครั้ง จากนั้นนำเข้าใหม่");
}

QString saveAsReadable()
{
    return QStringLiteral("กรุณาเปิดแฟ้มนี้ในโปรแกรมตารางคำนวณ (เช่น Excel) แล้วบันทึกเป็นชนิด \"Excel Workbook (*.xlsx)\" "
                          "หรือ \"Excel 97-2003 Workbook (*.xls)\" แล้วนำเข้าใหม่");
}

void fail(const QString& message)
{
    throw Workbook::Error(message);
}

void failDamaged(const QString& path, const QString& where)
{
    fail(file(path) + QStringLiteral(" เสียหาย อ่านไม่ได้ (") + where + QStringLiteral(") ") + askAgainOrResave());
}

void failPassword(const QString& path)
{
    fail(file(path) + QStringLiteral(" มีรหัสผ่าน อ่านไม่ได้ กรุณาเปิดในโปรแกรมตารางคำนวณ เอารหัสผ่านออก แล้วบันทึกใหม่"));
}

void failEmpty(const QString& path)
{
    fail(file(path) + QStringLiteral(" ว่างเปล่า (ขนาด 0 ไบต์) ไม่มีข้อมูลให้อ่าน"));
}

void failCell(const QString& path, int row, int col, const QString& what)
{
    const QString letters = col >= 1 && col <= ColumnLetters::kMaxColumn ? ColumnLetters::name(col) : QString::number(col);
    fail(QStringLiteral("เซลล์ ") + letters + QString::number(row) + QStringLiteral(" (แถว ") + QString::number(row)
         + QStringLiteral(" คอลัมน์ ") + letters + QStringLiteral(") ของแฟ้ม ") + quoted(path) + QStringLiteral(" ") + what);
}

void failOutOfMemory(const QString& path)
{
    fail(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่าน") + file(path));
}

QString notANumber()
{
    return QStringLiteral("มีค่าที่ไม่ใช่ตัวเลขที่ถูกต้อง (#NUM!) กรุณาแก้เซลล์นี้ในโปรแกรมตารางคำนวณ แล้วบันทึกใหม่");
}

QString errorValue(const QString& name)
{
    return QStringLiteral("มีค่าผิดพลาด ") + name + QStringLiteral(" กรุณาแก้สูตรหรือค่าในเซลล์นี้ในโปรแกรมตารางคำนวณ แล้วบันทึกใหม่");
}

QByteArray readWholeFile(const QString& path)
{
    if (path.isEmpty())
        fail(QStringLiteral("ยังไม่ได้เลือกแฟ้ม"));
    RegularFile f = RegularFile::read(path, kMaxFileSize);
    switch (f.outcome) {
    case RegularFile::Outcome::Read:
        break;
    case RegularFile::Outcome::Missing:
        fail(QStringLiteral("ไม่พบแฟ้ม ") + quoted(path));
    case RegularFile::Outcome::Directory:
        fail(quoted(path) + QStringLiteral(" เป็นโฟลเดอร์ ไม่ใช่แฟ้ม"));
    case RegularFile::Outcome::NotRegular:
        fail(quoted(path) + QStringLiteral(" ไม่ใช่แฟ้มข้อมูลธรรมดา (เป็นท่อส่งข้อมูล อุปกรณ์ หรือซ็อกเก็ต) จึงไม่อ่าน"));
    case RegularFile::Outcome::TooLarge:
        fail(file(path) + QStringLiteral(" ใหญ่เกินกว่าจะเป็นแฟ้มตารางข้อมูลจาก SAP (")
             + QString::number(f.size / (1024 * 1024)) + QStringLiteral(" MB)"));
    case RegularFile::Outcome::OpenFailed:
        fail(QStringLiteral("เปิดแฟ้ม ") + quoted(path) + QStringLiteral(" ไม่ได้: ") + systemReason(f.error, f.reason));
    case RegularFile::Outcome::ReadFailed:
        fail(QStringLiteral("อ่านแฟ้ม ") + quoted(path) + QStringLiteral(" ไม่ได้: ") + systemReason(f.error, f.reason));
    }
    if (f.bytes.isEmpty())
        failEmpty(path);
    return std::move(f.bytes);
}

}
