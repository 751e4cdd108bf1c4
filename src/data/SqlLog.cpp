#include "SqlLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

namespace {

struct LogState {
    bool initialised = false;
    std::unique_ptr<QFile> file;
    QSet<size_t> seen;  // hashes: a large save runs many thousands of statements
};

LogState& state()
{
    static LogState s;
    if (!s.initialised) {
        s.initialised = true;
        const QString folder = qEnvironmentVariable("CHEQUE_SQL_LOG");
        if (!folder.isEmpty() && QDir().mkpath(folder)) {
            s.file = std::make_unique<QFile>(
                QDir(folder).filePath(QStringLiteral("statements-%1.sql").arg(QCoreApplication::applicationPid())));
            if (!s.file->open(QIODevice::Append))
                s.file.reset();
        }
    }
    return s;
}

}  // namespace

bool SqlLog::enabled()
{
    return state().file != nullptr;
}

void SqlLog::record(const QString& statement)
{
    LogState& s = state();
    if (!s.file)
        return;
    const size_t h = qHash(statement, 0x5eedULL);
    if (s.seen.contains(h))
        return;
    s.seen.insert(h);
    s.file->write(statement.toUtf8());
    s.file->write("\r\n" + separator().toUtf8() + "\r\n");
    s.file->flush();
}
