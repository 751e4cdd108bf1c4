#pragma once

#include <QString>
#include <QStringView>

// Spreadsheet column names: 1 is "A", 26 "Z", 27 "AA", up to 16384 "XFD", the
// widest sheet an .xlsx can hold. Computed, so any grid width works.
namespace ColumnLetters {

constexpr int kMaxColumn = 16384;

// Throws std::out_of_range outside 1..kMaxColumn.
QString name(int column);

// The column number of a name ("a" counts as "A"); 0 when the text is not a
// column name or lies beyond kMaxColumn.
int number(QStringView letters);

}
