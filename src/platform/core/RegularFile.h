#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole file that must be a regular one. A pipe, a device or a socket
// is refused before it is opened, and the file is opened without blocking, so
// a reader can never wait on a writer that never comes. POSIX calls where the
// system has them; QFile elsewhere (which cannot tell every kind apart).
struct RegularFile {
    enum class Outcome { Read, Missing, Directory, NotRegular, TooLarge, OpenFailed, ReadFailed };

    Outcome outcome = Outcome::Read;
    int error = 0;      // errno of OpenFailed/ReadFailed where the system gave one, else 0
    QString reason;     // the system's own text for OpenFailed/ReadFailed
    qint64 size = 0;    // the size found (for TooLarge)
    QByteArray bytes;   // what was read; shorter than size if the file shrank meanwhile

    // Files larger than maxBytes are not read into memory.
    static RegularFile read(const QString& path, qint64 maxBytes);
    // The QFile way, which read() is where POSIX calls are missing; callable
    // everywhere so that it is tested where the program is built.
    static RegularFile readPlain(const QString& path, qint64 maxBytes);
};
