#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <sys/resource.h>

// One benchmark figure per process, so each peak memory reading is its own.
inline long peakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The line bench/run.sh reads: seconds, peak kB, then free-form detail.
inline void printFigure(double seconds, const QString& detail = QString())
{
    std::printf("RESULT %.3f %ld %s\n", seconds, peakRssKb(), detail.toUtf8().constData());
    std::fflush(stdout);
}
