#include "EmbeddedCatalog.h"

#include "DatabaseError.h"
#include "EmbeddedProvider.h"
#include "EmbeddedSchemaText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

class Statement {
public:
    Statement(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray u = sql.toUtf8();
        if (sqlite3_prepare_v2(db, u.constData(), static_cast<int>(u.size()), &m_st, nullptr) != SQLITE_OK)
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int i, const QString& v)
    {
        const QByteArray u = v.toUtf8();
        sqlite3_bind_text(m_st, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, int v) { sqlite3_bind_int(m_st, i, v); }
    bool step()
    {
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return false;
    }
    QString text(int c) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_st, c)),
                                 sqlite3_column_bytes(m_st, c));
    }
    int integer(int c) const { return sqlite3_column_int(m_st, c); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
};

void execAll(sqlite3* db, const QByteArray& sql)
{
    EmbeddedProvider::exec(db, sql.constData());
}

}  // namespace

void EmbeddedCatalog::create(const QString& path)
{
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("%1 already exists; it was left unchanged").arg(path));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw DatabaseError(QStringLiteral("Cannot create the folder of %1").arg(path));
    sqlite3* db = EmbeddedProvider::openFile(path, true);
    try {
        execAll(db, QByteArray("BEGIN;\n") + kEmbeddedSchemaSql + "\nCOMMIT;");
    } catch (...) {
        sqlite3_close_v2(db);
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw;
    }
    sqlite3_close_v2(db);
}

EmbeddedCatalog::EmbeddedCatalog(const QString& path) : m_db(EmbeddedProvider::openFile(path)) {}

EmbeddedCatalog::~EmbeddedCatalog()
{
    sqlite3_close_v2(m_db);
}

void EmbeddedCatalog::addUser(const QString& name, const QString& password, int level)
{
    {
        Statement find(m_db, QStringLiteral("SELECT count(*) FROM ZUD_user WHERE UserName = ?"));
        find.bind(1, name);
        find.step();
        if (find.integer(0) > 0)
            throw DatabaseError(QStringLiteral("A user named '%1' already exists").arg(name));
    }
    Statement ins(m_db, QStringLiteral("INSERT INTO ZUD_user (UserName, Password, U_Level) VALUES (?, ?, ?)"));
    ins.bind(1, name);
    ins.bind(2, password);
    ins.bind(3, level);
    ins.step();
}

void EmbeddedCatalog::setPassword(const QString& name, const QString& password)
{
    Statement upd(m_db, QStringLiteral("UPDATE ZUD_user SET Password = ? WHERE UserName = ?"));
    upd.bind(1, password);
    upd.bind(2, name);
    upd.step();
    if (sqlite3_changes(m_db) == 0)
        throw DatabaseError(QStringLiteral("No user named '%1'").arg(name));
}

void EmbeddedCatalog::setVersion(const QString& version)
{
    execAll(m_db, "BEGIN");
    try {
        exec(QStringLiteral("DELETE FROM ZUD_Version"));
        Statement ins(m_db, QStringLiteral("INSERT INTO ZUD_Version (Version_NO) VALUES (?)"));
        ins.bind(1, version);
        ins.step();
        execAll(m_db, "COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

QString EmbeddedCatalog::version()
{
    return scalar(QStringLiteral("SELECT Version_NO FROM ZUD_Version"));
}

std::vector<EmbeddedCatalog::User> EmbeddedCatalog::users()
{
    std::vector<User> out;
    Statement q(m_db, QStringLiteral("SELECT UserName, U_Level FROM ZUD_user ORDER BY rowid"));
    while (q.step())
        out.push_back({q.text(0), q.integer(1)});
    return out;
}

void EmbeddedCatalog::exec(const QString& sql)
{
    execAll(m_db, sql.toUtf8());
}

QString EmbeddedCatalog::scalar(const QString& sql)
{
    Statement q(m_db, sql);
    return q.step() ? q.text(0) : QString();
}
