#pragma once

struct sqlite3;

// Brings an embedded database made by an earlier version up to the program's
// catalogue when the program connects: adds the import ledger where it is
// missing, and rebuilds a cheque table whose text columns are narrower or
// wider than the column limits state, keeping its rows in their order. One
// transaction; a database already up to date costs a look at its schema.
namespace EmbeddedUpgrade {

// True when the file's tables already match the column limits and the ledger exists.
bool upToDate(sqlite3* db);

// Throws DatabaseError when the upgrade cannot be made (a read-only file);
// the file is then as it was.
void bringUpToDate(sqlite3* db);

}
