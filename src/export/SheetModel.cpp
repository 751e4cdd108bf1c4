#include "SheetModel.h"

#include "TextGrid.h"

#include <algorithm>

void SheetModel::setText(int row, int column, const QString& text)
{
    const CellRange c = CellRange::cell(row, column);
    m_placements.push_back({c.top, c.left, c.bottom, c.right, nullptr, 0, text});
}

void SheetModel::placeGridRows(const TextGrid& grid, int firstGridRow, int count, int firstSheetRow)
{
    if (count <= 0 || grid.colCount() <= 0)
        return;
    const CellRange r = CellRange::cells(firstSheetRow, 1, firstSheetRow + count - 1, grid.colCount());
    m_placements.push_back({r.top, r.left, r.bottom, r.right, &grid, firstSheetRow - firstGridRow, {}});
}

bool SheetModel::textOf(const Placement& p, int row, int column, QString& text)
{
    if (row < p.top || row > p.bottom || column < p.left || column > p.right)
        return false;
    text = p.grid ? p.grid->cell(column - 1, row - p.gridRowOffset) : p.text;
    return true;
}

void SheetModel::addRule(const CellRange& area, Rule::Kind kind, uint32_t value, double size)
{
    m_rules.push_back({area, kind, value, size});
}

uint32_t SheetModel::rgb(int windowsColour)
{
    const uint32_t v = static_cast<uint32_t>(windowsColour);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

void SheetModel::setFontColour(const CellRange& range, int windowsColour)
{
    addRule(range, Rule::FontColour, rgb(windowsColour));
}

void SheetModel::setFontSize(const CellRange& range, double points)
{
    addRule(range, Rule::FontSize, 0, points);
}

void SheetModel::setFill(const CellRange& range, int windowsColour)
{
    addRule(range, Rule::Fill, rgb(windowsColour));
}

void SheetModel::setAlignment(const CellRange& range, Align align)
{
    addRule(range, Rule::Alignment, static_cast<uint32_t>(align));
}

void SheetModel::setBorder(const CellRange& r, Edge edge)
{
    // An outline edge belongs to the cells along that side of the range only.
    switch (edge) {
    case Edge::Left:
        addRule(CellRange{r.top, r.left, r.bottom, r.left}, Rule::Borders, XlsxWriter::Left);
        break;
    case Edge::Right:
        addRule(CellRange{r.top, r.right, r.bottom, r.right}, Rule::Borders, XlsxWriter::Right);
        break;
    case Edge::Top:
        addRule(CellRange{r.top, r.left, r.top, r.right}, Rule::Borders, XlsxWriter::Top);
        break;
    case Edge::Bottom:
        addRule(CellRange{r.bottom, r.left, r.bottom, r.right}, Rule::Borders, XlsxWriter::Bottom);
        break;
    case Edge::InsideVertical:
        if (r.left < r.right)
            addRule(r, Rule::InsideVertical, 0);
        break;
    }
}

void SheetModel::setColumnWidth(int column, double width)
{
    m_widths[column] = width;
}

int SheetModel::lastRow() const
{
    int last = 0;
    for (const Placement& p : m_placements)
        last = std::max(last, p.bottom);
    for (const Rule& r : m_rules)
        last = std::max(last, r.area.bottom);
    return last;
}

void SheetModel::apply(const Rule& rule, int column, Style& s)
{
    switch (rule.kind) {
    case Rule::FontColour: s.fontColour = rule.value; break;
    case Rule::FontSize: s.fontSize = rule.size; break;
    case Rule::Fill: s.fill = rule.value; break;
    case Rule::Alignment: s.align = static_cast<Align>(rule.value); break;
    case Rule::Borders: s.borders |= static_cast<uint8_t>(rule.value); break;
    case Rule::InsideVertical:
        // The lines between the range's columns: on both cells beside each line.
        if (column > rule.area.left)
            s.borders |= XlsxWriter::Left;
        if (column < rule.area.right)
            s.borders |= XlsxWriter::Right;
        break;
    }
}

SheetModel::Style SheetModel::styleAt(int row, int column) const
{
    Style s;
    for (const Rule& r : m_rules)
        if (r.area.contains(row, column))
            apply(r, column, s);
    return s;
}

SheetModel::Style SheetModel::rowStyle(int row) const
{
    Style s;
    for (const Rule& r : m_rules)
        if (r.area.wholeRows() && row >= r.area.top && row <= r.area.bottom)
            apply(r, 1, s);
    return s;
}
