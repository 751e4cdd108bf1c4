#include "SaveProgress.h"

#include "Connection.h"

SaveProgress::SaveProgress(Connection& db, Display display, qint64 intervalMs)
    : m_db(db), m_display(std::move(display)), m_intervalMs(intervalMs)
{
    m_db.setProgressHandler([this] { fromDatabase(); });
}

SaveProgress::~SaveProgress()
{
    m_db.setProgressHandler({});
}

ChequeSave::Hooks SaveProgress::hooks()
{
    ChequeSave::Hooks h;
    h.started = [this](int rows) { started(rows); };
    h.rowStarted = [this](int row) { m_current = row; };
    h.rowDone = [this](int row) { rowDone(row); };
    return h;
}

void SaveProgress::started(int rows)
{
    m_rows = rows;
    if (m_display.started)
        m_display.started(rows);
    m_sincePaint.start();
}

void SaveProgress::rowDone(int row)
{
    // The last row is always shown: the counter ends on it.
    if (row == m_rows || m_sincePaint.elapsed() >= m_intervalMs)
        paint(row);
}

void SaveProgress::fromDatabase()
{
    if (m_current > 0 && m_sincePaint.elapsed() >= m_intervalMs)
        paint(m_current);
}

void SaveProgress::paint(int row)
{
    if (m_display.paint)
        m_display.paint(row);
    m_sincePaint.restart();
}
