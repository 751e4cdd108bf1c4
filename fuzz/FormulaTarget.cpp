// Calculates formulas from any bytes, as the readers do for formulas whose
// stored result cannot be trusted.
//
// The first byte picks the spelling (A1, R1C1, OpenFormula, or .xls parsed
// tokens); the rest is split at newlines (at 0xFF for tokens) into formulas
// for cells A1, A2, ... of a sheet whose columns B..D hold numbers and text.
// Built with afl++'s compiler it is the fuzz target; otherwise it reads the
// files named and prints each cell's value or failure.
#include "FormulaEval.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>

namespace {

class GridCells : public Formula::Cells {
public:
    GridCells()
    {
        rowCount = 64;
        colCount = 4;
    }
    Formula::Value value(int row, int col) const override
    {
        switch (col) {
        case 2: return Formula::Value::num(row * 1.5);
        case 3: return Formula::Value::str(QStringLiteral(" ab ") + QString::number(row));
        case 4: return row % 2 ? Formula::Value::boolean(true) : Formula::Value::error(Formula::Div0);
        default: return Formula::Value();
        }
    }
};

void run(const QByteArray& bytes, bool print)
{
    if (bytes.isEmpty())
        return;
    const int mode = static_cast<uint8_t>(bytes[0]) % 4;
    const QByteArray body = bytes.mid(1);
    const QList<QByteArray> parts = body.split(mode == 3 ? '\xFF' : '\n');
    Formula::Batch batch;
    int row = 0;
    for (const QByteArray& part : parts) {
        if (++row > 4096)
            break;
        const size_t begin = batch.code().items.size();
        QString why;
        bool ok;
        if (mode == 3) {
            ok = Formula::parseBiff8(reinterpret_cast<const uint8_t*>(part.constData()), static_cast<size_t>(part.size()),
                                     batch.code(), why);
        } else {
            const Formula::Syntax syntax = mode == 0   ? Formula::Syntax::A1
                                           : mode == 1 ? Formula::Syntax::R1C1
                                                       : Formula::Syntax::OpenFormula;
            ok = Formula::parse(QString::fromUtf8(part), syntax, row, 1, batch.code(), why);
        }
        if (ok)
            batch.add(row, 1, begin, batch.code().items.size());
        else
            batch.addRefused(row, 1, why);
    }
    const GridCells cells;
    batch.run(cells);
    for (size_t i = 0; i < batch.size(); ++i) {
        const Formula::Value& v = batch.result(i);
        if (!print)
            continue;
        QString text;
        switch (v.type) {
        case Formula::Value::Type::Number: text = Formula::numberText(v.number); break;
        case Formula::Value::Type::Bool: text = v.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); break;
        case Formula::Value::Type::Error: text = Formula::errorName(v.code); break;
        case Formula::Value::Type::Fail: text = QStringLiteral("! ") + v.text; break;
        default: text = v.text; break;
        }
        std::printf("A%d\t%s\n", batch.row(i), text.toUtf8().constData());
    }
}

}

#ifdef __AFL_FUZZ_TESTCASE_LEN
__AFL_FUZZ_INIT();

int main()
{
    __AFL_INIT();
    const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
    while (__AFL_LOOP(10000))
        run(QByteArray(reinterpret_cast<const char*>(buf), __AFL_FUZZ_TESTCASE_LEN), false);
    return 0;
}
#else
int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: formula-calc FILE...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        QFile f(QFile::decodeName(argv[i]));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        run(f.readAll(), true);
    }
    return 0;
}
#endif
