#pragma once

#include <QString>

class Query;

// The shared staging area's flag: Is_User_Temp of the one row of
// TSQ_IsUse_Data_Temp. "*" while a workstation saves an import, empty text when
// the area is free. Every statement runs on the query object given.
//
// The flag says that the area is in use; the database says whether the save
// that set it is still alive (the embedded file's write lock, held by the
// save's transaction; SQL Server's save lock). So the clear button frees a
// flag that a dead save left behind, and never one whose save still runs.
class StagingFlag {
public:
    explicit StagingFlag(Query& query);

    // Shown whenever the flag refuses the user.
    static QString busyMessage();
    // Shown when the clear button finds a save running.
    static QString saveRunningMessage();
    static QString clearedMessage();

    // The flag's text; empty text when the table holds no row.
    QString read();
    // Only "*" exactly counts as taken; every other text means free.
    bool isBusy();

    // Sets the flag to "*" only while nobody holds it, so two workstations that
    // both found the area free cannot both take it. False when someone else
    // holds it by now. A table without its row gets one, holding "*". Runs
    // inside the caller's transaction, which holds the lock that keeps other
    // takers out until it commits.
    bool take();

    // Frees the flag whatever it holds.
    void release();

    enum class Clear { Cleared, SaveRunning };
    // The way out after a save that stopped half-way: frees the flag and
    // empties the staging table in one transaction, without asking who holds
    // the flag, unless a save is running right now.
    Clear clearStagingArea();

private:
    Query& m_query;
};
