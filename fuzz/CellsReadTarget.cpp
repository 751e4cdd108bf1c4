// One reader of a typed form alone (its class given by the build: READER_CLASS
// from READER_HEADER), for scripts/fuzz.sh ods-read, xml2003-read, text-read, html-read.
//
//   TARGET FILE...     one line per file: "read" with the rows, columns and
//                      milliseconds of the open, or "refused" with the milliseconds and the message
//
// Built with afl++'s compiler it is the fuzz target instead: each input is
// read from memory, every cell is converted, and the import's read runs over it.
#include "ReadTarget.h"
#include READER_HEADER

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

#ifdef __AFL_FUZZ_TESTCASE_LEN
__AFL_FUZZ_INIT();

int main()
{
    __AFL_INIT();
    const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
    while (__AFL_LOOP(10000)) {
        const QByteArray bytes(reinterpret_cast<const char*>(buf), __AFL_FUZZ_TESTCASE_LEN);
        READER_CLASS book;
        try {
            book.openData(bytes, QStringLiteral("fuzz"));
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
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        QElapsedTimer t;
        t.start();
        try {
            READER_CLASS book;
            book.open(QFile::decodeName(argv[i]));
            const int rows = book.rowCount();
            const int cols = book.colCount();
            const qint64 ms = t.elapsed();
            exercise(book);
            std::printf("read\t%d\t%d\t%lld\t%s\n", rows, cols, static_cast<long long>(ms), argv[i]);
        } catch (const Workbook::Error& e) {
            std::printf("refused\t%lld\t%s\t%s\n", static_cast<long long>(t.elapsed()), argv[i], e.what());
        }
        std::fflush(stdout);
    }
    return 0;
}
#endif
