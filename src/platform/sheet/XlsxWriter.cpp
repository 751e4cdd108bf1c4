#include "XlsxWriter.h"

#include <xlsxwriter.h>

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <functional>
#include <stdexcept>

namespace {

// Built-in number formats that the spreadsheet program itself gives typed
// input: 3 "#,##0", 4 "#,##0.00", 14 the user's short date.
uint8_t builtinIndex(XlsxWriter::NumberFormat f)
{
    switch (f) {
    case XlsxWriter::NumberFormat::Grouped: return 3;
    case XlsxWriter::NumberFormat::GroupedDecimals: return 4;
    case XlsxWriter::NumberFormat::Date: return 14;
    default: return 0;
    }
}

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// Characters an XML file cannot carry, which the workbook format writes as
// _xHHHH_; and a literal "_xHHHH_" must then be marked, or it would be read
// back as the character it spells.
bool needsEscape(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    if (c < 0x20)
        return c != u'\t' && c != u'\n' && c != u'\r';
    if (c >= 0xFFFE)
        return true;
    if (QChar::isHighSurrogate(c))
        return i + 1 >= text.size() || !QChar::isLowSurrogate(text[i + 1].unicode());
    if (QChar::isLowSurrogate(c))
        return i == 0 || !QChar::isHighSurrogate(text[i - 1].unicode());
    if (c == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_')
        return isHex(text[i + 2]) && isHex(text[i + 3]) && isHex(text[i + 4]) && isHex(text[i + 5]);
    return false;
}

QString escaped(QStringView text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (needsEscape(text, i))
            out += QStringLiteral("_x")
                   + QString::number(text[i].unicode(), 16).toUpper().rightJustified(4, u'0')
                   + u'_';
        else
            out += text[i];
    }
    return out;
}

double inches(double points)
{
    return points / 72.0;
}

}

size_t XlsxWriter::StyleHash::operator()(const Style& s) const
{
    size_t h = std::hash<uint32_t>()(s.fontColour);
    const auto mix = [&h](size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(std::hash<double>()(s.fontSize));
    mix(s.fill);
    mix(static_cast<size_t>(s.align));
    mix(s.borders);
    mix(static_cast<size_t>(s.numberFormat));
    return h;
}

XlsxWriter::XlsxWriter(const QString& path, const QString& sheetName)
    : m_path(path.toStdString())
{
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(m_path.c_str(), &options);
    if (!m_workbook)
        throw std::runtime_error(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
    const QByteArray name = sheetName.toUtf8();
    m_sheet = workbook_add_worksheet(m_workbook, name.constData());
    if (!m_sheet) {
        // Either the name was refused or the library could not make its
        // temporary file; it reports neither more precisely.
        lxw_workbook_free(m_workbook);
        m_workbook = nullptr;
        throw std::runtime_error(std::string(lxw_strerror(LXW_ERROR_CREATING_TMPFILE)) + " ("
                                 + name.toStdString() + ")");
    }
}

XlsxWriter::~XlsxWriter()
{
    // Not closed: an earlier step failed; drop everything without writing.
    if (m_workbook)
        lxw_workbook_free(m_workbook);
}

void XlsxWriter::check(int error, const char* what)
{
    if (error != LXW_NO_ERROR)
        throw std::runtime_error(std::string(lxw_strerror(static_cast<lxw_error>(error))) + " ("
                                 + what + ")");
}

void XlsxWriter::checkCell(int error, int row, int column)
{
    if (error != LXW_NO_ERROR) {
        char cell[LXW_MAX_CELL_NAME_LENGTH];
        lxw_rowcol_to_cell(cell, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column));
        throw std::runtime_error(std::string(lxw_strerror(static_cast<lxw_error>(error)))
                                 + " (cell " + cell + ")");
    }
}

lxw_format* XlsxWriter::format(const Style& style)
{
    if (style.isDefault())
        return nullptr;
    const auto found = m_formats.find(style);
    if (found != m_formats.end())
        return found->second;

    lxw_format* f = workbook_add_format(m_workbook);
    if (!f)
        throw std::runtime_error(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
    if (style.fontColour != kAutomatic)
        format_set_font_color(f, style.fontColour);
    if (style.fontSize > 0)
        format_set_font_size(f, style.fontSize);
    if (style.fill != kAutomatic) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, style.fill);
    }
    if (style.align == Align::Center)
        format_set_align(f, LXW_ALIGN_CENTER);
    else if (style.align == Align::CenterAcross)
        format_set_align(f, LXW_ALIGN_CENTER_ACROSS);
    if (style.borders & Left)
        format_set_left(f, LXW_BORDER_THIN);
    if (style.borders & Top)
        format_set_top(f, LXW_BORDER_THIN);
    if (style.borders & Right)
        format_set_right(f, LXW_BORDER_THIN);
    if (style.borders & Bottom)
        format_set_bottom(f, LXW_BORDER_THIN);
    if (const uint8_t index = builtinIndex(style.numberFormat))
        format_set_num_format_index(f, index);
    m_formats.emplace(style, f);
    return f;
}

