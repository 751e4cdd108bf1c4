#pragma once

#include <QString>
#include <vector>

struct sqlite3;

// Administration of an embedded database file: creating the catalogue and
// keeping its users and version. Shared by the cheque-admin command and the
// tests; the program itself only reads what is kept here.
class EmbeddedCatalog {
public:
    struct User {
        QString name;
        int level;
    };

    // Creates the file with the schema, the free staging flag and version
    // "2.0". Refuses when the file already exists. Throws DatabaseError.
    static void create(const QString& path);

    // Opens an existing file; throws DatabaseError when it is missing.
    explicit EmbeddedCatalog(const QString& path);
    ~EmbeddedCatalog();
    EmbeddedCatalog(const EmbeddedCatalog&) = delete;
    EmbeddedCatalog& operator=(const EmbeddedCatalog&) = delete;

    // Refuses a name that the login would already find (same name regardless
    // of case and trailing blanks).
    void addUser(const QString& name, const QString& password, int level);
    void setPassword(const QString& name, const QString& password);  // throws when no such user
    void setVersion(const QString& version);
    QString version();
    std::vector<User> users();

    // Raw SQLite statements, for setting up tests.
    void exec(const QString& sql);
    QString scalar(const QString& sql);  // first column of the first row; "" when none

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};
