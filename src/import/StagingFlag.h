#pragma once

#include <QString>

class Query;

// The shared staging area's flag: Is_User_Temp of the one row of
// TSQ_IsUse_Data_Temp. "*" while a workstation saves an import, empty text when
// the area is free. Every statement runs on the query object given.
class StagingFlag {
public:
    explicit StagingFlag(Query& query);

    // Shown whenever the flag refuses the user.
    static QString busyMessage();

    // The flag's text; empty text when the table holds no row.
    QString read();
    // Only "*" exactly counts as taken; every other text means free.
    bool isBusy();

    // Sets the flag to "*" only while nobody holds it, so two workstations that
    // both found the area free cannot both take it. False when someone else
    // holds it by now. A table without a row cannot be taken, but then nobody
    // else can hold it either, so that counts as taken.
    bool take();

    // Frees the flag whatever it holds.
    void release();

    // The way out after a save that stopped half-way: frees the flag and
    // empties the staging table, without asking who holds it.
    void clearStagingArea();

private:
    Query& m_query;
};
