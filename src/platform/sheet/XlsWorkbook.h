#pragma once

#include "BiffBook.h"
#include "Workbook.h"

#include <QByteArray>

// A Workbook over an Excel 97-2003 (.xls) file; Excel 5.0/95 files are read
// too. The file is read whole into memory (never from a pipe or a device),
// its compound-file container opened with libgsf, and the workbook stream's
// first worksheet parsed by BiffBook. Nothing stays open between calls: the
// file is closed once open() returns.
//
// A file that cannot be read is named for what it is (password-protected,
// a newer or other spreadsheet format, a text file or web page, an older
// Excel, empty, not a regular file, unreadable, damaged and where) in Thai,
// with the file's name.
class XlsWorkbook : public Workbook {
public:
    void open(const QString& path) override;
    // Reads a workbook held in memory; `path` only names it in messages.
    void openData(const QByteArray& bytes, const QString& path);
    bool isOpen() const override { return m_open; }
    void close() override;

    int rowCount() const override { return m_book.rowCount(); }
    int colCount() const override { return m_book.colCount(); }
    void readCell(int row, int col, QString& text) const override;

private:
    [[noreturn]] void failCell(int row, int col, const QString& what) const;

    BiffBook m_book;
    QString m_path;
    bool m_open = false;
};
