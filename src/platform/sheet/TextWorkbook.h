#pragma once

#include "CellsWorkbook.h"

// Tab-separated text under any name, as SAP's "spreadsheet" download writes
// it: UTF-16 or UTF-8 with a byte order mark, or without one UTF-8 when the
// bytes are valid UTF-8 holding a multi-byte sequence, else Thai Windows code
// page 874. Fields split on tabs and records on CR LF, LF or CR; a field that
// starts with a double quote may hold tabs, line breaks and doubled quotes.
// A field that is a number as typed (CellText::parseTypedNumber) is a number,
// any other is text as written.
class TextWorkbook : public CellsWorkbook {
public:
    // The longest text a cell can hold; a longer field fails the read.
    static constexpr int kMaxCellText = 32767;
    // Filled cells kept at most: far more than any sheet of cheque lines, and
    // it bounds the memory of a huge file of tiny fields (two bytes a cell).
    static constexpr size_t kMaxCells = 20'000'000;

    void openData(const QByteArray& bytes, const QString& path) override;
};
