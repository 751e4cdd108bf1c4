// Writes the report grid of one "show data" run, every cell of every row, and
// the total, so that two builds can be compared cell by cell on the same
// database (bench/compare-report.sh). Uses only what the report has always
// offered: the statement, the grid and the total.
//
//   cheque-report-dump DATAHOME OUT.tsv [VENDOR]
#include "AppIdentity.h"
#include "ChequeReport.h"
#include "Connection.h"
#include "Query.h"
#include "ReportSelection.h"
#include "TextGrid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: cheque-report-dump DATAHOME OUT.tsv [VENDOR]\n");
        return 2;
    }
    qputenv("XDG_DATA_HOME", QDir(QString::fromLocal8Bit(argv[1])).absolutePath().toUtf8());
    QCoreApplication app(argc, argv);
    AppIdentity::apply();
    try {
        Connection db;
        db.setConnectionString(Connection::fixedConnectionString());
        db.open();
        Query q(db);
        ReportSelection chosen;
        if (argc == 4) {
            chosen.mode = ReportSelection::Mode::VendorName;
            chosen.text = QString::fromLocal8Bit(argv[3]);
        }
        TextGrid grid;
        const ChequeReport::Outcome out = ChequeReport::run(q, grid, chosen);

        QFile f(QString::fromLocal8Bit(argv[2]));
        if (!f.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the output file");
        // Cells escaped so that a tab or line break inside one cannot shift another.
        QByteArray line;
        for (int r = 0; r < grid.rowCount(); ++r) {
            line.clear();
            for (int c = 0; c < grid.colCount(); ++c) {
                if (c)
                    line += '\t';
                QByteArray cell = grid.cell(c, r).toUtf8();
                cell.replace('\\', "\\\\").replace('\t', "\\t").replace('\n', "\\n").replace('\r', "\\r");
                line += cell;
            }
            line += '\n';
            f.write(line);
        }
        f.write("total\t" + out.totalText.toUtf8() + "\tlines\t" + QByteArray::number(out.lines) + "\n");
        std::printf("%d rows, %d lines, total %s\n", grid.rowCount(), out.lines, qPrintable(out.totalText));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cheque-report-dump: %s\n", e.what());
        return 1;
    }
}
