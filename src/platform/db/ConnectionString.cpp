#include "ConnectionString.h"

#include <QStringList>

ConnectionString::ConnectionString(const QString& text) : m_text(text)
{
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(u'=');
        if (eq < 0)
            m_pairs.emplace_back(part.trimmed(), QString());
        else
            m_pairs.emplace_back(part.left(eq).trimmed(), part.mid(eq + 1));
    }
}

QString ConnectionString::value(const QString& key) const
{
    for (const auto& [k, v] : m_pairs)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return QString();
}
