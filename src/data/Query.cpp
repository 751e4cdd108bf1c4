#include "Query.h"

#include "DatabaseError.h"
#include "SqlLog.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unordered_map>

SqlPiece::SqlPiece(SqlText t) : kind(Kind::Text), value(std::move(t.value)) {}
SqlPiece::SqlPiece(SqlNumber n) : kind(Kind::Number), value(std::move(n.value)) {}

Query::Query(Connection& connection) : m_connection(connection) {}

void Query::close()
{
    m_result = ResultSet();
    m_open = false;
    m_row = 0;
}

void Query::clear()
{
    m_shape.clear();
    m_params.clear();
}

void Query::addLine(std::initializer_list<SqlPiece> pieces)
{
    for (const SqlPiece& p : pieces) {
        if (p.kind == SqlPiece::Kind::Literal) {
            m_shape.push_back(reinterpret_cast<uintptr_t>(p.literal));
        } else {
            m_shape.push_back(kValue);
            m_params.push_back({p.kind == SqlPiece::Kind::Text ? SqlParam::Kind::Text : SqlParam::Kind::Number,
                                p.value});
        }
    }
    m_shape.push_back(kLineEnd);
}

namespace {

// The statement's text from its shape, each value as writeValue(out, index) spells it.
template <class WriteValue>
QString spell(const std::vector<uintptr_t>& shape, uintptr_t valueMark, uintptr_t lineEnd, WriteValue writeValue)
{
    QString out;
    size_t value = 0;
    for (size_t i = 0; i < shape.size(); ++i) {
        const uintptr_t s = shape[i];
        if (s == lineEnd) {
            if (i + 1 < shape.size())
                out += QStringLiteral("\r\n");
        } else if (s == valueMark) {
            writeValue(out, value++);
        } else {
            out += QString::fromUtf8(reinterpret_cast<const char*>(s));
        }
    }
    return out;
}

}  // namespace

QString Query::text() const
{
    return spell(m_shape, kValue, kLineEnd, [this](QString& out, size_t i) {
        const SqlParam& p = m_params[i];
        if (p.kind == SqlParam::Kind::Number) {
            out += p.value;
        } else {
            out += u'\'';
            out += QString(p.value).replace(u'\'', QStringLiteral("''"));
            out += u'\'';
        }
    });
}

namespace {

struct ShapeHash {
    size_t operator()(const std::vector<uintptr_t>& v) const noexcept
    {
        size_t h = v.size();
        for (uintptr_t x : v)
            h = (h ^ x) * 0x100000001b3ULL + (h >> 29);
        return h;
    }
};

}  // namespace

QString Query::sql() const
{
    // Literals live where the program's text lives, so equal shapes give
    // equal statements. One thread runs statements; one cache serves it.
    thread_local std::unordered_map<std::vector<uintptr_t>, QString, ShapeHash> cache;
    if (auto it = cache.find(m_shape); it != cache.end())
        return it->second;
    const QString out = spell(m_shape, kValue, kLineEnd, [](QString& o, size_t) { o += u'?'; });
    // Bounded: a program that built statements from ever new literals would
    // otherwise keep every one of them.
    if (cache.size() > 4096)
        cache.clear();
    cache.emplace(m_shape, out);
    return out;
}

void Query::open()
{
    close();
    if (SqlLog::enabled())
        SqlLog::record(text());
    m_result = m_connection.provider().select(sql(), params());
    m_open = true;
    m_row = 0;
}

size_t Query::forEachRow(const std::function<void()>& perRow)
{
    close();
    if (SqlLog::enabled())
        SqlLog::record(text());
    size_t count = 0;
    // Whatever happens, the query is left closed, not standing on a row
    // that is gone.
    struct CloseOnLeave {
        Query& q;
        ~CloseOnLeave()
        {
            q.m_current = nullptr;
            q.close();
        }
    } closer{*this};
    m_open = true;
    m_connection.provider().selectEach(sql(), params(), [&](const RowView& view) {
        m_current = &view;
        ++count;
        perRow();
    });
    return count;
}

QByteArrayView Query::fieldUtf8(int index) const
{
    checkIndex(index);
    const char* p = nullptr;
    size_t n = 0;
    if (eof() || !row().textUtf8(index, p, n))
        return {};
    return QByteArrayView(p, static_cast<qsizetype>(n));
}

int Query::recordCount() const
{
    if (m_current)
        throw DatabaseError(QStringLiteral("The record count is not known while the rows are passed one by one"));
    return m_open ? static_cast<int>(m_result.rowCount()) : 0;
}

bool Query::eof() const
{
    if (m_current)
        return false;
    return !m_open || m_row >= m_result.rowCount();
}

void Query::next()
{
    if (!m_open)
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (m_current)
        throw DatabaseError(QStringLiteral("The rows are passed one by one: the query moves on by itself"));
    if (m_row < m_result.rowCount())
        ++m_row;
}

const RowView& Query::row() const
{
    if (m_current)
        return *m_current;
    m_held.moveTo(m_result, m_row);
    return m_held;
}

long long Query::execute()
{
    close();
    if (SqlLog::enabled())
        SqlLog::record(text());
    return m_connection.provider().execute(sql(), params());
}

int Query::column(const QString& name) const
{
    if (!m_open)
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const int c = row().columnIndex(name);
    if (c < 0)
        throw DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return c;
}

void Query::checkIndex(int c) const
{
    if (!m_open)
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (c < 0 || c >= row().columnCount())
        throw DatabaseError(QStringLiteral("Field index %1 out of range").arg(c));
}

