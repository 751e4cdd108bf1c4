// The tab-separated text reader alone, for scripts/fuzz.sh text-read.
//
//   text-read FILE...  one line per file: "read" with the rows, columns and
//                      milliseconds, or "refused" with the milliseconds and the message
//
// Built with afl++'s compiler it is the fuzz target instead: each input is
// read from memory, every cell is converted, and the import's read runs over it.
#include "ChequeSheetReader.h"
#include "TextWorkbook.h"
#include "TextGrid.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

void exercise(Workbook& book)
{
    QString text;
    const int cols = std::min(book.colCount(), 40);
    for (int r = 1; r <= std::min(book.rowCount(), 1 << 20); ++r)
        for (int c = 1; c <= cols; ++c) {
            try {
                book.readCell(r, c, text);
            } catch (const Workbook::Error&) {
            }
        }
    TextGrid grid;
    try {
        readChequeSheet(book, grid);
    } catch (const SheetReadError&) {
    }
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
        TextWorkbook book;
        try {
            book.openData(bytes, QStringLiteral("fuzz.txt"));
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
        std::fprintf(stderr, "usage: text-read FILE...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        QElapsedTimer t;
        t.start();
        try {
            TextWorkbook book;
            book.open(QFile::decodeName(argv[i]));
            exercise(book);
            std::printf("read\t%d\t%d\t%lld\t%s\n", book.rowCount(), book.colCount(), static_cast<long long>(t.elapsed()), argv[i]);
        } catch (const Workbook::Error& e) {
            std::printf("refused\t%lld\t%s\t%s\n", static_cast<long long>(t.elapsed()), argv[i], e.what());
        }
        std::fflush(stdout);
    }
    return 0;
}
#endif
