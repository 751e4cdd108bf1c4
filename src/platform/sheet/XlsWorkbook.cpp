#include "XlsWorkbook.h"

#include "ColumnLetters.h"

#include "CellText.h"
#include "FormulaCells.h"
#include "SheetMessages.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>

namespace {

const uint8_t kOleMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

using SheetMessages::fail;

[[noreturn]] void failDamaged(const QString& path, const QString& where)
{
    SheetMessages::failDamaged(path, where);
}

bool startsWith(const QByteArray& b, qsizetype at, const char* s)
{
    const qsizetype n = static_cast<qsizetype>(std::strlen(s));
    return b.size() >= at + n && std::memcmp(b.constData() + at, s, static_cast<size_t>(n)) == 0;
}

// What a file that is not a compound file is, told by its first bytes (for
// callers that hand this reader a file without asking WorkbookFile first).
[[noreturn]] void refuseOther(const QByteArray& b, const QString& path)
{
    const QString file = SheetMessages::file(path);
    if (startsWith(b, 0, "PK\x03\x04"))
        fail(file + QStringLiteral(" เป็นแฟ้ม Excel 2007 ขึ้นไป (.xlsx) หรือ OpenDocument (.ods) ไม่ใช่แฟ้ม Excel 97-2003 (.xls)"));
    fail(file + QStringLiteral(" ไม่ใช่แฟ้ม Excel 97-2003 (.xls) ") + SheetMessages::saveAsReadable());
}

template <typename T>
struct GObjectRef {
    T* p = nullptr;
    ~GObjectRef()
    {
        if (p)
            g_object_unref(p);
    }
};

// The workbook stream of a compound file: "Workbook" (Excel 97-2003) or
// "Book" (Excel 5.0/95), read whole.
std::vector<uint8_t> workbookStream(const QByteArray& bytes, const QString& path)
{
    // libgsf reports a damaged container on stderr as well as in its result;
    // the result is what the user gets, so the log lines are dropped.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        // Some of libgsf's messages carry no domain at all.
        for (const char* domain : {static_cast<const char*>(nullptr), "libgsf", "libgsf:msole", "libgsf:utils"})
            g_log_set_handler(domain, static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR),
                              [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
    GObjectRef<GsfInput> input{gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()),
                                                    static_cast<gsf_off_t>(bytes.size()), FALSE)};
    GError* err = nullptr;
    GObjectRef<GsfInfile> ole{gsf_infile_msole_new(input.p, &err)};
    if (err)
        g_error_free(err);
    if (!ole.p)
        failDamaged(path, QStringLiteral("ส่วนหัวของแฟ้มอ่านไม่ได้"));

    int book = -1;
    int book5 = -1;
    bool encrypted = false;
    QStringList names;
    const int n = gsf_infile_num_children(ole.p);
    for (int i = 0; i < n; ++i) {
        const char* name = gsf_infile_name_by_index(ole.p, i);
        if (!name)
            continue;
        if (g_ascii_strcasecmp(name, "Workbook") == 0 && book < 0)
            book = i;
        else if (g_ascii_strcasecmp(name, "Book") == 0 && book5 < 0)
            book5 = i;
        else if (g_ascii_strcasecmp(name, "EncryptedPackage") == 0 || g_ascii_strcasecmp(name, "EncryptionInfo") == 0)
            encrypted = true;
        names << QString::fromUtf8(name);
    }
    if (book < 0)
        book = book5;
    if (book < 0 && encrypted)
        SheetMessages::failPassword(path);
    if (book < 0) {
        QString kind;
        if (names.contains(QStringLiteral("WordDocument")))
            kind = QStringLiteral(" (เป็นเอกสาร Word)");
        else if (names.contains(QStringLiteral("PowerPoint Document")))
            kind = QStringLiteral(" (เป็นงานนำเสนอ PowerPoint)");
        fail(SheetMessages::file(path) + QStringLiteral(" ไม่ใช่แฟ้ม Excel 97-2003 (.xls): ไม่มีข้อมูลสมุดงานอยู่ในแฟ้ม")
             + kind);
    }

    GObjectRef<GsfInput> stream{gsf_infile_child_by_index(ole.p, book)};
    if (!stream.p)
        failDamaged(path, QStringLiteral("ข้อมูลสมุดงานภายในแฟ้มเปิดไม่ได้"));
    const gsf_off_t size = gsf_input_size(stream.p);
    // A stream holds no more than the file around it.
    if (size < 0 || size > bytes.size())
        failDamaged(path, QStringLiteral("ขนาดของข้อมูลสมุดงานเกินขนาดแฟ้ม"));
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && !gsf_input_read(stream.p, static_cast<size_t>(size), data.data()))
        failDamaged(path, QStringLiteral("ข้อมูลสมุดงานขาดหาย อ่านได้ไม่ครบ"));
    return data;
}

