#include "CellsWorkbook.h"

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
    m_open = true;
}
