#pragma once

#include <QString>
#include <utility>
#include <vector>

// key=value pairs separated by ";", in their written order. Keys are looked up
// without regard to case, as the database client libraries do.
class ConnectionString {
public:
    ConnectionString() = default;
    explicit ConnectionString(const QString& text);

    QString text() const { return m_text; }
    QString value(const QString& key) const;
    const std::vector<std::pair<QString, QString>>& pairs() const { return m_pairs; }

private:
    QString m_text;
    std::vector<std::pair<QString, QString>> m_pairs;
};
