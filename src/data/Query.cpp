#include "Query.h"

#include "DatabaseError.h"
#include "SqlLog.h"

#include <QLocale>
#include <cmath>
#include <cstdio>

SqlPiece::SqlPiece(const char* literalUtf8) : kind(Kind::Literal), value(QString::fromUtf8(literalUtf8)) {}
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
    m_lines.clear();
}

void Query::addLine(std::initializer_list<SqlPiece> pieces)
{
    m_lines.emplace_back(pieces);
}

QString Query::text() const
{
    QString out;
    for (size_t l = 0; l < m_lines.size(); ++l) {
        if (l)
            out += QStringLiteral("\r\n");
        for (const SqlPiece& p : m_lines[l]) {
            switch (p.kind) {
            case SqlPiece::Kind::Literal:
            case SqlPiece::Kind::Number:
                out += p.value;
                break;
            case SqlPiece::Kind::Text:
                out += u'\'';
                out += QString(p.value).replace(u'\'', QStringLiteral("''"));
                out += u'\'';
                break;
            }
        }
    }
    return out;
}

QString Query::sql() const
{
    QString out;
    for (size_t l = 0; l < m_lines.size(); ++l) {
        if (l)
            out += QStringLiteral("\r\n");
        for (const SqlPiece& p : m_lines[l])
            out += p.kind == SqlPiece::Kind::Literal ? p.value : QStringLiteral("?");
    }
    return out;
}

std::vector<SqlParam> Query::params() const
{
    std::vector<SqlParam> out;
    for (const auto& line : m_lines)
        for (const SqlPiece& p : line) {
            if (p.kind == SqlPiece::Kind::Text)
                out.push_back({SqlParam::Kind::Text, p.value});
            else if (p.kind == SqlPiece::Kind::Number)
                out.push_back({SqlParam::Kind::Number, p.value});
        }
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

int Query::recordCount() const
{
    return m_open ? static_cast<int>(m_result.rowCount()) : 0;
}

bool Query::eof() const
{
    return !m_open || m_row >= m_result.rowCount();
}

void Query::next()
{
    if (!m_open)
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (m_row < m_result.rowCount())
        ++m_row;
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
    const int c = m_result.columnIndex(name);
    if (c < 0)
        throw DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return c;
}

void Query::checkIndex(int c) const
{
    if (!m_open)
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (c < 0 || c >= m_result.columnCount())
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
    switch (m_result.kind(m_row, c)) {
    case ResultSet::Kind::Null:
        return QString();
    case ResultSet::Kind::Integer:
        return QString::number(m_result.integer(m_row, c));
    case ResultSet::Kind::Real:
        return numberText(m_result.real(m_row, c));
    case ResultSet::Kind::DateTime: {
        const QDateTime d = parseDateTime(m_result.text(m_row, c));
        return QLocale::system().toString(d.date(), QLocale::ShortFormat);
    }
    case ResultSet::Kind::Text:
        break;
    }
    return m_result.text(m_row, c);
}

void Query::appendFieldText(int c, QString& out) const
{
    checkIndex(c);
    if (!eof() && m_result.kind(m_row, c) == ResultSet::Kind::Text)
        m_result.appendText(m_row, c, out);
    else
        out.append(fieldText(c));
}

int Query::fieldInt(const QString& name) const
{
    const int c = column(name);
    if (eof())
        return 0;
    switch (m_result.kind(m_row, c)) {
    case ResultSet::Kind::Null:
        return 0;
    case ResultSet::Kind::Integer:
        return static_cast<int>(m_result.integer(m_row, c));
    case ResultSet::Kind::Real:
        return static_cast<int>(std::llround(m_result.real(m_row, c)));
    case ResultSet::Kind::Text: {
        const QString t = m_result.text(m_row, c);
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
    switch (m_result.kind(m_row, c)) {
    case ResultSet::Kind::Null:
        return 0;
    case ResultSet::Kind::Integer:
        return static_cast<double>(m_result.integer(m_row, c));
    case ResultSet::Kind::Real:
        return m_result.real(m_row, c);
    case ResultSet::Kind::Text: {
        const QString t = m_result.text(m_row, c);
        bool ok = false;
        const double v = t.trimmed().toDouble(&ok);
        if (!ok)
            throw DatabaseError(QStringLiteral("'%1' is not a valid floating point value").arg(t));
        return v;
    }
    case ResultSet::Kind::DateTime:
        break;
    }
    throw DatabaseError(QStringLiteral("Field '%1' holds a date-time, not a number").arg(m_result.columnName(c)));
}

QDateTime Query::fieldDateTime(const QString& name) const
{
    const int c = column(name);
    if (eof())
        return QDateTime();
    const ResultSet::Kind k = m_result.kind(m_row, c);
    if (k == ResultSet::Kind::Null)
        return QDateTime();
    if (k == ResultSet::Kind::DateTime || k == ResultSet::Kind::Text) {
        const QString t = m_result.text(m_row, c);
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
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", v);
    const QString s = QString::fromLatin1(buf);
    const int e = s.indexOf(u'e');
    const int exponent = s.mid(e + 1).toInt();
    QString mantissa = s.left(e);
    const bool negative = mantissa.startsWith(u'-');
    if (negative)
        mantissa.remove(0, 1);
    QString digits = mantissa.remove(u'.');
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);

    QString out;
    if (exponent >= 15 || exponent < -15) {
        out = digits.left(1);
        if (digits.size() > 1)
            out += u'.' + digits.mid(1);
        out += QStringLiteral("E%1%2").arg(exponent < 0 ? QStringLiteral("-") : QStringLiteral("+")).arg(std::abs(exponent));
    } else if (exponent < 0) {
        out = QStringLiteral("0.") + QString(-exponent - 1, u'0') + digits;
    } else if (digits.size() <= exponent + 1) {
        out = digits + QString(exponent + 1 - digits.size(), u'0');
    } else {
        out = digits.left(exponent + 1) + u'.' + digits.mid(exponent + 1);
    }
    return negative ? u'-' + out : out;
}
