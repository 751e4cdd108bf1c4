#include "XlsWorkbook.h"

#include "ColumnLetters.h"

#include "CellText.h"
#include "RegularFile.h"

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

// No real .xls comes near this; a larger file is something else and is not
// read into memory.
constexpr qint64 kMaxFileSize = 512LL * 1024 * 1024;

const uint8_t kOleMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

QString quoted(const QString& path)
{
    return QStringLiteral("\"") + QDir::toNativeSeparators(path) + QStringLiteral("\"");
}

const QString& saveAsXls()
{
    static const QString s = QStringLiteral(
        "กรุณาเปิดแฟ้มนี้ใน Excel แล้วใช้ \"บันทึกเป็น\" ชนิด \"Excel 97-2003 Workbook (*.xls)\" แล้วนำเข้าใหม่");
    return s;
}

[[noreturn]] void fail(const QString& message)
{
    throw Workbook::Error(message);
}

QString damaged(const QString& path, const QString& where)
{
    return QStringLiteral("แฟ้ม ") + quoted(path) + QStringLiteral(" เสียหาย (ไม่ใช่แฟ้ม Excel 97-2003 ที่สมบูรณ์): ")
           + where;
}

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

// Said both of a file of no bytes and of one that gave none when read.
[[noreturn]] void failEmpty(const QString& path)
{
    fail(QStringLiteral("แฟ้ม ") + quoted(path) + QStringLiteral(" ว่างเปล่า (ขนาด 0 ไบต์) ไม่มีข้อมูลให้อ่าน"));
}

QByteArray readRegularFile(const QString& path)
{
    RegularFile file = RegularFile::read(path, kMaxFileSize);
    switch (file.outcome) {
    case RegularFile::Outcome::Read:
        break;
    case RegularFile::Outcome::Missing:
        fail(QStringLiteral("ไม่พบแฟ้ม ") + quoted(path));
    case RegularFile::Outcome::Directory:
        fail(quoted(path) + QStringLiteral(" เป็นโฟลเดอร์ ไม่ใช่แฟ้ม"));
    case RegularFile::Outcome::NotRegular:
        fail(quoted(path) + QStringLiteral(" ไม่ใช่แฟ้มข้อมูลธรรมดา (เป็นท่อส่งข้อมูล อุปกรณ์ หรือซ็อกเก็ต) จึงไม่อ่าน"));
    case RegularFile::Outcome::TooLarge:
        fail(QStringLiteral("แฟ้ม ") + quoted(path) + QStringLiteral(" ใหญ่เกินกว่าจะเป็นแฟ้ม Excel 97-2003 (")
             + QString::number(file.size / (1024 * 1024)) + QStringLiteral(" MB)"));
    case RegularFile::Outcome::OpenFailed:
        fail(QStringLiteral("เปิดแฟ้ม ") + quoted(path) + QStringLiteral(" ไม่ได้: ")
             + systemReason(file.error, file.reason));
    case RegularFile::Outcome::ReadFailed:
        fail(QStringLiteral("อ่านแฟ้ม ") + quoted(path) + QStringLiteral(" ไม่ได้: ")
             + systemReason(file.error, file.reason));
    }
    if (file.bytes.isEmpty())
        failEmpty(path);
    return std::move(file.bytes);
}

bool startsWith(const QByteArray& b, qsizetype at, const char* s)
{
    const qsizetype n = static_cast<qsizetype>(std::strlen(s));
    return b.size() >= at + n && std::memcmp(b.constData() + at, s, static_cast<size_t>(n)) == 0;
}

