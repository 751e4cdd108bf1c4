#include "CellsWorkbook.h"

#include "FormulaCells.h"
#include "SheetMessages.h"

void CellsWorkbook::open(const QString& path)
{
    close();
    openData(SheetMessages::readWholeFile(path), path);
}

void CellsWorkbook::close()
{
    m_cells.clear();
    m_open = false;
}

void CellsWorkbook::begin(const QString& path)
{
    close();
    m_path = path;
}

void CellsWorkbook::done()
{
    m_cells.finish();
    if (!m_cells.formulas().empty())
        FormulaCells::settle(m_cells);
    m_open = true;
}
