#pragma once

#include <QLocale>
#include <QString>

// Amounts as the report shows them: thousands separators and two decimals,
// separators (and grouping) of the user's locale: 1234.5 -> "1,234.50" in
// English or Thai, "1.234,50" in German. One per run, so a report of a million
// lines does not build a locale per amount.
class AmountFormat {
public:
    explicit AmountFormat(const QLocale& locale = QLocale()) : m_locale(locale) {}

    QString operator()(double v) const { return m_locale.toString(v, 'f', 2); }

private:
    QLocale m_locale;
};
