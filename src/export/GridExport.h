#pragma once

#include <QString>

class TextGrid;
class DocumentOpener;

// Exports a window's grid to a new formatted workbook and hands it to the
// desktop's spreadsheet program.
namespace GridExport {

enum class Variant {
    Import,  // import window: title rows, header row 4, block to column U
    Report,  // report window: header row 1, three empty rows, block to column Y
};

struct Result {
    QString path;   // the written workbook, in a fresh temporary folder
    bool opened;    // false when nothing on the desktop could open it
};

// Throws std::runtime_error with the writer's own message when the file cannot
// be written; nothing is handed to the opener then.
Result run(const TextGrid& grid, Variant variant, DocumentOpener& opener);

// The plain message shown when nothing could open the workbook.
QString notOpenedMessage(const QString& path);

}
