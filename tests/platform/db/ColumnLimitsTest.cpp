#include "ColumnLimits.h"
#include "EmbeddedUpgrade.h"
#include "QStringPrint.h"
#include "TestDatabase.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <sqlite3.h>

// The column limits against both catalogues, column by column, and an
// embedded database made before them brought up to date when it connects.
namespace {

QString source(const QString& relative)
{
    QFile f(QDir(TestEnv::sourceDir()).filePath(relative));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << relative.toStdString();
    return QString::fromUtf8(f.readAll());
}

// "table.column" -> the SQL Server type of each column a script defines or alters.
QHash<QString, QString> sqlServerTypes(const QString& script)
{
    QHash<QString, QString> types;
    static const QRegularExpression table(QStringLiteral(R"(CREATE TABLE dbo\.(\w+) \(([^;]*?)\n\s*\);)"));
    static const QRegularExpression column(QStringLiteral(R"(^\s*(\w+)\s+(\w+(?:\([^)]*\))?)\s+NULL)"),
                                           QRegularExpression::MultilineOption);
    for (auto t = table.globalMatch(script); t.hasNext();) {
        const auto m = t.next();
        for (auto c = column.globalMatch(m.captured(2)); c.hasNext();) {
            const auto cm = c.next();
            types.insert(m.captured(1) + u'.' + cm.captured(1), cm.captured(2));
        }
    }
    static const QRegularExpression alter(
        QStringLiteral(R"(ALTER TABLE dbo\.(\w+) ALTER COLUMN (\w+) (\w+(?:\([^)]*\))?) NULL;)"));
    for (auto a = alter.globalMatch(script); a.hasNext();) {
        const auto m = a.next();
        types.insert(m.captured(1) + u'.' + m.captured(2), m.captured(3));
    }
    return types;
}

QString expectedType(int length)
{
    return length == ColumnLimits::kFree ? QStringLiteral("nvarchar(max)") : QStringLiteral("nvarchar(%1)").arg(length);
}

bool upToDate(const QString& path)
{
    sqlite3* h = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    const bool yes = EmbeddedUpgrade::upToDate(h);
    sqlite3_close_v2(h);
    return yes;
}

QStringList limitedTables()
{
    QStringList out;
    for (const auto& c : ColumnLimits::all())
        if (!out.contains(QLatin1String(c.table)))
            out << QLatin1String(c.table);
    return out;
}

TEST(ColumnLimits, TheSqlServerCatalogueAndItsUpgradeDeclareEveryTextColumnAsListed)
{
    const QHash<QString, QString> catalogue = sqlServerTypes(source("sql/sqlserver/create-catalog.sql"));
    const QHash<QString, QString> upgrade = sqlServerTypes(source("sql/sqlserver/upgrade-import-log.sql"));
    for (const ColumnLimits::Column& c : ColumnLimits::all()) {
        const QString key = QLatin1String(c.table) + u'.' + QLatin1String(c.column);
        SCOPED_TRACE(key.toStdString());
        EXPECT_EQ(catalogue.value(key), expectedType(c.length));
        // The upgrade gives an older catalogue the same column.
        EXPECT_EQ(upgrade.value(key), expectedType(c.length));
    }
    // No text column of these tables is left out of the list.
    for (auto it = catalogue.begin(); it != catalogue.end(); ++it) {
        const QString table = it.key().section(u'.', 0, 0);
        if (limitedTables().contains(table) && it.value().startsWith(QLatin1String("nvarchar")))
            EXPECT_GE(ColumnLimits::length(table, it.key().section(u'.', 1)), 0) << it.key().toStdString();
    }
    // Every index key fits SQL Server's 900 bytes: nvarchar counts 2 bytes a
    // character, the amount beside the cheque key in the invoice-line index 9.
    EXPECT_LE(2 * ColumnLimits::kKeyLength + 9, 900);
}

TEST(ColumnLimits, TheEmbeddedSchemaChecksTheSameLengths)
{
    const QString schema = source("sql/embedded/schema.sql");
    static const QRegularExpression table(QStringLiteral(R"(CREATE TABLE (\w+) \(([^;]*?)\n\);)"));
    int columns = 0;
    for (auto t = table.globalMatch(schema); t.hasNext();) {
        const auto m = t.next();
        if (!limitedTables().contains(m.captured(1)))
            continue;
        for (const QString& line : m.captured(2).split(u'\n')) {
            const QString name = line.trimmed().section(u' ', 0, 0);
            // Text columns; the ledger's date is a date-time on SQL Server.
            if (!line.contains(QLatin1String(" TEXT COLLATE")))
                continue;
            ++columns;
            SCOPED_TRACE((m.captured(1) + u'.' + name).toStdString());
            const int limit = ColumnLimits::length(m.captured(1), name);
            ASSERT_GE(limit, 0);
            static const QRegularExpression check(QStringLiteral(R"(length\((\w+)\) <= (\d+))"));
            const auto cm = check.match(line);
            if (limit == ColumnLimits::kFree) {
                EXPECT_FALSE(cm.hasMatch());
            } else {
                ASSERT_TRUE(cm.hasMatch());
                EXPECT_EQ(cm.captured(1), name);
                EXPECT_EQ(cm.captured(2).toInt(), limit);
            }
        }
    }
    EXPECT_EQ(columns, static_cast<int>(ColumnLimits::all().size()));
}

TEST(ColumnLimits, AnEmbeddedDatabaseMadeBeforeGetsTheLedgerAndTheWiderColumnsWhenItConnects)
{
    TestDatabase db;
    // The catalogue as the earlier version made it: narrow checks, no ledger.
    db.exec(R"(DROP TABLE TSQ_Import_Log;
DROP TABLE TSQ_Cheque_Main;
CREATE TABLE TSQ_Cheque_Main (
  Cheque_PK                      TEXT COLLATE TEXT_CI,
  Profit_Center_Code             TEXT COLLATE TEXT_CI,
  Deka_Creat_date                TEXT COLLATE TEXT_CI,
  Deka_Receipt_Date              TEXT COLLATE TEXT_CI,
  Payment_Method                 TEXT COLLATE TEXT_CI,
  Deka_Number                    TEXT COLLATE TEXT_CI CHECK (length(Deka_Number) <= 50),
  Clearing_Document              TEXT COLLATE TEXT_CI,
  Clearing_Date                  TEXT COLLATE TEXT_CI,
  Check_No                       TEXT COLLATE TEXT_CI CHECK (length(Check_No) <= 50),
  Vendor_no                      TEXT COLLATE TEXT_CI,
  Vendor_Name                    TEXT COLLATE TEXT_CI CHECK (length(Vendor_Name) <= 255),
  Delivery_Mode                  TEXT COLLATE TEXT_CI,
  Tax_Number                     TEXT COLLATE TEXT_CI,
  Data_Status                    TEXT COLLATE TEXT_CI,
  Cheque_Reference_Document_Type TEXT COLLATE TEXT_CI,
  Invoice_No                     TEXT COLLATE TEXT_CI,
  vendor_name_recmoney           TEXT COLLATE TEXT_CI,
  Sum_Total_Amount REAL CHECK (typeof(Sum_Total_Amount) NOT IN ('text', 'blob')),
  Sum_WHT_Amount   REAL CHECK (typeof(Sum_WHT_Amount) NOT IN ('text', 'blob')),
  Sum_To_Be_Paid   REAL CHECK (typeof(Sum_To_Be_Paid) NOT IN ('text', 'blob'))
);
CREATE INDEX IX_TSQ_Cheque_Main_Cheque_PK ON TSQ_Cheque_Main (Cheque_PK);
INSERT INTO TSQ_Cheque_Main (Cheque_PK, Check_No, Vendor_Name, Sum_Total_Amount) VALUES ('2010/2', '2', 'B', 2.5);
INSERT INTO TSQ_Cheque_Main (Cheque_PK, Check_No, Vendor_Name, Sum_Total_Amount) VALUES ('2010/1', '1', 'A', 1);)");
    EXPECT_FALSE(upToDate(db.path()));

    db.connection();  // the program connects

    EXPECT_TRUE(upToDate(db.path()));
    EXPECT_EQ(db.count("TSQ_Import_Log"), 0);
    EXPECT_EQ(db.scalar("SELECT group_concat(Cheque_PK || ':' || Check_No || ':' || Vendor_Name || ':' || "
                        "Sum_Total_Amount, ' ') FROM TSQ_Cheque_Main"),
              "2010/2:2:B:2.5 2010/1:1:A:1.0");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'TSQ_Cheque_Main'"),
              "1");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM sqlite_master WHERE name LIKE '%before_upgrade%'"), "0");
    // What the old checks refused now goes in; past the new limit it still does not.
    const QString key = QString(ColumnLimits::kKeyLength, QChar('9'));
    db.exec("UPDATE TSQ_Cheque_Main SET Check_No = '" + key + "', Vendor_Name = '" + QString(5000, QChar('v'))
            + "' WHERE Cheque_PK = '2010/1'");
    EXPECT_THROW(db.exec("UPDATE TSQ_Cheque_Main SET Check_No = '" + key + "9'"), std::exception);
    EXPECT_EQ(db.scalar("PRAGMA integrity_check"), "ok");
}

}
