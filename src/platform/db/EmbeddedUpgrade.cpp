#include "EmbeddedUpgrade.h"

#include "ColumnLimits.h"
#include "DatabaseError.h"
#include "EmbeddedProvider.h"
#include "EmbeddedSchemaText.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <sqlite3.h>

namespace {

const char* const kLedger = "TSQ_Import_Log";

struct Schema {
    QHash<QString, QString> tables;       // name -> CREATE TABLE statement
    QHash<QString, QStringList> indexes;  // table name -> its CREATE INDEX statements
};

// The program's catalogue, statement by statement, comments left out.
const Schema& schema()
{
    static const Schema s = [] {
        Schema out;
        QString text;
        for (const QString& line : QString::fromUtf8(kEmbeddedSchemaSql).split(u'\n'))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                text += line + u'\n';
        static const QRegularExpression table(QStringLiteral(R"(^CREATE TABLE (\w+))"));
        static const QRegularExpression index(QStringLiteral(R"(^CREATE INDEX \w+ ON (\w+))"));
        for (QString stmt : text.split(u';')) {
            stmt = stmt.trimmed();
            if (const auto m = table.match(stmt); m.hasMatch())
                out.tables.insert(m.captured(1), stmt);
            else if (const auto m2 = index.match(stmt); m2.hasMatch())
                out.indexes[m2.captured(1)].append(stmt);
        }
        return out;
    }();
    return s;
}

QString scalarText(sqlite3* db, const char* sql, const QString& arg)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    const QByteArray a = arg.toUtf8();
    sqlite3_bind_text(st, 1, a.constData(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
    QString out;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    return out;
}

QString storedTable(sqlite3* db, const QString& name)
{
    return scalarText(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1", name);
}

// Whether a stored table's length CHECKs are those the limits state.
bool matchesLimits(const QString& tableSql, const QString& table)
{
    for (const ColumnLimits::Column& c : ColumnLimits::all()) {
        if (table != QLatin1String(c.table))
            continue;
        const QRegularExpression check(
            QStringLiteral(R"(length\(\s*%1\s*\)\s*<=\s*(\d+))").arg(QLatin1String(c.column)),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = check.match(tableSql);
        if (c.length == ColumnLimits::kFree ? m.hasMatch() : (!m.hasMatch() || m.captured(1).toInt() != c.length))
            return false;
    }
    return true;
}

QStringList tablesOfLimits()
{
    QStringList out;
    for (const ColumnLimits::Column& c : ColumnLimits::all())
        if (!out.contains(QLatin1String(c.table)))
            out.append(QLatin1String(c.table));
    return out;
}

void exec(sqlite3* db, const QString& sql)
{
    EmbeddedProvider::exec(db, sql.toUtf8().constData());
}

QStringList columnsOf(sqlite3* db, const QString& table)
{
    QStringList out;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    while (sqlite3_step(st) == SQLITE_ROW)
        out.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_finalize(st);
    return out;
}

void createWithIndexes(sqlite3* db, const QString& table)
{
    exec(db, schema().tables.value(table));
    for (const QString& ix : schema().indexes.value(table))
        exec(db, ix);
}

// The table as the schema defines it, holding the rows it held, in their order.
void rebuild(sqlite3* db, const QString& table)
{
    const QString old = table + QStringLiteral("_before_upgrade");
    // The indexes go with the old table and are made again on the new one.
    exec(db, QStringLiteral("ALTER TABLE \"%1\" RENAME TO \"%2\"").arg(table, old));
    exec(db, schema().tables.value(table));
    const QStringList before = columnsOf(db, old);
    QStringList kept;
    for (const QString& c : columnsOf(db, table))
        if (before.contains(c, Qt::CaseInsensitive))
            kept.append(u'"' + c + u'"');
    const QString cols = kept.join(QStringLiteral(", "));
    exec(db, QStringLiteral("INSERT INTO \"%1\" (%2) SELECT %2 FROM \"%3\" ORDER BY rowid").arg(table, cols, old));
    exec(db, QStringLiteral("DROP TABLE \"%1\"").arg(old));
    for (const QString& ix : schema().indexes.value(table))
        exec(db, ix);
}

// What the file needs: the tables to rebuild, and whether the ledger is missing.
struct Needs {
    QStringList rebuild;
    bool ledger = false;
    bool any() const { return ledger || !rebuild.isEmpty(); }
};

Needs needs(sqlite3* db)
{
    Needs n;
    for (const QString& table : tablesOfLimits()) {
        const QString stored = storedTable(db, table);
        if (stored.isEmpty()) {
            // Only the ledger is ours to add; a file without the cheque
            // tables is no catalogue and fails at its first statement.
            if (table == QLatin1String(kLedger))
                n.ledger = true;
        } else if (!matchesLimits(stored, table)) {
            n.rebuild.append(table);
        }
    }
    return n;
}

}  // namespace

namespace EmbeddedUpgrade {

bool upToDate(sqlite3* db)
{
    return !needs(db).any();
}

void bringUpToDate(sqlite3* db)
{
    if (!needs(db).any())
        return;
    // Another program instance may be upgrading the same file: decide again
    // under the write lock.
    exec(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        const Needs n = needs(db);
        if (n.ledger)
            createWithIndexes(db, QLatin1String(kLedger));
        for (const QString& table : n.rebuild)
            rebuild(db, table);
        exec(db, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}
