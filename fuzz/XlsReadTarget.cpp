// Reads workbook files of any form, as the import does, and says what became of each.
//
//   xls-read FILE...        one line per file: "read" with the payment lines
//                           taken and the milliseconds, or "refused" with the message
//   xls-read --dump FILE    every non-empty cell of the first worksheet,
//                           "row<TAB>col<TAB>text" (\\, \t, \n, \r escaped);
//                           a cell that fails prints "!" and its message as text
//
// Built with afl++'s compiler it is the fuzz target instead: each input is
// read from memory, every cell is converted, and the import's read runs over it.
#include "ReadTarget.h"
#include "WorkbookFile.h"
#include "XlsWorkbook.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

int dump(const QString& path)
{
    std::unique_ptr<Workbook> book;
    try {
        book = WorkbookFile::open(path);
    } catch (const Workbook::Error& e) {
        std::printf("refused\t%s\n", escaped(QString::fromStdString(e.what())).constData());
        return 0;
    }
    QString text;
    const int cols = std::min(book->colCount(), 1024);
    for (int r = 1; r <= book->rowCount(); ++r)
        for (int c = 1; c <= cols; ++c) {
            try {
                book->readCell(r, c, text);
            } catch (const Workbook::Error& e) {
                text = QStringLiteral("!") + QString::fromStdString(e.what());
            }
            if (!text.isEmpty())
                std::printf("%d\t%d\t%s\n", r, c, escaped(text).constData());
        }
    return 0;
}

int readFiles(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        QElapsedTimer t;
        t.start();
        TextGrid grid;
        try {
            exercise(*WorkbookFile::open(path));
            const int lines = readChequeSheet(path, grid);
            std::printf("read\t%d\t%lld\t%s\n", lines, static_cast<long long>(t.elapsed()), argv[i]);
        } catch (const SheetReadError& e) {
            std::printf("refused\t%lld\t%s\t%s\n", static_cast<long long>(t.elapsed()), argv[i],
                        escaped(QString::fromStdString(e.what())).constData());
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
        XlsWorkbook book;
        try {
            book.openData(bytes, QStringLiteral("fuzz.xls"));
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
    if (argc == 3 && QByteArray(argv[1]) == "--dump")
        return dump(QFile::decodeName(argv[2]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: xls-read FILE... | xls-read --dump FILE\n");
        return 2;
    }
    return readFiles(argc, argv);
}
#endif
