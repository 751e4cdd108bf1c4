#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#if __has_include(<unistd.h>) && __has_include(<sys/stat.h>) && __has_include(<fcntl.h>)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define CHEQUE_HAVE_POSIX_FILES 1
#endif

namespace {

RegularFile failed(RegularFile::Outcome outcome, int err, QString reason = {})
{
    RegularFile r;
    r.outcome = outcome;
    r.error = err;
    r.reason = reason.isEmpty() && err ? QString::fromLocal8Bit(std::strerror(err)) : reason;
    return r;
}

}  // namespace

#ifdef CHEQUE_HAVE_POSIX_FILES

RegularFile RegularFile::read(const QString& path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        const int err = errno;
        return failed(err == ENOENT || err == ENOTDIR ? Outcome::Missing : Outcome::OpenFailed, err);
    }
    if (S_ISDIR(st.st_mode))
        return failed(Outcome::Directory, 0);
    if (!S_ISREG(st.st_mode))
        return failed(Outcome::NotRegular, 0);

    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(Outcome::OpenFailed, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // Checked again on what was opened: the path may have been swapped meanwhile.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return failed(Outcome::NotRegular, 0);

    RegularFile r;
    r.size = st.st_size;
    if (r.size > maxBytes) {
        r.outcome = Outcome::TooLarge;
        return r;
    }
    r.bytes.resize(static_cast<qsizetype>(r.size));
    qsizetype got = 0;
    while (got < r.bytes.size()) {
        const ssize_t n = ::read(fd, r.bytes.data() + got, static_cast<size_t>(r.bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed(Outcome::ReadFailed, errno);
        if (n == 0)
            break;  // the file shrank while it was read
        got += n;
    }
    r.bytes.resize(got);
    return r;
}

#else

RegularFile RegularFile::read(const QString& path, qint64 maxBytes)
{
    return readPlain(path, maxBytes);
}

#endif

RegularFile RegularFile::readPlain(const QString& path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failed(Outcome::Missing, ENOENT);
    if (info.isDir())
        return failed(Outcome::Directory, 0);
    if (!info.isFile())
        return failed(Outcome::NotRegular, 0);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(Outcome::OpenFailed, file.error() == QFileDevice::PermissionsError ? EACCES : 0,
                      file.errorString());
    RegularFile r;
    r.size = file.size();
    if (r.size > maxBytes) {
        r.outcome = Outcome::TooLarge;
        return r;
    }
    r.bytes = file.read(r.size);
    if (file.error() != QFileDevice::NoError)
        return failed(Outcome::ReadFailed, EIO, file.errorString());
    return r;
}
