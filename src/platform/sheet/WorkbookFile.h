#pragma once

#include "Workbook.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Opens a workbook file of any form the program reads, told by its content,
// never by its name: Excel 97-2003 and 5.0/95 (.xls), Office Open XML
// (.xlsx, .xlsm, .xltx, transitional or strict), OpenDocument (.ods, and
// .fods, the same saved as one XML document),
// tab-separated text, an HTML table or MHTML document, XML Spreadsheet 2003.
// What it cannot read is named for what it is, in Thai, with the file's name.
namespace WorkbookFile {

enum class Form {
    Biff,            // OLE2 compound file or a bare BIFF stream
    Xlsx,
    Ods,
    FlatOds,         // an OpenDocument spreadsheet as one XML document
    Xlsb,            // refused
    OtherZip,        // refused: a ZIP that is no workbook we read
    Tsv,
    Html,
    Mhtml,
    XmlSpreadsheet,
    OtherXml,        // refused
    OtherOpenDocument,  // refused: one XML document of OpenDocument text or another kind
    Binary,          // refused: no known form
};

// The form of a file from its bytes; ZIP members are looked at for ZIP files.
Form sniff(const QByteArray& bytes);

// Opens the file and its first worksheet. Throws Workbook::Error.
std::unique_ptr<Workbook> open(const QString& path);
std::unique_ptr<Workbook> openData(const QByteArray& bytes, const QString& path);

}
