#include "ImportLedger.h"

#include "AmountFormat.h"
#include "DatabaseError.h"
#include "Query.h"
#include "SaveStatements.h"
#include "SheetSummary.h"

#include <cmath>

namespace ImportLedger {

namespace {

qint64 satangOf(double v)
{
    return std::llround(v * 100.0);
}

// Earlier saves listed in a confirmation: the newest few are enough.
constexpr size_t kListedSaves = 3;

QString when(const QDateTime& t)
{
    return t.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

}  // namespace

std::optional<std::vector<Row>> savesOf(Query& q, const QString& sha256)
{
    std::vector<Row> out;
    try {
        SaveStatements::ledgerLookup(q, sha256);
        q.open();
    } catch (const DatabaseError& e) {
        if (isMissingTable(e))
            return std::nullopt;
        throw;
    }
    for (; !q.eof(); q.next()) {
        Row r;
        r.when = q.fieldDateTime(QStringLiteral("Import_Date"));
        r.login = q.fieldText(QStringLiteral("Login_Name"));
        r.workstation = q.fieldText(QStringLiteral("Workstation_Name"));
        r.fileName = q.fieldText(QStringLiteral("File_Name"));
        r.fileSize = static_cast<qint64>(q.fieldNumber(QStringLiteral("File_Size")));
        r.sha256 = q.fieldText(QStringLiteral("File_SHA256"));
        r.linesTaken = q.fieldInt(QStringLiteral("Lines_Taken"));
        r.linesPassedOver = q.fieldInt(QStringLiteral("Lines_Passed_Over"));
        r.chequesNew = q.fieldInt(QStringLiteral("Cheques_New"));
        r.chequesStored = q.fieldInt(QStringLiteral("Cheques_Stored"));
        r.invoiceLinesAdded = q.fieldInt(QStringLiteral("Invoice_Lines_Added"));
        r.invoiceLinesStored = q.fieldInt(QStringLiteral("Invoice_Lines_Stored"));
        r.sumTotal = satangOf(q.fieldNumber(QStringLiteral("Sum_Total_Amount")));
        r.sumWht = satangOf(q.fieldNumber(QStringLiteral("Sum_WHT_Amount")));
        r.sumToBePaid = satangOf(q.fieldNumber(QStringLiteral("Sum_To_Be_Paid")));
        r.reconciled = q.fieldText(QStringLiteral("Reconciled"));
        out.push_back(std::move(r));
    }
    q.close();
    return out;
}

void write(Query& q, const Row& row)
{
    SaveStatements::ledgerInsert(q, row);
    q.execute();
}

bool isMissingTable(const DatabaseError& e)
{
    // SQLite: "no such table: TSQ_Import_Log"; SQL Server: "Invalid object
    // name 'TSQ_Import_Log'" (error 208).
    const QString text = e.databaseText();
    return text.contains(QLatin1String("TSQ_Import_Log"), Qt::CaseInsensitive)
           && (text.contains(QLatin1String("no such table"), Qt::CaseInsensitive)
               || text.contains(QLatin1String("Invalid object name"), Qt::CaseInsensitive));
}

QString missingTableMessage()
{
    return QStringLiteral("ฐานข้อมูลยังไม่มีตารางบันทึกประวัติการนำเข้า (TSQ_Import_Log) "
                          "การนำเข้าครั้งนี้จึงไม่ถูกบันทึกในประวัติ และตรวจไม่ได้ว่าแฟ้มนี้เคยนำเข้าแล้วหรือไม่\n"
                          "โปรดแจ้งผู้ดูแลระบบให้รันสคริปต์ sql/sqlserver/upgrade-import-log.sql กับฐานข้อมูล");
}

QString duplicateMessage(const std::vector<Row>& earlier)
{
    const AmountFormat money;
    QString text = QStringLiteral("แฟ้มนี้เคยบันทึกลงฐานข้อมูลแล้ว %1 ครั้ง:").arg(earlier.size());
    for (size_t i = 0; i < earlier.size() && i < kListedSaves; ++i) {
        const Row& r = earlier[i];
        text += QStringLiteral("\n- เมื่อ %1 โดย %2 (เครื่อง %3) แฟ้ม %4: %5 บรรทัด %6 เช็ค "
                               "ยอดรวม %7 ภาษีหัก ณ ที่จ่าย %8 ยอดจ่าย %9")
                    .arg(when(r.when), r.login, r.workstation, r.fileName)
                    .arg(r.linesTaken)
                    .arg(r.chequesNew + r.chequesStored)
                    .arg(SheetSummary::formatSatang(r.sumTotal, money),
                         SheetSummary::formatSatang(r.sumWht, money),
                         SheetSummary::formatSatang(r.sumToBePaid, money));
    }
    if (earlier.size() > kListedSaves)
        text += QStringLiteral("\n- และอีก %1 ครั้งก่อนหน้านั้น").arg(earlier.size() - kListedSaves);
    text += QStringLiteral("\nต้องการบันทึกแฟ้มนี้อีกครั้งหรือไม่");
    return text;
}

QString notReconciledMessage(const SheetSummary& sheet)
{
    const AmountFormat money;
    const SheetSummary::Amounts d = sheet.difference();
    return QStringLiteral("ยอดรวมของบรรทัดที่อ่านได้ไม่ตรงกับแถวยอดรวมของแฟ้ม (แถว %1)\n"
                          "ผลต่าง (ยอดรวมในแฟ้ม ลบ บรรทัดที่นำเข้าและที่ข้าม): "
                          "Total %2  WHT %3  To Be Paid %4\n"
                          "ต้องการบันทึกต่อหรือไม่")
        .arg(sheet.totalsRow)
        .arg(SheetSummary::formatSatang(d.total, money), SheetSummary::formatSatang(d.wht, money),
             SheetSummary::formatSatang(d.toBePaid, money));
}

}
