#pragma once

#include "ChequeSave.h"

#include <QElapsedTimer>
#include <functional>

class Connection;

// Keeps the save's row counter alive on screen without costing the save
// anything worth measuring: paints at most once per interval, from the save's
// row hooks and, while a single statement runs long (the sums and invoice lists
// of a large sheet, the commit's work), from the database's progress calls.
// The database calls back only while this object lives.
class SaveProgress {
public:
    struct Display {
        std::function<void(int rows)> started;  // the flag is taken; rows data rows follow
        std::function<void(int row)> paint;     // show row as the one being written, now
    };

    static constexpr qint64 kPaintIntervalMs = 100;

    SaveProgress(Connection& db, Display display, qint64 intervalMs = kPaintIntervalMs);
    ~SaveProgress();
    SaveProgress(const SaveProgress&) = delete;
    SaveProgress& operator=(const SaveProgress&) = delete;

    // started, rowStarted and rowDone for ChequeSave::run; they refer to this object.
    ChequeSave::Hooks hooks();

    // The row being written or last written; 0 before the first.
    int currentRow() const { return m_current; }

private:
    void started(int rows);
    void rowDone(int row);
    void fromDatabase();
    void paint(int row);

    Connection& m_db;
    Display m_display;
    qint64 m_intervalMs;
    QElapsedTimer m_sincePaint;
    int m_rows = 0;
    int m_current = 0;
};
