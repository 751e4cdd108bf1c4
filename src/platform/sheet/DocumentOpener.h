#pragma once

#include <QString>

// Hands a finished file to the desktop's program for it (the spreadsheet
// program for a workbook). Tests install a recording opener, so nothing is
// opened while they run.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // False when nothing on this desktop could open the file.
    virtual bool open(const QString& path) = 0;

    // The opener the windows use; the desktop's own unless one was installed.
    static DocumentOpener& current();
    // Installs an opener (not owned); nullptr restores the desktop's own.
    static void setCurrent(DocumentOpener* opener);
};
