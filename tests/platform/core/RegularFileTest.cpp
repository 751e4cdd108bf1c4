#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

// The POSIX read and the QFile fallback must give a caller the same answers.
class RegularFileBoth : public ::testing::TestWithParam<bool> {
protected:
    RegularFile read(const QString& path, qint64 max = 1 << 20) const
    {
        return GetParam() ? RegularFile::readPlain(path, max) : RegularFile::read(path, max);
    }
    QString write(const char* name, const QByteArray& bytes) const
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_P(RegularFileBoth, ReadsEveryByteOfARegularFile)
{
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    const RegularFile r = read(write("a.xls", bytes));
    EXPECT_EQ(r.outcome, RegularFile::Outcome::Read);
    EXPECT_EQ(r.bytes, bytes);
    EXPECT_EQ(r.size, bytes.size());

    const RegularFile empty = read(write("empty.xls", {}));
    EXPECT_EQ(empty.outcome, RegularFile::Outcome::Read);
    EXPECT_TRUE(empty.bytes.isEmpty());
}

TEST_P(RegularFileBoth, NamesWhatIsNotARegularFileWithoutOpeningIt)
{
    EXPECT_EQ(read(dir.filePath("missing.xls")).outcome, RegularFile::Outcome::Missing);
    EXPECT_EQ(read(dir.filePath("no/such/dir.xls")).outcome, RegularFile::Outcome::Missing);
    EXPECT_EQ(read(dir.path()).outcome, RegularFile::Outcome::Directory);
    EXPECT_EQ(read(QStringLiteral("/dev/null")).outcome, RegularFile::Outcome::NotRegular);
    // A pipe nobody writes to would block a plain open for ever.
    const QString fifo = dir.filePath("pipe.xls");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(read(fifo).outcome, RegularFile::Outcome::NotRegular);
}

TEST_P(RegularFileBoth, RefusesATooLargeFileBeforeReadingIt)
{
    const RegularFile r = read(write("big.xls", QByteArray(5000, 'x')), 4999);
    EXPECT_EQ(r.outcome, RegularFile::Outcome::TooLarge);
    EXPECT_EQ(r.size, 5000);
    EXPECT_TRUE(r.bytes.isEmpty());
    EXPECT_EQ(read(write("edge.xls", QByteArray(5000, 'x')), 5000).outcome, RegularFile::Outcome::Read);
}

TEST_P(RegularFileBoth, AnUnreadableFileCarriesTheSystemsReason)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    const QString path = write("locked.xls", "x");
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0), 0);
    const RegularFile r = read(path);
    EXPECT_EQ(r.outcome, RegularFile::Outcome::OpenFailed);
    EXPECT_FALSE(r.reason.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(PosixAndPlain, RegularFileBoth, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Plain" : "Posix"; });
