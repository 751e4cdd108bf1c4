#include "FormulaCells.h"

#include "SheetMessages.h"

#include <unordered_map>

namespace FormulaCells {

namespace {

using Formula::Value;

uint8_t errorCode(QStringView name)
{
    for (uint8_t code : {Formula::Null, Formula::Div0, Formula::ValueError, Formula::RefError, Formula::Name,
                         Formula::Num, Formula::NA})
        if (name.compare(Formula::errorName(code), Qt::CaseInsensitive) == 0)
            return code;
    return Formula::NA;
}

class TableCells : public Formula::Cells {
public:
    explicit TableCells(const SheetCells& cells) : m_cells(cells)
    {
        rowCount = cells.rowCount();
        colCount = cells.colCount();
        system1904 = cells.system1904;
    }
    Value value(int row, int col) const override
    {
        const SheetCells::Cell* c = m_cells.find(row, col);
        if (!c)
            return Value();
        switch (c->kind) {
        case SheetCells::Kind::Text: return Value::str(m_cells.string(c->text).toString());
        case SheetCells::Kind::Number: return Value::num(c->number);
        case SheetCells::Kind::Bool: return Value::boolean(c->number != 0);
        case SheetCells::Kind::Error: return Value::error(errorCode(m_cells.string(c->text)));
        case SheetCells::Kind::Failed: return Value::fail(m_cells.string(c->text).toString());
        }
        return Value();
    }

private:
    const SheetCells& m_cells;
};

// Parses a formula in the reader's syntax or, where it names none, in the
// one its references show: OpenFormula's are in brackets ("[.A1]"), and a
// formula that is not A1 may be R1C1 ("RC[-1]*2", "R6C20").
bool parseAs(SheetCells::FormulaSyntax syntax, QStringView text, int row, int col, Formula::Code& code, QString& why)
{
    using S = SheetCells::FormulaSyntax;
    switch (syntax) {
    case S::A1: return Formula::parse(text, Formula::Syntax::A1, row, col, code, why);
    case S::R1C1: return Formula::parse(text, Formula::Syntax::R1C1, row, col, code, why);
    case S::OpenFormula: return Formula::parse(text, Formula::Syntax::OpenFormula, row, col, code, why);
    case S::Unknown: break;
    }
    if (text.startsWith(u"of:", Qt::CaseInsensitive) || text.contains(u"[."))
        return Formula::parse(text, Formula::Syntax::OpenFormula, row, col, code, why);
    if (Formula::parse(text, Formula::Syntax::A1, row, col, code, why))
        return true;
    // "ROUND(1.5;0)": OpenFormula without a reference; "RC[-1]*2": R1C1.
    QString other;
    return Formula::parse(text, Formula::Syntax::OpenFormula, row, col, code, other)
           || Formula::parse(text, Formula::Syntax::R1C1, row, col, code, other);
}

}

QString failure(const QString& why)
{
    return QStringLiteral("เป็นสูตรที่แฟ้มไม่ได้เก็บผลคำนวณที่เชื่อถือได้ไว้ และโปรแกรมคำนวณเองไม่ได้: ") + why
           + QStringLiteral(" กรุณาเปิดแฟ้มนี้ในโปรแกรมตารางคำนวณ (เช่น Excel) แล้วบันทึกหนึ่งครั้ง จากนั้นนำเข้าใหม่");
}

bool calculatingApplication(QStringView application)
{
    const QStringView name = application.trimmed();
    if (name.isEmpty())
        return true;
    for (const char* known : {"Microsoft Excel", "Microsoft Office", "MicrosoftOffice", "Microsoft Macintosh Excel",
                              "LibreOffice", "OpenOffice", "StarOffice", "NeoOffice", "Gnumeric", "WPS",
                              "Kingsoft", "ONLYOFFICE", "Google", "Numbers", "Calligra", "KSpread"})
        if (name.contains(QLatin1String(known), Qt::CaseInsensitive))
            return true;
    return false;
}

void settle(SheetCells& cells)
{
    const auto& formulas = cells.formulas();
    bool any = false;
    for (const SheetCells::Formula& f : formulas)
        any = any || cells.storedResultsStale || !f.hasResult;
    if (!any)
        return;
    Formula::Batch batch;
    std::unordered_map<uint64_t, CellText::DateKind> dates;
    for (const SheetCells::Formula& f : formulas) {
        if (f.hasResult && !cells.storedResultsStale)
            continue;
        const auto row = static_cast<int>(f.row);
        const int col = f.col;
        const QStringView text = cells.string(f.text);
        if (f.date != CellText::DateKind::None)
            dates[static_cast<uint64_t>(row) << 16 | static_cast<uint64_t>(col)] = f.date;
        const size_t begin = batch.code().items.size();
        QString why;
        if (parseAs(cells.formulaSyntax, text, row, col, batch.code(), why))
            batch.add(row, col, begin, batch.code().items.size());
        else
            batch.addRefused(row, col, why);
    }
    TableCells source(cells);
    batch.run(source);
    for (size_t i = 0; i < batch.size(); ++i) {
        const int row = batch.row(i), col = batch.col(i);
        const Value& v = batch.result(i);
        switch (v.type) {
        case Value::Type::Number: {
            // A number in a date cell stays a date, by the cell's format.
            CellText::DateKind date = CellText::DateKind::None;
            if (const auto d = dates.find(static_cast<uint64_t>(row) << 16 | static_cast<uint64_t>(col)); d != dates.end())
                date = d->second;
            if (date == CellText::DateKind::None)
                if (const SheetCells::Cell* c = cells.find(row, col); c && c->kind == SheetCells::Kind::Number)
                    date = c->date;
            cells.addNumber(row, col, v.number, date);
            break;
        }
        case Value::Type::Text:
            // An empty result still replaces what the file stored there.
            cells.addTextIndex(row, col, cells.addString(v.text));
            break;
        case Value::Type::Bool: cells.addBool(row, col, v.number != 0); break;
        case Value::Type::Error: cells.addError(row, col, Formula::errorName(v.code)); break;
        default: cells.addFailed(row, col, failure(v.text)); break;
        }
    }
    cells.finish();
}

}
