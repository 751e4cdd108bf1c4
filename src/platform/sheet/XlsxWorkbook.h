#pragma once

#include "CellsWorkbook.h"

#include <QString>

class ZipArchive;

// The first worksheet of an Office Open XML workbook (.xlsx, .xlsm, .xltx),
// transitional or strict. Parts are found through the package's and the
// workbook's relationships, never by a fixed path, and streamed as they are
// inflated; elements are matched by namespace and local name, whatever prefix
// a writer gave them. A formula cell reads as the result the file stored.
class XlsxWorkbook : public CellsWorkbook {
public:
    // Filled cells (and formulas), and shared strings, kept at most, as for
    // the other forms: a small file that inflates to hundreds of millions of
    // tiny cells is refused instead of taking memory many times its size.
    static constexpr size_t kMaxCells = 20'000'000;

    void openData(const QByteArray& bytes, const QString& path) override;
    // Reads an archive already opened (to tell the file's form); `path` only
    // names the file in messages. Throws Error; on failure nothing stays open.
    void openZip(const ZipArchive& zip, const QString& path);

    // Whether the workbook asks to be calculated again when opened: its stored
    // formula results may be stale or missing.
    bool fullCalcOnLoad() const { return m_fullCalcOnLoad; }
    // The program that wrote the file, as its properties say ("Microsoft
    // Excel", "LibreOffice/7.4..."); empty when they do not.
    const QString& application() const { return m_application; }

private:
    bool m_fullCalcOnLoad = false;
    QString m_application;
};
