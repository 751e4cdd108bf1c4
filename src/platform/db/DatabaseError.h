#pragma once

#include <stdexcept>
#include <string>

#include <QString>

// A statement or connection the database refused. databaseText() is the
// database's own message. For the failures an office meets (another
// workstation writing, a full disk, ...) what() puts one Thai sentence on what
// happened and what to do above that text, so every handler's error display
// tells the clerk something they can act on and keeps the detail.
class DatabaseError : public std::runtime_error {
public:
    enum class Kind {
        Other,           // no advice beyond the database's text
        Busy,            // locked by another workstation, or waited too long
        DiskFull,
        ReadOnly,        // the file or database cannot be written
        Damaged,         // the file is not a sound database
        Moved,           // the open file is no longer the file at its path
        ConnectionLost,  // the server cannot be reached any more
    };

    explicit DatabaseError(const QString& databaseText, Kind kind = Kind::Other);
    explicit DatabaseError(const std::string& databaseText, Kind kind = Kind::Other);

    Kind kind() const { return m_kind; }
    QString databaseText() const { return m_databaseText; }

    // The Thai sentence for a kind; empty for Other.
    static QString advice(Kind kind);

private:
    QString m_databaseText;
    Kind m_kind;
};
