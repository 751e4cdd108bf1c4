#include "SheetCells.h"

#include "SheetMessages.h"
#include "Workbook.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

bool before(const SheetCells::Cell& a, const SheetCells::Cell& b)
{
    return a.row != b.row ? a.row < b.row : a.col < b.col;
}

}

uint32_t SheetCells::addString(QStringView s)
{
    if (m_texts.size() >= UINT32_MAX || m_chars.size() + static_cast<size_t>(s.size()) >= UINT32_MAX)
        throw std::bad_alloc();
    const auto begin = static_cast<uint32_t>(m_chars.size());
    m_chars.insert(m_chars.end(), s.utf16(), s.utf16() + s.size());
    m_texts.push_back({begin, static_cast<uint32_t>(s.size())});
    return static_cast<uint32_t>(m_texts.size() - 1);
}

void SheetCells::push(const Cell& c)
{
    if (!m_cells.empty() && m_sorted && !before(m_cells.back(), c))
        m_sorted = false;
    m_cells.push_back(c);
}

void SheetCells::addText(int row, int col, QStringView text)
{
    if (text.isEmpty() || !place(row, col))
        return;
    addTextIndex(row, col, addString(text));
}

void SheetCells::addTextIndex(int row, int col, uint32_t index)
{
    if (!place(row, col) || index >= m_texts.size())
        return;
    Cell c{};
    c.row = static_cast<uint32_t>(row);
    c.col = static_cast<uint16_t>(col);
    c.kind = Kind::Text;
    c.date = CellText::DateKind::None;
    c.text = index;
    push(c);
}

void SheetCells::addNumber(int row, int col, double value, CellText::DateKind date)
{
    if (!place(row, col))
        return;
    Cell c{};
    c.row = static_cast<uint32_t>(row);
    c.col = static_cast<uint16_t>(col);
    c.kind = Kind::Number;
    c.date = date;
    c.number = value;
    push(c);
}

void SheetCells::addBool(int row, int col, bool value)
{
    if (!place(row, col))
        return;
    Cell c{};
    c.row = static_cast<uint32_t>(row);
    c.col = static_cast<uint16_t>(col);
    c.kind = Kind::Bool;
    c.date = CellText::DateKind::None;
    c.number = value ? 1 : 0;
    push(c);
}

void SheetCells::addError(int row, int col, QStringView name)
{
    if (!place(row, col))
        return;
    Cell c{};
    c.row = static_cast<uint32_t>(row);
    c.col = static_cast<uint16_t>(col);
    c.kind = Kind::Error;
    c.date = CellText::DateKind::None;
    c.text = addString(name.isEmpty() ? QStringView(u"#ERROR") : name);
    push(c);
}

void SheetCells::addFormula(int row, int col, QStringView text, bool hasResult, CellText::DateKind date)
{
    if (!place(row, col))
        return;
    m_formulas.push_back({static_cast<uint32_t>(row), static_cast<uint16_t>(col), hasResult, date, addString(text)});
}

void SheetCells::addFailed(int row, int col, QStringView why)
{
    if (!place(row, col))
        return;
    Cell c{};
    c.row = static_cast<uint32_t>(row);
    c.col = static_cast<uint16_t>(col);
    c.kind = Kind::Failed;
    c.date = CellText::DateKind::None;
    c.text = addString(why);
    push(c);
}

void SheetCells::finish()
{
    if (!m_sorted) {
        std::stable_sort(m_cells.begin(), m_cells.end(), before);
        // Of cells at one place the last added stands.
        size_t out = 0;
        for (size_t i = 0; i < m_cells.size(); ++i) {
            if (i + 1 < m_cells.size() && !before(m_cells[i], m_cells[i + 1]))
                continue;
            m_cells[out++] = m_cells[i];
        }
        m_cells.resize(out);
        m_sorted = true;
    }
    m_cells.shrink_to_fit();
    m_rows.clear();
    m_rowCount = 0;
    m_colCount = 0;
    for (size_t i = 0; i < m_cells.size(); ++i) {
        const Cell& c = m_cells[i];
        if (m_rows.empty() || m_rows.back().first != c.row)
            m_rows.emplace_back(c.row, static_cast<uint32_t>(i));
        m_colCount = std::max<int>(m_colCount, c.col);
    }
    if (!m_cells.empty())
        m_rowCount = static_cast<int>(m_cells.back().row);
    m_rowHint = 0;
}

const SheetCells::Cell* SheetCells::find(int row, int col) const
{
    if (m_rows.empty() || row < 1 || col < 1)
        return nullptr;
    const auto r = static_cast<uint32_t>(row);
    size_t i = m_rowHint;
    // Reads go down the sheet row by row: the row asked for is mostly the one
    // of the last read or the next.
    if (i >= m_rows.size() || m_rows[i].first != r) {
        if (i + 1 < m_rows.size() && m_rows[i + 1].first == r) {
            ++i;
        } else {
            auto it = std::lower_bound(m_rows.begin(), m_rows.end(), r,
                                       [](const std::pair<uint32_t, uint32_t>& e, uint32_t v) { return e.first < v; });
            if (it == m_rows.end() || it->first != r)
                return nullptr;
            i = static_cast<size_t>(it - m_rows.begin());
        }
        m_rowHint = i;
    }
    const size_t begin = m_rows[i].second;
    const size_t end = i + 1 < m_rows.size() ? m_rows[i + 1].second : m_cells.size();
    const auto c = static_cast<uint16_t>(std::min(col, 65535));
    if (end - begin <= 32) {
        for (size_t k = begin; k < end; ++k)
            if (m_cells[k].col == c)
                return &m_cells[k];
        return nullptr;
    }
    auto it = std::lower_bound(m_cells.begin() + static_cast<std::ptrdiff_t>(begin),
                               m_cells.begin() + static_cast<std::ptrdiff_t>(end), c,
                               [](const Cell& e, uint16_t v) { return e.col < v; });
    return it != m_cells.begin() + static_cast<std::ptrdiff_t>(end) && it->col == c ? &*it : nullptr;
}

void SheetCells::readCell(int row, int col, QString& text, const QString& path) const
{
    const Cell* c = find(row, col);
    if (!c) {
        text.resize(0);
        return;
    }
    switch (c->kind) {
    case Kind::Text: {
        const QStringView v = string(c->text);
        text.resize(v.size());
        if (!v.isEmpty())
            std::memcpy(static_cast<void*>(text.data()), v.utf16(), static_cast<size_t>(v.size()) * sizeof(char16_t));
        return;
    }
    case Kind::Number:
        if (c->date != CellText::DateKind::None && CellText::setDate(text, c->number, system1904, c->date))
            return;
        if (!std::isfinite(c->number))
            SheetMessages::failCell(path, row, col, SheetMessages::notANumber());
        CellText::setNumber(text, c->number);
        return;
    case Kind::Bool:
        text = c->number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        return;
    case Kind::Error:
        SheetMessages::failCell(path, row, col, SheetMessages::errorValue(string(c->text).toString()));
    case Kind::Failed:
        SheetMessages::failCell(path, row, col, string(c->text).toString());
    }
    text.resize(0);
}

void SheetCells::clear()
{
    *this = SheetCells();
}