// What a file that is not a compound file is, told by its first bytes.
[[noreturn]] void refuseOther(const QByteArray& b, const QString& path)
{
    const QString file = QStringLiteral("แฟ้ม ") + quoted(path);
    if (startsWith(b, 0, "PK\x03\x04")) {
        if (startsWith(b, 30, "mimetype") && startsWith(b, 38, "application/vnd.oasis.opendocument"))
            fail(file + QStringLiteral(" เป็นแฟ้ม OpenDocument (.ods) ไม่ใช่แฟ้ม Excel 97-2003 (.xls) ") + saveAsXls());
        fail(file + QStringLiteral(" เป็นแฟ้ม Excel 2007 ขึ้นไป (.xlsx) ไม่ใช่แฟ้ม Excel 97-2003 (.xls) ") + saveAsXls());
    }
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData());
    const qsizetype n = std::min<qsizetype>(b.size(), 4096);
    bool text = n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF));  // UTF-16 text
    qsizetype i = startsWith(b, 0, "\xEF\xBB\xBF") ? 3 : 0;
    if (!text) {
        while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n'))
            ++i;
        if (i < n && p[i] == '<')
            fail(file + QStringLiteral(" เป็นหน้าเว็บหรือแฟ้ม XML (HTML/XML) ที่ตั้งชื่อเป็น .xls ไม่ใช่แฟ้ม Excel 97-2003 (.xls) ")
                 + saveAsXls());
        qsizetype control = 0;
        for (qsizetype k = 0; k < n; ++k)
            if (p[k] == 0 || (p[k] < 0x20 && p[k] != '\t' && p[k] != '\r' && p[k] != '\n' && p[k] != '\f'))
                ++control;
        text = control == 0;
    }
    if (text)
        fail(file + QStringLiteral(" เป็นแฟ้มข้อความ (text) ที่ตั้งชื่อเป็น .xls ไม่ใช่แฟ้ม Excel 97-2003 (.xls) ") + saveAsXls());
    fail(file + QStringLiteral(" ไม่ใช่แฟ้ม Excel 97-2003 (.xls) และไม่ใช่แฟ้มชนิดที่โปรแกรมรู้จัก ") + saveAsXls());
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
        fail(damaged(path, QStringLiteral("โครงสร้างภายในแฟ้ม (compound file) อ่านไม่ได้")));

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
        fail(QStringLiteral("แฟ้ม ") + quoted(path)
             + QStringLiteral(" มีรหัสผ่าน (แฟ้ม Excel 2007 ขึ้นไปที่เข้ารหัสไว้) อ่านไม่ได้ กรุณาเปิดใน Excel "
                              "เอารหัสผ่านออก แล้วบันทึกเป็นชนิด \"Excel 97-2003 Workbook (*.xls)\" ใหม่"));
    if (book < 0) {
        QString kind;
        if (names.contains(QStringLiteral("WordDocument")))
            kind = QStringLiteral(" (เป็นเอกสาร Word)");
        else if (names.contains(QStringLiteral("PowerPoint Document")))
            kind = QStringLiteral(" (เป็นงานนำเสนอ PowerPoint)");
        fail(QStringLiteral("แฟ้ม ") + quoted(path) + QStringLiteral(" ไม่ใช่แฟ้ม Excel 97-2003 (.xls): ไม่มีข้อมูลสมุดงานอยู่ในแฟ้ม")
             + kind);
    }

    GObjectRef<GsfInput> stream{gsf_infile_child_by_index(ole.p, book)};
    if (!stream.p)
        fail(damaged(path, QStringLiteral("ข้อมูลสมุดงานภายในแฟ้มเปิดไม่ได้")));
    const gsf_off_t size = gsf_input_size(stream.p);
    // A stream holds no more than the file around it.
    if (size < 0 || size > bytes.size())
        fail(damaged(path, QStringLiteral("ขนาดของข้อมูลสมุดงานเกินขนาดแฟ้ม")));
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && !gsf_input_read(stream.p, static_cast<size_t>(size), data.data()))
        fail(damaged(path, QStringLiteral("ข้อมูลสมุดงานขาดหาย อ่านได้ไม่ครบ")));
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
    if (path.isEmpty())
        fail(QStringLiteral("ยังไม่ได้เลือกแฟ้ม"));
    openData(readRegularFile(path), path);
}

void XlsWorkbook::openData(const QByteArray& bytes, const QString& path)
{
    close();
    if (bytes.isEmpty())
        failEmpty(path);
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

    const QString file = QStringLiteral("แฟ้ม ") + quoted(path);
    try {
        m_book.parse(data, size);
    } catch (const BiffBook::Failure& f) {
        m_book = BiffBook();
        const QString where = QString::fromStdString(f.what());
        switch (f.kind) {
        case BiffBook::Failure::Kind::Password:
            fail(file + QStringLiteral(" มีรหัสผ่าน อ่านไม่ได้ กรุณาเปิดใน Excel เอารหัสผ่านออก แล้วบันทึกใหม่"));
        case BiffBook::Failure::Kind::OldVersion:
            fail(file + QStringLiteral(" เป็นแฟ้ม Excel รุ่นเก่า (") + where
                 + QStringLiteral(") ที่โปรแกรมอ่านไม่ได้ ") + saveAsXls());
        case BiffBook::Failure::Kind::NoWorksheet:
            fail(file + QStringLiteral(" ไม่มีแผ่นงาน (worksheet) ให้อ่าน หรือแฟ้มเสียหาย"));
        case BiffBook::Failure::Kind::Damaged:
            fail(damaged(path, where));
        }
    } catch (const std::bad_alloc&) {
        m_book = BiffBook();
        fail(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่าน") + file);
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
    const QString letters = ColumnLetters::name(col);
    fail(QStringLiteral("เซลล์ ") + letters + QString::number(row) + QStringLiteral(" (แถว ") + QString::number(row) + QStringLiteral(" คอลัมน์ ")
         + letters + QStringLiteral(") ของแฟ้ม ") + quoted(m_path) + QStringLiteral(" ") + what);
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
            failCell(row, col, QStringLiteral("มีค่าที่ไม่ใช่ตัวเลขที่ถูกต้อง (#NUM!) กรุณาแก้เซลล์นี้ใน Excel แล้วบันทึกใหม่"));
        CellText::setNumber(text, c->number);
        return;
    }
    case BiffBook::CellKind::Bool:
        text = c->code ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        return;
    case BiffBook::CellKind::Error:
        failCell(row, col, QStringLiteral("มีค่าผิดพลาด ") + QLatin1String(errorName(c->code))
                               + QStringLiteral(" กรุณาแก้สูตรหรือค่าในเซลล์นี้ใน Excel แล้วบันทึกใหม่"));
    case BiffBook::CellKind::Broken:
        failCell(row, col, c->code == BiffBook::MissingFormulaText
                               ? QStringLiteral("เสียหาย: ไม่พบข้อความที่เป็นผลของสูตร")
                           : c->code == BiffBook::MissingText
                               ? QStringLiteral("เสียหาย: อ้างถึงข้อความที่ไม่มีอยู่ในแฟ้ม")
                               : QStringLiteral("เสียหาย: ผลของสูตรเป็นชนิดที่ไม่รู้จัก"));
    }
    text.resize(0);
}
