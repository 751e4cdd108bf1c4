#pragma once

#include "CellsWorkbook.h"

class ZipArchive;

// Reads the first worksheet of an OpenDocument spreadsheet (.ods, .ots), or
// of one saved as a single XML document (.fods: the parts' elements under one
// office:document root, no manifest and no encryption).
//
// content.xml is streamed out of the ZIP container once. Each cell gives its
// value, not its displayed text: office:value for numbers, percentages and
// currencies, office:date-value and office:time-value for dates and times,
// office:boolean-value; a string cell its paragraphs, joined by line breaks.
// A number whose style shows it as a date reads as that date (table:null-date
// counts). Repeated rows and columns are placed, never stored per empty cell,
// so a repeat of a million empty rows costs nothing. A formula reads as its
// stored result; an error result fails the read of that cell.
class OdsWorkbook : public CellsWorkbook {
public:
    // Repeated cells that hold a value are stored one by one; past this many
    // the file is refused rather than fill memory and the clock. A repeated
    // formula counts as kRepeatedFormulaWeight cells.
    static constexpr qint64 kMaxRepeatedCells = 1'000'000;
    static constexpr qint64 kRepeatedFormulaWeight = 16;
    // Text of one cell beyond this many characters is not kept.
    static constexpr qsizetype kMaxCellChars = 1 << 20;

    // A ZIP container, or else a single XML document.
    void openData(const QByteArray& bytes, const QString& path) override;
    // The single XML document form. Throws Workbook::Error.
    void openFlat(const QByteArray& bytes, const QString& path);
    // Reads an archive the caller has already opened (the opener looked into
    // it to tell its form). Throws Workbook::Error.
    void openZip(const ZipArchive& zip, const QString& path);
};
