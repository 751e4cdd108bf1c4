#include "SearchText.h"

#include "ColumnLimits.h"

namespace {
// QLineEdit's own maximum length.
constexpr int kEditDefaultMaxLength = 32767;
}  // namespace

int SearchText::columnLength(ReportSelection::Mode mode)
{
    switch (mode) {
    case ReportSelection::Mode::ChequeNo:
        return ColumnLimits::length(QStringLiteral("TSQ_Cheque_Main"), QStringLiteral("Check_No"));
    case ReportSelection::Mode::DekaNumber:
        return ColumnLimits::length(QStringLiteral("TSQ_Cheque_Main"), QStringLiteral("Deka_Number"));
    case ReportSelection::Mode::VendorName:
        return ColumnLimits::length(QStringLiteral("TSQ_Cheque_Main"), QStringLiteral("Vendor_Name"));
    case ReportSelection::Mode::All:
        break;
    }
    return 0;
}

int SearchText::boxMaxLength(ReportSelection::Mode mode)
{
    const int limit = columnLength(mode);
    return limit == ColumnLimits::kFree ? kEditDefaultMaxLength : limit + 1;
}

QString SearchText::refusal(const ReportSelection& selection)
{
    if (selection.mode == ReportSelection::Mode::All)
        return QString();
    const QString& t = selection.text;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.unicode() == 0)
            return QStringLiteral("ข้อความที่ค้นหามีอักขระ NUL ซึ่งค้นหาไม่ได้ โปรดลบออกแล้วค้นหาใหม่");
        if (c.isHighSurrogate() && i + 1 < t.size() && t.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("ข้อความที่ค้นหามีอักขระที่ไม่สมบูรณ์ (ครึ่งหนึ่งของอักขระ) ซึ่งค้นหาไม่ได้ "
                                  "โปรดพิมพ์ข้อความใหม่");
    }
    const int limit = columnLength(selection.mode);
    if (limit == ColumnLimits::kFree)
        return QString();
    // "=" ignores trailing blanks, as both databases compare; LIKE does not.
    qsizetype length = t.size();
    if (selection.mode != ReportSelection::Mode::VendorName)
        while (length > 0 && t.at(length - 1) == u' ')
            --length;
    if (length > limit)
        return QStringLiteral("ข้อความที่ค้นหายาว %1 ตัวอักษร เกินกว่าข้อมูลที่เก็บได้ (%2 ตัวอักษร) "
                              "จึงไม่มีข้อมูลใดตรงกับข้อความนี้ โปรดตรวจสอบข้อความ")
            .arg(length)
            .arg(limit);
    return QString();
}
