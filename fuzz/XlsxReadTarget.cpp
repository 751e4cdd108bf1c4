// Reads .xlsx files with the Office Open XML reader alone and says what became of each.
//
//   xlsx-read FILE...        one line per file: "read" with the rows, columns,
//                            formulas and milliseconds of the open, the writing program and
//                            whether it asks for recalculation; or "refused"
//                            with the milliseconds and the message
//
// Built with afl++'s compiler it is the fuzz target instead: each input is
// read from memory, every cell is converted, and the import's read runs over it.
#include "ReadTarget.h"
#include "XlsxWorkbook.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>

namespace {

int readFiles(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        QElapsedTimer t;
        t.start();
        try {
            XlsxWorkbook book;
            book.open(path);
            const qint64 ms = t.elapsed();
            const int rows = book.rowCount();
            const int cols = book.colCount();
            const size_t formulas = book.cells().formulas().size();
            exercise(book);  // the import's read closes the book
            std::printf("read\t%d\t%d\t%zu\t%lld\t%s\t%s\t%s\n", rows, cols, formulas, static_cast<long long>(ms),
                        escaped(book.application()).constData(), book.fullCalcOnLoad() ? "recalc" : "-", argv[i]);
        } catch (const Workbook::Error& e) {
            std::printf("refused\t%lld\t%s\t%s\n", static_cast<long long>(t.elapsed()), argv[i],
                        escaped(QString::fromStdString(e.what())).constData());
        }
        std::fflush(stdout);
    }
    return 0;
}

}

#ifdef __AFL_FUZZ_TESTCASE_LEN
__AFL_FUZZ_INIT();

int main()
{
    __AFL_INIT();
    const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
    while (__AFL_LOOP(10000)) {
        const QByteArray bytes(reinterpret_cast<const char*>(buf), __AFL_FUZZ_TESTCASE_LEN);
        XlsxWorkbook book;
        try {
            book.openData(bytes, QStringLiteral("fuzz.xlsx"));
        } catch (const Workbook::Error&) {
            continue;
        }
        exercise(book);
    }
    return 0;
}
#else
int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: xlsx-read FILE...\n");
        return 2;
    }
    return readFiles(argc, argv);
}
#endif
