#include "StagingFlag.h"

#include "Query.h"
#include "SaveLock.h"
#include "SaveStatements.h"

StagingFlag::StagingFlag(Query& query) : m_query(query) {}

QString StagingFlag::busyMessage()
{
    return QStringLiteral("มีเครื่องอี่นกำลังใช้ Temp อยู่ไม่สามารถ ทำงานเมนูนี้ได้โปรดรอสักครู่");
}

QString StagingFlag::saveRunningMessage()
{
    return QStringLiteral("ขณะนี้มีเครื่องหนึ่งกำลังบันทึกข้อมูลลงฐานข้อมูลอยู่ จึงล้างข้อมูล Temp ไม่ได้ "
                          "โปรดรอให้การบันทึกนั้นเสร็จก่อน");
}

QString StagingFlag::clearedMessage()
{
    return QStringLiteral("ทำการบัน Clear ข้อมูลเรียบร้อยแล้ว");
}

QString StagingFlag::read()
{
    SaveStatements::flagRead(m_query);
    m_query.open();
    // The query stays open; its next user closes it first.
    if (m_query.recordCount() == 0)
        return QString();
    return m_query.fieldText(QStringLiteral("Is_User_Temp"));
}

bool StagingFlag::isBusy()
{
    return read() == QLatin1String("*");
}

bool StagingFlag::take()
{
    SaveStatements::flagTakeWhileFree(m_query);
    if (m_query.execute() > 0)
        return true;
    // Nothing changed: another workstation holds the flag, or there is no flag
    // row at all. Without a row nobody could be kept out, so the take makes it.
    const QString now = read();
    if (m_query.recordCount() == 0) {
        SaveStatements::flagRowInsert(m_query);
        m_query.execute();
        return true;
    }
    if (now == QLatin1String("*"))
        return false;
    // A text the database compares equal to "*" without being "*" (a trailing
    // blank): the test above calls that free, so take it as the save always did.
    SaveStatements::flagTake(m_query);
    m_query.execute();
    return true;
}

void StagingFlag::release()
{
    SaveStatements::flagRelease(m_query);
    m_query.execute();
}

StagingFlag::Clear StagingFlag::clearStagingArea()
{
    Connection& db = m_query.connection();
    // Neither lock is waited for: a save holds them for as long as it runs.
    SaveLock lock(db, 0);
    if (!lock.held() || !db.begin(0))
        return Clear::SaveRunning;
    try {
        release();
        SaveStatements::stagingClear(m_query);
        m_query.execute();
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
    return Clear::Cleared;
}
