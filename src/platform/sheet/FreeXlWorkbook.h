#pragma once

#include "Workbook.h"

#include <QStringDecoder>

// A Workbook over an Excel 97-2003 (.xls) file, read with FreeXL. FreeXL parses
// the whole workbook at open; cells are then looked up directly. The file is
// closed when the object goes away.
class FreeXlWorkbook : public Workbook {
public:
    FreeXlWorkbook() = default;
    ~FreeXlWorkbook() override;
    FreeXlWorkbook(const FreeXlWorkbook&) = delete;
    FreeXlWorkbook& operator=(const FreeXlWorkbook&) = delete;

    void open(const QString& path) override;
    bool isOpen() const override { return m_handle != nullptr; }
    void close() override;

    int rowCount() const override { return m_rows; }
    int colCount() const override { return m_cols; }
    void readCell(int row, int col, QString& text) const override;

private:
    [[noreturn]] void fail(const QString& what) const;

    const void* m_handle = nullptr;
    QString m_path;
    int m_rows = 0;
    int m_cols = 0;
    // Stateless: each cell is decoded on its own.
    mutable QStringDecoder m_utf8{QStringDecoder::Utf8,
                                  QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
};