void XlsxWriter::setColumnWidth(int column, double width)
{
    check(worksheet_set_column(m_sheet, column, column, width, nullptr), "column width");
}

std::string XlsxWriter::headerFooter(const QString& left, const QString& center,
                                     const QString& right) const
{
    QString s;
    if (!left.isEmpty())
        s += QStringLiteral("&L") + left;
    if (!center.isEmpty())
        s += QStringLiteral("&C") + center;
    if (!right.isEmpty())
        s += QStringLiteral("&R") + right;
    return s.toStdString();
}

void XlsxWriter::setPageSetup(const PageSetup& p)
{
    lxw_header_footer_options header = {};
    header.margin = p.headerMargin >= 0 ? inches(p.headerMargin) : 0.3;
    lxw_header_footer_options footer = {};
    footer.margin = p.footerMargin >= 0 ? inches(p.footerMargin) : 0.3;
    const std::string h = headerFooter(p.leftHeader, p.centerHeader, p.rightHeader);
    const std::string f = headerFooter(p.leftFooter, p.centerFooter, p.rightFooter);
    check(worksheet_set_header_opt(m_sheet, h.c_str(), &header), "page header");
    check(worksheet_set_footer_opt(m_sheet, f.c_str(), &footer), "page footer");
    // The library takes all four margins at once; a negative one keeps its default.
    worksheet_set_margins(m_sheet, p.leftMargin >= 0 ? inches(p.leftMargin) : -1,
                          p.rightMargin >= 0 ? inches(p.rightMargin) : -1,
                          p.topMargin >= 0 ? inches(p.topMargin) : -1,
                          p.bottomMargin >= 0 ? inches(p.bottomMargin) : -1);
    if (p.portrait)
        worksheet_set_portrait(m_sheet);
    else
        worksheet_set_landscape(m_sheet);
    if (p.paperSize > 0)
        worksheet_set_paper(m_sheet, static_cast<uint8_t>(p.paperSize));
    if (p.overThenDown)
        worksheet_print_across(m_sheet);
    if (p.firstPageNumber > 0)
        worksheet_set_start_page(m_sheet, static_cast<uint16_t>(p.firstPageNumber));
}

void XlsxWriter::setRow(int row, double heightPoints, lxw_format* format)
{
    check(worksheet_set_row(m_sheet, row, heightPoints, format), "row format");
}

void XlsxWriter::writeText(int row, int column, QStringView text, lxw_format* format)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // Most text has none of these; only then is a copy made.
        if ((c < 0x20 || c == u'_' || c >= 0xD800) && needsEscape(text, i)) {
            const QString safe = escaped(text);
            writeUtf8(row, column, safe, format);
            return;
        }
    }
    writeUtf8(row, column, text, format);
}

void XlsxWriter::writeUtf8(int row, int column, QStringView text, lxw_format* format)
{
    // Every UTF-16 unit becomes at most three bytes; the buffer only grows.
    const size_t need = static_cast<size_t>(text.size()) * 3 + 1;
    if (m_utf8.size() < need)
        m_utf8.resize(need);
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    char* end = utf8.appendToBuffer(m_utf8.data(), text);
    *end = '\0';
    checkCell(worksheet_write_string(m_sheet, row, column, m_utf8.data(), format), row, column);
}

void XlsxWriter::writeNumber(int row, int column, double value, lxw_format* format)
{
    checkCell(worksheet_write_number(m_sheet, row, column, value, format), row, column);
}

void XlsxWriter::writeBlank(int row, int column, lxw_format* format)
{
    if (format)
        checkCell(worksheet_write_blank(m_sheet, row, column, format), row, column);
}

void XlsxWriter::close()
{
    lxw_workbook* wb = m_workbook;
    m_workbook = nullptr;  // workbook_close frees it whatever the outcome
    const lxw_error error = workbook_close(wb);
    if (error != LXW_NO_ERROR) {
        // Whatever part of the file was written is no workbook.
        const QString path = QString::fromStdString(m_path);
        if (QFileInfo(path).isFile())
            QFile::remove(path);
        throw std::runtime_error(std::string(lxw_strerror(error)) + " (" + m_path + ")");
    }
}
