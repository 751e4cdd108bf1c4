#pragma once

#include "ResultSet.h"

#include <QString>
#include <cstdint>
#include <functional>

// One row of a result, as the field readers of a query see it: a row of a
// held ResultSet, or the row a database is stepping on at this moment.
class RowView {
public:
    virtual ~RowView() = default;

    virtual int columnCount() const = 0;
    virtual const QString& columnName(int col) const = 0;
    virtual ResultSet::Kind kind(int col) const = 0;
    virtual int64_t integer(int col) const = 0;  // Integer cells
    virtual double real(int col) const = 0;      // Real cells
    // The UTF-8 bytes of a Text or DateTime cell (ISO 8601 with a "T"), valid
    // until the row moves on; false for other kinds.
    virtual bool utf8(int col, const char*& bytes, size_t& size) const = 0;
    // The same for Text cells only: false for date-times too.
    virtual bool textUtf8(int col, const char*& bytes, size_t& size) const
    {
        return kind(col) == ResultSet::Kind::Text && utf8(col, bytes, size);
    }

    // First column of that name, without regard to case; -1 when there is none.
    int columnIndex(const QString& name) const;
    QString text(int col) const;
};

// A row of a held result.
class ResultSetRow : public RowView {
public:
    ResultSetRow(const ResultSet& rs, size_t row) : m_rs(&rs), m_row(row) {}
    void moveTo(const ResultSet& rs, size_t row)
    {
        m_rs = &rs;
        m_row = row;
    }

    int columnCount() const override { return m_rs->columnCount(); }
    const QString& columnName(int col) const override { return m_rs->columnName(col); }
    ResultSet::Kind kind(int col) const override { return m_rs->kind(m_row, col); }
    int64_t integer(int col) const override { return m_rs->integer(m_row, col); }
    double real(int col) const override { return m_rs->real(m_row, col); }
    bool utf8(int col, const char*& bytes, size_t& size) const override
    {
        return m_rs->utf8View(m_row, col, bytes, size);
    }

private:
    const ResultSet* m_rs;
    size_t m_row;
};

// Hands each row of a held result to fn, in order.
void forEachRow(const ResultSet& rs, const std::function<void(const RowView&)>& fn);