namespace {

QDateTime parseDateTime(const QString& s)
{
    for (const char* f : {"yyyy-MM-ddTHH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-ddTHH:mm:ss",
                          "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"}) {
        const QDateTime d = QDateTime::fromString(s, QString::fromLatin1(f));
        if (d.isValid())
            return d;
    }
    return QDateTime();
}

}  // namespace

int Query::fieldIndex(const QString& name) const
{
    return column(name);
}

QString Query::fieldText(const QString& name) const
{
    return fieldText(column(name));
}

QString Query::fieldText(int c) const
{
    checkIndex(c);
    if (eof())
        return QString();
    switch (row().kind(c)) {
    case ResultSet::Kind::Null:
        return QString();
    case ResultSet::Kind::Integer:
        return QString::number(row().integer(c));
    case ResultSet::Kind::Real:
        return numberText(row().real(c));
    case ResultSet::Kind::DateTime: {
        const QDateTime d = parseDateTime(row().text(c));
        return QLocale::system().toString(d.date(), QLocale::ShortFormat);
    }
    case ResultSet::Kind::Text:
        break;
    }
    return row().text(c);
}

int Query::fieldInt(const QString& name) const
{
    const int c = column(name);
    if (eof())
        return 0;
    switch (row().kind(c)) {
    case ResultSet::Kind::Null:
        return 0;
    case ResultSet::Kind::Integer:
        return static_cast<int>(row().integer(c));
    case ResultSet::Kind::Real:
        return static_cast<int>(std::llround(row().real(c)));
    case ResultSet::Kind::Text: {
        const QString t = row().text(c);
        bool ok = false;
        const int v = t.trimmed().toInt(&ok);
        if (!ok)
            throw DatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(t));
        return v;
    }
    case ResultSet::Kind::DateTime:
        break;
    }
    throw DatabaseError(QStringLiteral("Field '%1' holds a date-time, not an integer").arg(name));
}

double Query::fieldNumber(const QString& name) const
{
    return fieldNumber(column(name));
}

double Query::fieldNumber(int c) const
{
    checkIndex(c);
    if (eof())
        return 0;
    switch (row().kind(c)) {
    case ResultSet::Kind::Null:
        return 0;
    case ResultSet::Kind::Integer:
        return static_cast<double>(row().integer(c));
    case ResultSet::Kind::Real:
        return row().real(c);
    case ResultSet::Kind::Text: {
        const QString t = row().text(c);
        bool ok = false;
        const double v = t.trimmed().toDouble(&ok);
        if (!ok)
            throw DatabaseError(QStringLiteral("'%1' is not a valid floating point value").arg(t));
        return v;
    }
    case ResultSet::Kind::DateTime:
        break;
    }
    throw DatabaseError(QStringLiteral("Field '%1' holds a date-time, not a number").arg(row().columnName(c)));
}

QDateTime Query::fieldDateTime(const QString& name) const
{
    const int c = column(name);
    if (eof())
        return QDateTime();
    const ResultSet::Kind k = row().kind(c);
    if (k == ResultSet::Kind::Null)
        return QDateTime();
    if (k == ResultSet::Kind::DateTime || k == ResultSet::Kind::Text) {
        const QString t = row().text(c);
        const QDateTime d = parseDateTime(t.trimmed());
        if (!d.isValid())
            throw DatabaseError(QStringLiteral("'%1' is not a valid date and time").arg(t));
        return d;
    }
    throw DatabaseError(QStringLiteral("Field '%1' holds a number, not a date-time").arg(name));
}

QString Query::numberText(double v)
{
    if (std::isnan(v) || std::isinf(v))
        return QString::number(v);
    if (v == 0)
        return QStringLiteral("0");
    // 15 significant digits: what a double always holds exactly, so sums such
    // as 0.1 + 0.2 come out as 0.3 and every ordinary amount as typed.
    char sci[40];
    const auto r = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, 14);
    const char* e = std::find(sci, r.ptr, 'e');
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), r.ptr, exponent);
    const bool negative = sci[0] == '-';
    // The digits without sign, point and trailing zeros.
    char digits[20];
    int n = 0;
    for (const char* p = sci + (negative ? 1 : 0); p < e; ++p)
        if (*p != '.')
            digits[n++] = *p;
    while (n > 1 && digits[n - 1] == '0')
        --n;

    char out[64];
    int o = 0;
    if (negative)
        out[o++] = '-';
    if (exponent >= 15 || exponent < -15) {
        out[o++] = digits[0];
        if (n > 1) {
            out[o++] = '.';
            for (int i = 1; i < n; ++i)
                out[o++] = digits[i];
        }
        o += std::snprintf(out + o, sizeof out - o, "E%c%d", exponent < 0 ? '-' : '+', std::abs(exponent));
    } else if (exponent < 0) {
        out[o++] = '0';
        out[o++] = '.';
        for (int i = 0; i < -exponent - 1; ++i)
            out[o++] = '0';
        for (int i = 0; i < n; ++i)
            out[o++] = digits[i];
    } else if (n <= exponent + 1) {
        for (int i = 0; i < n; ++i)
            out[o++] = digits[i];
        for (int i = n; i < exponent + 1; ++i)
            out[o++] = '0';
    } else {
        for (int i = 0; i < n; ++i) {
            if (i == exponent + 1)
                out[o++] = '.';
            out[o++] = digits[i];
        }
    }
    return QString::fromLatin1(out, o);
}
