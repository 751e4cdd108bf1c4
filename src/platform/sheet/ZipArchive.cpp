#include "ZipArchive.h"

#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>

#include <algorithm>
#include <mutex>

namespace {

void quietGsf()
{
    // libgsf reports damaged containers on stderr as well as in its results;
    // the results are what the user gets.
    static std::once_flag once;
    std::call_once(once, [] {
        // "GLib": its checks complain of a member's impossible date (day 0).
        for (const char* domain : {static_cast<const char*>(nullptr), "libgsf", "libgsf:zip", "libgsf:utils", "GLib"})
            g_log_set_handler(domain, static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR),
                              [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

// Depth of folders walked when listing; deeper members are not listed.
constexpr int kMaxDepth = 32;
constexpr int kMaxMembers = 100000;

void walk(GsfInfile* dir, const QString& prefix, QStringList& names, int depth)
{
    if (depth > kMaxDepth)
        return;
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n && names.size() < kMaxMembers; ++i) {
        const char* name = gsf_infile_name_by_index(dir, i);
        if (!name)
            continue;
        GsfInput* child = gsf_infile_child_by_index(dir, i);
        if (!child)
            continue;
        const QString path = prefix + QString::fromUtf8(name);
        if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0)
            walk(GSF_INFILE(child), path + QLatin1Char('/'), names, depth + 1);
        else
            names << path;
        g_object_unref(child);
    }
}

}

ZipArchive::Part::Part(GsfInput* input, qint64 cap, const QString& name) : m_input(input), m_cap(cap), m_name(name)
{
    QIODevice::open(QIODevice::ReadOnly);
}

ZipArchive::Part::~Part()
{
    if (m_input)
        g_object_unref(m_input);
}

bool ZipArchive::Part::atEnd() const
{
    return m_overCap || m_damaged || gsf_input_remaining(m_input) <= 0;
}

qint64 ZipArchive::Part::bytesAvailable() const
{
    return QIODevice::bytesAvailable() + (atEnd() ? 0 : std::min<qint64>(gsf_input_remaining(m_input), 1 << 16));
}

qint64 ZipArchive::Part::readData(char* data, qint64 maxSize)
{
    if (m_overCap || m_damaged)
        return -1;
    const gsf_off_t remaining = gsf_input_remaining(m_input);
    if (remaining <= 0)
        return -1;
    qint64 n = std::min<qint64>(maxSize, remaining);
    if (m_read + n > m_cap) {
        m_overCap = true;
        return -1;
    }
    if (n <= 0)
        return 0;
    if (!gsf_input_read(m_input, static_cast<size_t>(n), reinterpret_cast<guint8*>(data))) {
        m_damaged = true;
        return -1;
    }
    m_read += n;
    return n;
}

void ZipArchive::Part::check() const
{
    if (m_overCap)
        throw Failure(Failure::Kind::TooLarge, m_name.toStdString());
    if (m_damaged)
        throw Failure(Failure::Kind::Damaged, m_name.toStdString());
}

ZipArchive::ZipArchive(const QByteArray& bytes) : m_fileSize(bytes.size())
{
    quietGsf();
    m_source = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()),
                                    static_cast<gsf_off_t>(bytes.size()), FALSE);
    GError* err = nullptr;
    m_root = gsf_infile_zip_new(m_source, &err);
    if (err)
        g_error_free(err);
    if (!m_root) {
        g_object_unref(m_source);
        m_source = nullptr;
        throw Failure(Failure::Kind::Damaged, "zip directory");
    }
    walk(m_root, QString(), m_names, 0);
}

ZipArchive::~ZipArchive()
{
    if (m_root)
        g_object_unref(m_root);
    if (m_source)
        g_object_unref(m_source);
}

QString ZipArchive::find(const QString& path) const
{
    QString p = path;
    while (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    if (m_names.contains(p))
        return p;
    for (const QString& n : m_names)
        if (n.compare(p, Qt::CaseInsensitive) == 0)
            return n;
    return QString();
}

std::unique_ptr<ZipArchive::Part> ZipArchive::open(const QString& path) const
{
    const QString stored = find(path);
    if (stored.isEmpty())
        throw Failure(Failure::Kind::Damaged, path.toStdString());
    const QList<QByteArray> parts = [&] {
        QList<QByteArray> l;
        for (const QString& s : stored.split(QLatin1Char('/')))
            l << s.toUtf8();
        return l;
    }();
    std::vector<const char*> names;
    for (const QByteArray& b : parts)
        names.push_back(b.constData());
    names.push_back(nullptr);
    GsfInput* input = gsf_infile_child_by_aname(m_root, names.data());
    if (!input)
        throw Failure(Failure::Kind::Damaged, stored.toStdString());
    const qint64 cap = std::min(kMaxPartBytes, std::max(kRatioFloorBytes, kMaxRatio * m_fileSize));
    return std::unique_ptr<Part>(new Part(input, cap, stored));
}

QByteArray ZipArchive::read(const QString& path, qint64 maxBytes) const
{
    std::unique_ptr<Part> part = open(path);
    QByteArray out;
    char buf[65536];
    for (;;) {
        const qint64 n = part->read(buf, sizeof buf);
        if (n <= 0)
            break;
        if (out.size() + n > maxBytes)
            throw Failure(Failure::Kind::TooLarge, path.toStdString());
        out.append(buf, n);
    }
    part->check();
    return out;
}

QString ZipArchive::resolve(const QString& fromPart, const QString& target)
{
    QString t = target;
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList out;
    if (!t.startsWith(QLatin1Char('/'))) {
        out = fromPart.split(QLatin1Char('/'));
        out.removeLast();  // the part's own name
    }
    for (const QString& seg : t.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (seg == QLatin1String("."))
            continue;
        if (seg == QLatin1String("..")) {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out << seg;
    }
    return out.join(QLatin1Char('/'));
}
