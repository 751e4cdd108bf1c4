#include "ImportLogQuery.h"

#include "AmountFormat.h"
#include "Query.h"
#include "TextGrid.h"

#include <cmath>

namespace ImportLogQuery {

namespace {

const char* const kHeaders[kColumnCount] = {
    "No. ",          "วันที่และเวลานำเข้า", "ผู้นำเข้า",        "เครื่อง",          "แฟ้ม",
    "ขนาด (ไบต์)",   "SHA-256",          "บรรทัดที่นำเข้า",   "แถวที่ข้าม",        "เช็คใหม่",
    "เช็คที่มีอยู่แล้ว",  "รายการใหม่",        "รายการที่มีอยู่แล้ว", "Total Money",     "Total WHT",
    "Total To Be Paid", "ยอดตรงกับแฟ้ม",
};
const int kWidths[kColumnCount] = {40, 130, 90, 110, 200, 80, 120, 70, 70, 60, 60, 70, 70, 100, 90, 100, 90};

QString reconciledText(const QString& word)
{
    if (word == QLatin1String("yes"))
        return QStringLiteral("ตรง");
    if (word == QLatin1String("no"))
        return QStringLiteral("ไม่ตรง");
    return QStringLiteral("ไม่มีแถวยอดรวม");
}

}  // namespace

QString header(int column)
{
    return column >= 0 && column < kColumnCount ? QString::fromUtf8(kHeaders[column]) : QString();
}

void select(Query& q, const QString& text)
{
    q.close();
    q.clear();
    q.addLine({"SELECT Import_Date, Login_Name, Workstation_Name, File_Name, File_Size, File_SHA256"});
    q.addLine({", Lines_Taken, Lines_Passed_Over, Cheques_New, Cheques_Stored"});
    q.addLine({", Invoice_Lines_Added, Invoice_Lines_Stored"});
    q.addLine({", Sum_Total_Amount, Sum_WHT_Amount, Sum_To_Be_Paid, Reconciled"});
    q.addLine({"FROM TSQ_Import_Log"});
    if (!text.isEmpty()) {
        const QString pattern = u'%' + text + u'%';
        q.addLine({"WHERE (File_Name LIKE ", SqlText{pattern}, " OR Login_Name LIKE ", SqlText{pattern}, ")"});
    }
    q.addLine({"ORDER BY Import_Date DESC"});
}

int fill(Query& q, TextGrid& grid, const Filter& filter)
{
    grid = TextGrid();
    grid.setColCount(kColumnCount);
    grid.setRowCount(2);
    for (int c = 0; c < kColumnCount; ++c) {
        grid.setColWidth(c, kWidths[c]);
        grid.setCell(c, 0, header(c));
    }
    grid.setFixedRows(1);

    select(q, filter.text);
    q.open();
    const AmountFormat money;
    int r = 0;
    for (; !q.eof(); q.next()) {
        const QDateTime when = q.fieldDateTime(QStringLiteral("Import_Date"));
        if ((filter.from.isValid() && when.date() < filter.from) || (filter.to.isValid() && when.date() > filter.to))
            continue;
        ++r;
        if (r >= grid.rowCount())
            grid.setRowCount(r + 1);
        auto set = [&](int c, const QString& text) { grid.setCell(c, r, text); };
        set(No, QString::number(r));
        set(ImportDate, when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
        set(Login, q.fieldText(QStringLiteral("Login_Name")));
        set(Workstation, q.fieldText(QStringLiteral("Workstation_Name")));
        set(FileName, q.fieldText(QStringLiteral("File_Name")));
        set(FileSize, QString::number(std::llround(q.fieldNumber(QStringLiteral("File_Size")))));
        // Kept as text in an exported workbook, whatever its digits look like.
        set(Sha256, u'\'' + q.fieldText(QStringLiteral("File_SHA256")));
        set(LinesTaken, QString::number(q.fieldInt(QStringLiteral("Lines_Taken"))));
        set(LinesPassedOver, QString::number(q.fieldInt(QStringLiteral("Lines_Passed_Over"))));
        set(ChequesNew, QString::number(q.fieldInt(QStringLiteral("Cheques_New"))));
        set(ChequesStored, QString::number(q.fieldInt(QStringLiteral("Cheques_Stored"))));
        set(InvoiceLinesAdded, QString::number(q.fieldInt(QStringLiteral("Invoice_Lines_Added"))));
        set(InvoiceLinesStored, QString::number(q.fieldInt(QStringLiteral("Invoice_Lines_Stored"))));
        set(SumTotal, money(q.fieldNumber(QStringLiteral("Sum_Total_Amount"))));
        set(SumWht, money(q.fieldNumber(QStringLiteral("Sum_WHT_Amount"))));
        set(SumToBePaid, money(q.fieldNumber(QStringLiteral("Sum_To_Be_Paid"))));
        set(Reconciled, reconciledText(q.fieldText(QStringLiteral("Reconciled"))));
    }
    q.close();
    if (r == 0)
        grid.setRowCount(2);
    return r;
}

}
