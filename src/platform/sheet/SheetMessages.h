#pragma once

#include <QByteArray>
#include <QString>

// The Thai messages every workbook reader gives, each naming the file, and
// the whole-file read they share. Each fail* throws Workbook::Error.
namespace SheetMessages {

// "แฟ้ม "path"" as messages name a file.
QString file(const QString& path);

// What the clerk can do with a file that will not read: ask the sender for it
// again, or open it in a spreadsheet program and save it once.
QString askAgainOrResave();
// For a form the program does not read: save it as one it does.
QString saveAsReadable();

[[noreturn]] void fail(const QString& message);
// The file is damaged; `where` says, in Thai, where or what.
[[noreturn]] void failDamaged(const QString& path, const QString& where);
[[noreturn]] void failPassword(const QString& path);
[[noreturn]] void failEmpty(const QString& path);
// "cell K12 (row 12, column K) of file "x" " followed by `what`.
[[noreturn]] void failCell(const QString& path, int row, int col, const QString& what);
[[noreturn]] void failOutOfMemory(const QString& path);

QString notANumber();
QString errorValue(const QString& name);

// The whole file, which must be a regular one of at most kMaxFileSize bytes
// and not empty; otherwise a message says which of these it is not.
constexpr qint64 kMaxFileSize = 512LL * 1024 * 1024;
QByteArray readWholeFile(const QString& path);

}
