#pragma once

#include "DocumentOpener.h"

#include <QStringList>

// Records the files it is handed instead of opening them; says it opened
// them unless told to answer as a desktop without a spreadsheet program.
class RecordingOpener : public DocumentOpener {
public:
    explicit RecordingOpener(bool answer = true) : answer(answer) {}
    bool open(const QString& path) override
    {
        opened << path;
        return answer;
    }

    QStringList opened;
    bool answer;
};
