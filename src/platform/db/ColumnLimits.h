#pragma once

#include <QString>
#include <vector>

// The longest text each text column of the cheque tables and the import
// ledger holds, counted in UTF-16 units as SQL Server counts nvarchar. Both
// catalogues follow this list column by column: the embedded schema with a
// CHECK on length(), the SQL Server script with nvarchar(n) or nvarchar(max).
// The import names a cell over its limit before the save, and the report's
// search boxes take their lengths from here.
namespace ColumnLimits {

// Keys and searched columns: as long as an index key of SQL Server may be,
// 900 bytes, with the 9-byte amount the invoice-line index keeps beside the
// cheque key (445 x 2 + 9 = 899).
constexpr int kKeyLength = 445;
// No limit: nvarchar(max) on SQL Server, no CHECK in the embedded schema.
constexpr int kFree = 0;

struct Column {
    const char* table;
    const char* column;
    int length;  // kFree for no limit
};

// Every text column the save or the ledger writes, table by table.
const std::vector<Column>& all();

// The limit of one column (kFree when it has none); -1 for a column not listed.
int length(const QString& table, const QString& column);

}
