#pragma once

class Connection;

// Holds the connection's save lock (DbProvider::tryLockSave) for a scope and
// gives it back on every way out of it.
class SaveLock {
public:
    SaveLock(Connection& connection, int waitMs);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    // False when another connection holds it.
    bool held() const { return m_held; }

private:
    Connection& m_connection;
    bool m_held;
};
