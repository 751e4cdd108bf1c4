#include "SheetWriter.h"

#include "SheetModel.h"
#include "XlsxWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace SheetWriter {

namespace {

using Style = XlsxWriter::Style;
using NumberFormat = XlsxWriter::NumberFormat;
constexpr int kNumberFormats = static_cast<int>(NumberFormat::Count);

// The formats of one cell position, one per number format a typed value may
// need, made when first asked for.
struct CellFormats {
    Style style;
    std::array<lxw_format*, kNumberFormats> made{};
    std::array<bool, kNumberFormats> known{};

    lxw_format* get(XlsxWriter& out, NumberFormat f)
    {
        const int i = static_cast<int>(f);
        if (!known[i]) {
            Style s = style;
            s.numberFormat = f;
            made[i] = out.format(s);
            known[i] = true;
        }
        return made[i];
    }
};

// Everything about a row that depends only on which rules reach it: all the
// rows of a data block share one plan.
struct RowPlan {
    CellFormats row;                 // the row's own format, also for cells beyond `cells`
    std::vector<CellFormats> cells;  // columns 1 .. cells.size() that ranges format
    double height = 0;               // 0: the default height
};

RowPlan makePlan(const SheetModel& model, const std::vector<int>& ruleIds)
{
    RowPlan plan;
    int formattedTo = 0;
    for (int id : ruleIds) {
        const SheetModel::Rule& r = model.rules()[id];
        if (r.area.wholeRows())
            SheetModel::apply(r, 1, plan.row.style);
        else
            formattedTo = std::max(formattedTo, r.area.right);
    }
    plan.cells.resize(formattedTo);
    double largest = plan.row.style.fontSize;
    for (int c = 1; c <= formattedTo; ++c) {
        Style s;
        for (int id : ruleIds) {
            const SheetModel::Rule& r = model.rules()[id];
            if (c >= r.area.left && c <= r.area.right)
                SheetModel::apply(r, c, s);
        }
        plan.cells[c - 1].style = s;
        largest = std::max(largest, s.fontSize);
    }
    if (largest > XlsxWriter::kDefaultFontSize)
        plan.height = rowHeightFor(largest);
    return plan;
}

}

double rowHeightFor(double fontPoints)
{
    // The default font's line is 1.3 times its size, in steps of 0.75 point
    // (one pixel): 11 -> 15, 12 -> 15.75, 14 -> 18.75, 16 -> 21.
    return std::ceil(fontPoints * 1.3 / 0.75 - 1e-9) * 0.75;
}

void write(const SheetModel& model, const QString& path, const TypedInput::Conventions& cv)
{
    XlsxWriter out(path, model.name());
    for (const auto& [column, width] : model.columnWidths())
        out.setColumnWidth(column - 1, width);
    out.setPageSetup(model.pageSetup());

    std::map<std::vector<int>, RowPlan> plans;
    std::vector<int> ruleIds, lastIds;
    RowPlan* plan = nullptr;
    std::vector<const SheetModel::Placement*> here;
    const auto& rules = model.rules();
    QString text;

    const int last = model.lastRow();
    for (int row = 1; row <= last; ++row) {
        ruleIds.clear();
        for (int i = 0; i < static_cast<int>(rules.size()); ++i)
            if (row >= rules[i].area.top && row <= rules[i].area.bottom)
                ruleIds.push_back(i);
        if (!plan || ruleIds != lastIds) {
            auto it = plans.find(ruleIds);
            if (it == plans.end())
                it = plans.emplace(ruleIds, makePlan(model, ruleIds)).first;
            plan = &it->second;
            lastIds = ruleIds;
        }

        here.clear();
        int textTo = 0;
        for (const SheetModel::Placement& p : model.placements())
            if (row >= p.top && row <= p.bottom) {
                here.push_back(&p);
                textTo = std::max(textTo, p.right);
            }

        lxw_format* rowFormat = plan->row.get(out, NumberFormat::General);
        if (rowFormat || plan->height > 0)
            out.setRow(row - 1, plan->height > 0 ? plan->height : XlsxWriter::kDefaultRowHeight,
                       rowFormat);

        const int formattedTo = static_cast<int>(plan->cells.size());
        const int to = std::max(formattedTo, textTo);
        for (int col = 1; col <= to; ++col) {
            CellFormats& formats = col <= formattedTo ? plan->cells[col - 1] : plan->row;
            bool placed = false;
            for (auto p = here.rbegin(); p != here.rend() && !placed; ++p)
                placed = SheetModel::textOf(**p, row, col, text);
            if (!placed) {
                if (col <= formattedTo)
                    out.writeBlank(row - 1, col - 1, formats.get(out, NumberFormat::General));
                continue;
            }
            const TypedInput::Value v = TypedInput::interpret(text, cv);
            switch (v.kind) {
            case TypedInput::Kind::Empty:
                out.writeBlank(row - 1, col - 1, formats.get(out, NumberFormat::General));
                break;
            case TypedInput::Kind::Text:
                out.writeText(row - 1, col - 1, v.text, formats.get(out, NumberFormat::General));
                break;
            case TypedInput::Kind::Number:
            case TypedInput::Kind::Date:
                out.writeNumber(row - 1, col - 1, v.number, formats.get(out, v.format));
                break;
            }
        }
    }
    out.close();
}

}
