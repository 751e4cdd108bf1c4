#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>

struct _GsfInfile;
struct _GsfInput;

// A ZIP container held in memory (.xlsx, .xlsm, .ods), opened with libgsf.
// Members are inflated as they are read, never whole, and no member may
// inflate past a cap: kMaxPartBytes, and kMaxRatio times the whole file's size
// (with a floor of kRatioFloorBytes), so a ZIP bomb stops early with a
// message instead of filling memory or the clock.
class ZipArchive {
public:
    static constexpr qint64 kMaxPartBytes = 1LL << 30;
    static constexpr qint64 kMaxRatio = 100;
    static constexpr qint64 kRatioFloorBytes = 32LL << 20;

    class Failure : public std::runtime_error {
    public:
        enum class Kind { NotZip, Damaged, TooLarge };
        Failure(Kind kind, const std::string& what) : std::runtime_error(what), kind(kind) {}
        Kind kind;
    };

    // A member being read. Sequential; stops with an error (and says which)
    // when the member is damaged or passes the cap.
    class Part : public QIODevice {
    public:
        ~Part() override;
        bool isSequential() const override { return true; }
        bool atEnd() const override;
        qint64 bytesAvailable() const override;
        bool overCap() const { return m_overCap; }
        bool damaged() const { return m_damaged; }
        // Throws Failure (TooLarge or Damaged) when the read stopped for either.
        void check() const;

    protected:
        qint64 readData(char* data, qint64 maxSize) override;
        qint64 writeData(const char*, qint64) override { return -1; }

    private:
        friend class ZipArchive;
        Part(_GsfInput* input, qint64 cap, const QString& name);
        _GsfInput* m_input;
        qint64 m_cap;
        qint64 m_read = 0;
        bool m_overCap = false;
        bool m_damaged = false;
        QString m_name;
    };

    // `bytes` must outlive the archive. Throws Failure (NotZip, Damaged).
    explicit ZipArchive(const QByteArray& bytes);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Every file member's path ("xl/worksheets/sheet1.xml"), as stored.
    const QStringList& names() const { return m_names; }
    // The stored path of a member: the same path, or else one that differs
    // only in ASCII case (writers disagree on case); empty when there is none.
    QString find(const QString& path) const;
    bool contains(const QString& path) const { return !find(path).isEmpty(); }

    // Opens a member for reading (path as find() takes it). Throws Failure
    // (Damaged) when it is missing or cannot be opened.
    std::unique_ptr<Part> open(const QString& path) const;
    // A small member whole, at most maxBytes (more is TooLarge). Throws Failure.
    QByteArray read(const QString& path, qint64 maxBytes = 64LL << 20) const;

    // Resolves a relationship target against the part that names it:
    // ("xl/workbook.xml", "worksheets/sheet1.xml") gives "xl/worksheets/sheet1.xml";
    // an absolute target ("/xl/...") starts from the root; "." and ".." are followed.
    static QString resolve(const QString& fromPart, const QString& target);

private:
    _GsfInput* m_source = nullptr;
    _GsfInfile* m_root = nullptr;
    QStringList m_names;
    qint64 m_fileSize = 0;
};
