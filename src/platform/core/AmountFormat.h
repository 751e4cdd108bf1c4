#pragma once

#include "TextGrid.h"

#include <QLocale>
#include <QString>

// Amounts as the report shows them: thousands separators and two decimals,
// separators (and grouping) of the user's locale: 1234.5 -> "1,234.50" in
// English or Thai, "1.234,50" in German. One per run: a report of a million
// lines formats millions of amounts, and QLocale's general formatter (the
// more so for the system locale) is then a good part of the run, so locales
// with Western digits grouped by three take a short path that gives the same
// text; anything else goes to QLocale.
class AmountFormat {
public:
    explicit AmountFormat(const QLocale& locale = QLocale());

    QString operator()(double v) const;
    // The same text appended to out.
    void append(double v, QString& out) const;
    void append(double v, TextGrid::RowBuilder& out) const;

private:
    template <typename Out>
    void appendTo(double v, Out& out) const;
    template <typename Out>
    void shortPath(double v, Out& out) const;

    QLocale m_locale;
    QString m_group;  // empty when the locale omits grouping
    QString m_point;
    QString m_minus;
    bool m_short = false;
};
