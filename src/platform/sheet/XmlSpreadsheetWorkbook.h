#pragma once

#include "CellsWorkbook.h"

// Reads the first worksheet of an XML Spreadsheet 2003 file (root element
// Workbook in the namespace urn:schemas-microsoft-com:office:spreadsheet),
// in the encoding its declaration or byte order mark gives.
//
// Rows and cells are placed by ss:Index where they have one, else follow the
// one before; ss:MergeAcross moves the next cell past the merged ones. Each
// cell's Data is typed by ss:Type: a Number whose style's NumberFormat shows
// a date, and every DateTime, read as dates. A formula reads as its stored
// result. A document type declaration is refused, so no entity can expand.
class XmlSpreadsheetWorkbook : public CellsWorkbook {
public:
    // Text of one cell beyond this many characters is not kept.
    static constexpr qsizetype kMaxCellChars = 1 << 20;

    void openData(const QByteArray& bytes, const QString& path) override;
};
