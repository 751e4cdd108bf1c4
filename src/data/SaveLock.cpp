#include "SaveLock.h"

#include "Connection.h"

SaveLock::SaveLock(Connection& connection, int waitMs)
    : m_connection(connection), m_held(connection.tryLockSave(waitMs))
{
}

SaveLock::~SaveLock()
{
    if (m_held)
        m_connection.unlockSave();
}
