#include "FreeXlWorkbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstring>
#include <freexl.h>

namespace {

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// "K12" for row 12, column 11: how the user finds the cell in the sheet.
QString cellName(int row, int col)
{
    QString letters;
    for (int c = col; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar('A' + (c - 1) % 26));
    return letters + QString::number(row);
}

void setLatin1(QString& text, const char* begin, const char* end)
{
    text.resize(end - begin);
    QChar* out = text.data();
    for (const char* p = begin; p != end; ++p)
        *out++ = QLatin1Char(*p);
}

void setNumber(QString& text, double value)
{
    char buf[32];
    std::to_chars_result r;
    // Whole numbers below 10^15 print as plain digits (no exponent, no ".0"):
    // check and tax numbers often arrive as numeric cells.
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
    else
        r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    setLatin1(text, buf, r.ptr);
}

// FreeXL gives "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss"; the sheet's own text
// cells carry dates as dd.mm.yyyy. A time of day is kept when there is one.
void setDate(QString& text, const char* iso)
{
    const size_t len = std::strlen(iso);
    if (len < 10 || iso[4] != '-' || iso[7] != '-') {
        setLatin1(text, iso, iso + len);
        return;
    }
    const bool withTime = len > 11 && std::strcmp(iso + 11, "00:00:00") != 0;
    text.resize(withTime ? 10 + 1 + static_cast<qsizetype>(len - 11) : 10);
    QChar* out = text.data();
    const int order[10] = {8, 9, -1, 5, 6, -1, 0, 1, 2, 3};
    for (int i = 0; i < 10; ++i)
        out[i] = order[i] < 0 ? QChar('.') : QLatin1Char(iso[order[i]]);
    if (withTime) {
        out[10] = QChar(' ');
        for (size_t i = 11; i < len; ++i)
            out[i] = QLatin1Char(iso[i]);
    }
}

void setUtf8(QString& text, const char* utf8, QStringDecoder& decoder)
{
    const char* p = utf8;
    while (*p != 0 && static_cast<unsigned char>(*p) < 0x80)
        ++p;
    if (*p == 0) {  // plain ASCII: widened as it is
        setLatin1(text, utf8, p);
        return;
    }
    const qsizetype len = static_cast<qsizetype>((p - utf8) + std::strlen(p));
    // Decoding straight into the caller's buffer keeps its capacity from cell
    // to cell instead of allocating a fresh string for each Thai text.
    text.resize(decoder.requiredSpace(len));
    QChar* end = decoder.appendToBuffer(text.data(), QByteArrayView(utf8, len));
    text.resize(end - text.constData());
}

}

FreeXlWorkbook::~FreeXlWorkbook()
{
    close();
}

void FreeXlWorkbook::fail(const QString& what) const
{
    throw Error(what);
}

void FreeXlWorkbook::open(const QString& path)
{
    close();
    if (path.isEmpty())
        fail(QStringLiteral("ยังไม่ได้เลือกแฟ้ม"));
    const QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("ไม่พบแฟ้ม \"%1\"").arg(shownPath(path)));
    if (info.isDir())
        fail(QStringLiteral("\"%1\" เป็นโฟลเดอร์ ไม่ใช่แฟ้ม").arg(shownPath(path)));

    const void* handle = nullptr;
    const int rc = freexl_open(QFile::encodeName(path).constData(), &handle);
    if (rc != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        switch (rc) {
        case FREEXL_FILE_NOT_FOUND:
            fail(QStringLiteral("เปิดแฟ้ม \"%1\" ไม่ได้").arg(shownPath(path)));
        case FREEXL_INSUFFICIENT_MEMORY:
            fail(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่านแฟ้ม \"%1\"").arg(shownPath(path)));
        default:
            fail(QStringLiteral("แฟ้ม \"%1\" ไม่ใช่แฟ้ม Excel 97-2003 (.xls) หรือแฟ้มเสียหาย (รหัส %2)")
                     .arg(shownPath(path))
                     .arg(rc));
        }
    }
    m_handle = handle;
    m_path = path;

    unsigned int value = 0;
    if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &value) == FREEXL_OK
        && value == FREEXL_BIFF_OBFUSCATED) {
        close();
        fail(QStringLiteral("แฟ้ม \"%1\" มีรหัสผ่าน อ่านไม่ได้").arg(shownPath(path)));
    }
    if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &value) != FREEXL_OK || value == 0) {
        close();
        fail(QStringLiteral("แฟ้ม \"%1\" ไม่มีแผ่นงาน (worksheet) หรือแฟ้มเสียหาย").arg(shownPath(path)));
    }
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_select_active_worksheet(m_handle, 0) != FREEXL_OK
        || freexl_worksheet_dimensions(m_handle, &rows, &cols) != FREEXL_OK) {
        close();
        fail(QStringLiteral("อ่านแผ่นงานแรกของแฟ้ม \"%1\" ไม่ได้ แฟ้มอาจเสียหาย").arg(shownPath(path)));
    }
    m_rows = static_cast<int>(rows);
    m_cols = cols;
}

void FreeXlWorkbook::close()
{
    if (m_handle)
        freexl_close(m_handle);
    m_handle = nullptr;
    m_rows = 0;
    m_cols = 0;
}

void FreeXlWorkbook::readCell(int row, int col, QString& text) const
{
    if (!m_handle || row < 1 || col < 1 || row > m_rows || col > m_cols) {
        text.resize(0);
        return;
    }
    FreeXL_CellValue value;
    const int rc = freexl_get_cell_value(m_handle, static_cast<unsigned>(row - 1),
                                         static_cast<unsigned short>(col - 1), &value);
    if (rc != FREEXL_OK)
        fail(QStringLiteral("อ่านเซลล์ %1 ของแฟ้ม \"%2\" ไม่ได้ (รหัส %3)")
                 .arg(cellName(row, col), shownPath(m_path))
                 .arg(rc));
    switch (value.type) {
    case FREEXL_CELL_INT:
        setNumber(text, value.value.int_value);
        break;
    case FREEXL_CELL_DOUBLE:
        setNumber(text, value.value.double_value);
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        setUtf8(text, value.value.text_value, m_utf8);
        break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
        setDate(text, value.value.text_value);
        break;
    case FREEXL_CELL_TIME:
        setUtf8(text, value.value.text_value, m_utf8);
        break;
    default:
        text.resize(0);
        break;
    }
}
