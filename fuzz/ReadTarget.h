#pragma once

// What the reading targets share: what they do with a workbook they opened,
// and how they print a text on one line.
#include "ChequeSheetReader.h"
#include "TextGrid.h"
#include "Workbook.h"

#include <QByteArray>
#include <QString>

#include <algorithm>

// Every cell the import could ask for, then the import's own read.
inline void exercise(Workbook& book)
{
    QString text;
    const int cols = std::min(book.colCount(), 40);
    // The rows an .xls could hold: a million repeated rows would only time this loop.
    const int rows = std::min(book.rowCount(), 65536);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) {
            try {
                book.readCell(r, c, text);
            } catch (const Workbook::Error&) {
            }
        }
    TextGrid grid;
    try {
        readChequeSheet(book, grid);
    } catch (const SheetReadError&) {
    }
}

// \, tab, LF and CR escaped, so that a text stays on its line.
inline QByteArray escaped(const QString& s)
{
    QByteArray out;
    for (const char c : s.toUtf8()) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out;
}
