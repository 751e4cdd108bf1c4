#pragma once

#include <QString>

class TextGrid;
class DocumentOpener;
class SheetModel;

// Exports a window's grid to a new formatted workbook and hands it to the
// desktop's spreadsheet program.
namespace GridExport {

enum class Variant {
    Import,  // import window: title rows, header row 4, block to column U
    Report,  // report window: header row 1, three empty rows, block to column Y
};

struct Result {
    QString path;         // the written workbook, in a fresh temporary folder
    bool opened = false;  // false when nothing on the desktop could open it
};

// Throws std::runtime_error with the writer's own message when the file cannot
// be written; nothing is handed to the opener then.
Result run(const TextGrid& grid, Variant variant, DocumentOpener& opener);

// The same, into `folder` (which must exist) instead of a fresh temporary one.
Result runInFolder(const TextGrid& grid, Variant variant, DocumentOpener& opener,
                   const QString& folder);

// The workbook alone: the sheet the export builds from a grid, and that sheet
// written to a file (numbers and dates read in the conventions of QLocale(),
// the locale the program formats its own numbers with).
SheetModel layout(const TextGrid& grid, Variant variant);
void write(const TextGrid& grid, Variant variant, const QString& filePath);

// The plain message shown when nothing could open the workbook.
QString notOpenedMessage(const QString& path);

}
