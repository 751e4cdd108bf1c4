#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Writes one worksheet into an .xlsx file with libxlsxwriter, rows in
// ascending order (constant-memory mode keeps a million rows cheap). Cell
// formats are described by value and created once per distinct description.
// Rows and columns are counted from 0 here, as the library counts them.
class XlsxWriter {
public:
    static constexpr uint32_t kAutomatic = 0xFFFFFFFFu;  // colour: the program's default
    static constexpr double kDefaultFontSize = 11.0;     // the workbook's default font
    static constexpr double kDefaultRowHeight = 15.0;    // points, for that font

    enum class Align : uint8_t { General, Center, CenterAcross };
    // Number formats a typed cell value can carry.
    enum class NumberFormat : uint8_t { General, Grouped, GroupedDecimals, Date, Count };
    // Border bits; every border line is thin, continuous, automatic colour.
    enum Border : uint8_t { Left = 1, Top = 2, Right = 4, Bottom = 8 };

    struct Style {
        uint32_t fontColour = kAutomatic;  // 0xRRGGBB
        double fontSize = 0;               // 0: the default font size
        uint32_t fill = kAutomatic;        // solid fill colour 0xRRGGBB; kAutomatic: none
        Align align = Align::General;
        uint8_t borders = 0;               // Border bits
        NumberFormat numberFormat = NumberFormat::General;

        bool isDefault() const { return *this == Style(); }
        bool operator==(const Style&) const = default;
    };

    struct PageSetup {
        QString leftHeader, centerHeader, rightHeader;  // header codes as &P, &N, &D, &T
        QString leftFooter, centerFooter, rightFooter;
        // Margins in points (1/72 inch); a negative value keeps the default.
        double leftMargin = -1, rightMargin = -1, topMargin = -1, bottomMargin = -1;
        double headerMargin = -1, footerMargin = -1;
        bool portrait = true;
        int paperSize = 0;            // 0: the printer's default; 9 is A4
        bool overThenDown = false;    // page order; false: down, then over
        int firstPageNumber = 0;      // 0: automatic
    };

    // Nothing touches the disk before close(), apart from the library's own
    // temporary files, which it removes.
    XlsxWriter(const QString& path, const QString& sheetName);
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    // The format for a style, made on first use; nullptr for the default style.
    lxw_format* format(const Style& style);

    void setColumnWidth(int column, double width);   // in character units
    void setPageSetup(const PageSetup& setup);
    // Before any cell of that row is written.
    void setRow(int row, double heightPoints, lxw_format* format);
    // Control characters and other characters XML cannot hold are written
    // the way the workbook format spells them (_x0001_).
    void writeText(int row, int column, QStringView text, lxw_format* format);
    void writeNumber(int row, int column, double value, lxw_format* format);
    // Writes nothing for a null format: an unformatted empty cell is no cell.
    void writeBlank(int row, int column, lxw_format* format);

    // Assembles the file. Every failure, here or in a write before, throws
    // std::runtime_error with the library's own message.
    void close();

private:
    struct StyleHash {
        size_t operator()(const Style& s) const;
    };
    void check(int error, const char* what);
    void checkCell(int error, int row, int column);
    void writeUtf8(int row, int column, QStringView text, lxw_format* format);
    std::string headerFooter(const QString& left, const QString& center, const QString& right) const;

    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    std::string m_path;
    std::string m_utf8;  // reused for every text cell
    std::unordered_map<Style, lxw_format*, StyleHash> m_formats;
};