bool isRawBiff(const QByteArray& b)
{
    if (b.size() < 8)
        return false;
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData());
    const uint16_t type = static_cast<uint16_t>(p[0] | p[1] << 8);
    const uint16_t len = static_cast<uint16_t>(p[2] | p[3] << 8);
    return (type == 0x0809 || type == 0x0009 || type == 0x0209 || type == 0x0409) && len >= 4 && len <= 32;
}

const char* errorName(uint8_t code)
{
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    case 0x2B: return "#GETTING_DATA";
    default: return "#ERROR";
    }
}

}

void XlsWorkbook::open(const QString& path)
{
    close();
    openData(SheetMessages::readWholeFile(path), path);
}

void XlsWorkbook::openData(const QByteArray& bytes, const QString& path)
{
    close();
    if (bytes.isEmpty())
        SheetMessages::failEmpty(path);
    std::vector<uint8_t> stream;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (bytes.size() >= 8 && std::memcmp(bytes.constData(), kOleMagic, 8) == 0) {
        stream = workbookStream(bytes, path);
        data = stream.data();
        size = stream.size();
    } else if (isRawBiff(bytes)) {
        // A bare workbook stream without the container, as some programs write.
        data = reinterpret_cast<const uint8_t*>(bytes.constData());
        size = static_cast<size_t>(bytes.size());
    } else {
        refuseOther(bytes, path);
    }

    const QString file = SheetMessages::file(path);
    try {
        m_book.parse(data, size);
    } catch (const BiffBook::Failure& f) {
        m_book = BiffBook();
        const QString where = QString::fromStdString(f.what());
        switch (f.kind) {
        case BiffBook::Failure::Kind::Password:
            SheetMessages::failPassword(path);
        case BiffBook::Failure::Kind::OldVersion:
            fail(file + QStringLiteral(" เป็นแฟ้ม Excel รุ่นเก่า (") + where
                 + QStringLiteral(") ที่โปรแกรมอ่านไม่ได้ ") + SheetMessages::saveAsReadable());
        case BiffBook::Failure::Kind::NoWorksheet:
            fail(file + QStringLiteral(" ไม่มีแผ่นงาน (worksheet) ให้อ่าน หรือแฟ้มเสียหาย"));
        case BiffBook::Failure::Kind::Damaged:
            failDamaged(path, where);
        }
    } catch (const std::bad_alloc&) {
        m_book = BiffBook();
        SheetMessages::failOutOfMemory(path);
    }
    m_path = path;
    m_open = true;
}

void XlsWorkbook::close()
{
    m_book = BiffBook();
    m_open = false;
}

void XlsWorkbook::failCell(int row, int col, const QString& what) const
{
    SheetMessages::failCell(m_path, row, col, what);
}

void XlsWorkbook::readCell(int row, int col, QString& text) const
{
    const BiffBook::Cell* c = m_open ? m_book.find(row - 1, col - 1) : nullptr;
    if (!c) {
        text.resize(0);
        return;
    }
    switch (c->kind) {
    case BiffBook::CellKind::Text: {
        const std::u16string_view v = m_book.text(c->text);
        text.resize(static_cast<qsizetype>(v.size()));
        if (!v.empty())
            std::memcpy(static_cast<void*>(text.data()), v.data(), v.size() * sizeof(char16_t));
        return;
    }
    case BiffBook::CellKind::Number: {
        const CellText::DateKind kind = m_book.dateKind(c->xf);
        if (kind != CellText::DateKind::None && CellText::setDate(text, c->number, m_book.system1904(), kind))
            return;
        if (!std::isfinite(c->number))
            failCell(row, col, SheetMessages::notANumber());
        CellText::setNumber(text, c->number);
        return;
    }
    case BiffBook::CellKind::Bool:
        text = c->code ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        return;
    case BiffBook::CellKind::Error:
        failCell(row, col, SheetMessages::errorValue(QLatin1String(errorName(c->code))));
    case BiffBook::CellKind::Broken:
        if (c->code == BiffBook::FormulaUnknown) {
            const std::u16string_view why = m_book.text(c->text);
            failCell(row, col, FormulaCells::failure(QString::fromUtf16(why.data(), static_cast<qsizetype>(why.size()))));
        }
        failCell(row, col, c->code == BiffBook::MissingFormulaText
                               ? QStringLiteral("เสียหาย: ไม่พบข้อความที่เป็นผลของสูตร")
                           : c->code == BiffBook::MissingText
                               ? QStringLiteral("เสียหาย: อ้างถึงข้อความที่ไม่มีอยู่ในแฟ้ม")
                               : QStringLiteral("เสียหาย: ผลของสูตรเป็นชนิดที่ไม่รู้จัก"));
    }
    text.resize(0);
}
