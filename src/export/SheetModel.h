#pragma once

#include "CellRange.h"
#include "XlsxWriter.h"

#include <QString>

#include <map>
#include <vector>

class TextGrid;

// One worksheet as the export builds it: where cell texts come from, and the
// formatting operations applied to ranges, in the order they were applied.
// A cell's format is what those operations leave on it, worked out when the
// cell is written; so a grid of a million cells costs a handful of rules here,
// not a million formats. Rows and columns count from 1.
class SheetModel {
public:
    using Style = XlsxWriter::Style;
    using Align = XlsxWriter::Align;

    // The border lines a range operation can draw, by the numbers the
    // spreadsheet program gives them.
    enum class Edge { Left = 7, Top = 8, Bottom = 9, Right = 10, InsideVertical = 11 };

    // One formatting operation as it acts on the cells of its area.
    struct Rule {
        enum Kind { FontColour, FontSize, Fill, Alignment, Borders, InsideVertical };
        CellRange area;
        Kind kind;
        uint32_t value = 0;   // colour 0xRRGGBB, Align, or Border bits
        double size = 0;
    };

    QString name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    // Cell texts. A later placement over the same cell wins.
    void setText(int row, int column, const QString& text);
    // Grid rows firstGridRow, firstGridRow + 1, ... into sheet rows
    // firstSheetRow .. firstSheetRow + count - 1, every grid column into the
    // sheet column after it; rows past the grid's end are written empty.
    // The grid is read at writing time: it must outlive the model.
    void placeGridRows(const TextGrid& grid, int firstGridRow, int count, int firstSheetRow);

    // Formatting, as applied to a range: rows from CellRange::rows() also set
    // the format of the rows themselves.
    void setFontColour(const CellRange& range, int windowsColour);
    void setFontSize(const CellRange& range, double points);
    void setFill(const CellRange& range, int windowsColour);
    void setAlignment(const CellRange& range, Align align);
    // A thin continuous line in the automatic colour.
    void setBorder(const CellRange& range, Edge edge);

    void setColumnWidth(int column, double width);
    XlsxWriter::PageSetup& pageSetup() { return m_page; }
    const XlsxWriter::PageSetup& pageSetup() const { return m_page; }

    // Reading the model back.
    const std::vector<Rule>& rules() const { return m_rules; }
    const std::map<int, double>& columnWidths() const { return m_widths; }
    // The last row holding a text or a format.
    int lastRow() const;

    struct Placement {
        int top, left, bottom, right;
        const TextGrid* grid;  // nullptr: a single cell holding text
        int gridRowOffset;     // grid row = sheet row - gridRowOffset
        QString text;
    };
    const std::vector<Placement>& placements() const { return m_placements; }
    // The text placed in a cell; false when nothing was placed there.
    static bool textOf(const Placement& p, int row, int column, QString& text);

    // Folds one rule into a style for a cell of column `column` in its area.
    static void apply(const Rule& rule, int column, Style& style);
    // What the rules leave on one cell, and on a whole row.
    Style styleAt(int row, int column) const;
    Style rowStyle(int row) const;

    // The colour in the writer's 0xRRGGBB form of a Windows colour value
    // (red + 256 x green + 65536 x blue).
    static uint32_t rgb(int windowsColour);

private:
    void addRule(const CellRange& area, Rule::Kind kind, uint32_t value, double size = 0);

    QString m_name;
    std::vector<Placement> m_placements;
    std::vector<Rule> m_rules;
    std::map<int, double> m_widths;
    XlsxWriter::PageSetup m_page;
};
