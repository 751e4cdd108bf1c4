#include "ChequeSave.h"

#include "DatabaseError.h"
#include "ImportGridLayout.h"
#include "Query.h"
#include "SaveLock.h"
#include "StagingFlag.h"
#include "TextGrid.h"

#include <optional>

namespace {

using L = ImportGridLayout;

SqlText T(const QString& v)
{
    return SqlText{v};
}

SqlNumber N(const QString& v)
{
    return SqlNumber{v};
}

}  // namespace

ChequeSave::ChequeSave(Query& queryA, Query& queryB) : m_a(queryA), m_b(queryB) {}

QString ChequeSave::confirmMessage()
{
    return QStringLiteral("ยืนยันการบันทึกข้อมูล ");
}

QString ChequeSave::savedMessage()
{
    return QStringLiteral("ทำการบันทึกข้อมูลเรียบร้อยแล้ว");
}

QString ChequeSave::notReadMessage()
{
    return QStringLiteral("กรุณาเปิดแฟ้มข้อมูลก่อน");
}

QString ChequeSave::nothingSavedMessage()
{
    return QStringLiteral("การบันทึกไม่สำเร็จ ไม่มีข้อมูลใดจากแฟ้มนี้ถูกบันทึกลงฐานข้อมูล "
                          "สามารถบันทึกแฟ้มนี้ใหม่ได้อีกครั้ง");
}

QString ChequeSave::flagKeptMessage()
{
    return QStringLiteral("แต่สถานะการใช้ Temp ยังค้างอยู่ โปรดกดปุ่ม \"ล้างข้อมูล Temp\" ก่อนนำเข้าข้อมูลครั้งต่อไป");
}

bool ChequeSave::hasImportLayout(const TextGrid& grid)
{
    return grid.colCount() == L::kColumnCount && grid.rowCount() >= 1
           && grid.cell(L::ChequePk, 0) == L::header(L::ChequePk);
}

bool ChequeSave::isDecimalText(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch >= u'0' && ch <= u'9')
            ++digits;
        else if (ch == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

QString ChequeSave::badAmountMessage(const TextGrid& grid)
{
    for (int r = 1; r < grid.rowCount(); ++r) {
        for (int c : {L::TotalAmou, L::WhtAmount, L::ToBePaid}) {
            const QString text = grid.cell(c, r);
            if (!isDecimalText(text))
                return QStringLiteral("จำนวนเงินไม่ถูกต้อง\nแถว %1 คอลัมน์ %2 : %3")
                    .arg(r)
                    .arg(grid.cell(c, 0), text);
        }
    }
    return QString();
}

QString ChequeSave::decodeXmlEntities(const QString& text)
{
    const qsizetype first = text.indexOf(u'&');
    if (first < 0)
        return text;
    QString out;
    out.reserve(text.size());
    out.append(QStringView(text).left(first));
    qsizetype i = first;
    while (i < text.size()) {
        const QChar ch = text[i];
        if (ch != u'&') {
            out.append(ch);
            ++i;
            continue;
        }
        const qsizetype semi = text.indexOf(u';', i + 1);
        // Entity names and references are short; a lone "&" stays as it is.
        if (semi < 0 || semi - i > 10) {
            out.append(ch);
            ++i;
            continue;
        }
        const QStringView name = QStringView(text).mid(i + 1, semi - i - 1);
        char32_t decoded = 0;
        if (name == u"amp")
            decoded = U'&';
        else if (name == u"lt")
            decoded = U'<';
        else if (name == u"gt")
            decoded = U'>';
        else if (name == u"quot")
            decoded = U'"';
        else if (name == u"apos")
            decoded = U'\'';
        else if (name.size() > 1 && name[0] == u'#') {
            bool ok = false;
            uint code = (name[1] == u'x' || name[1] == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                             : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
                decoded = code;
        }
        if (decoded == 0) {
            out.append(ch);
            ++i;
            continue;
        }
        const char32_t cp[1] = {decoded};
        out.append(QString::fromUcs4(cp, 1));
        i = semi + 1;
    }
    return out;
}

ChequeSave::Result ChequeSave::run(const TextGrid& grid, const Hooks& hooks)
{
    if (!hasImportLayout(grid))
        return {Outcome::NotRead, notReadMessage()};

    StagingFlag flag(m_a);
    if (flag.isBusy())
        return {Outcome::Busy, StagingFlag::busyMessage()};

    // An amount the database refuses would fail the save at its row; name the
    // cell before anything is written, so the user knows what to mend.
    const QString bad = badAmountMessage(grid);
    if (!bad.isEmpty())
        return {Outcome::BadAmount, bad};

    if (hooks.confirm && !hooks.confirm())
        return {Outcome::Cancelled, QString()};

    // The take: alone in its transaction, under the save lock (SQL Server)
    // or the file's write lock (embedded), so two takers cannot both get the
    // flag, also when its row is missing.
    Connection& db = m_a.connection();
    std::optional<SaveLock> lock;
    try {
        lock.emplace(db, kTakeWaitMs);
        if (!lock->held() || !db.begin(kTakeWaitMs))
            return {Outcome::Busy, StagingFlag::busyMessage()};
        const bool took = flag.take();
        if (!took) {
            db.rollback();
            return {Outcome::Busy, StagingFlag::busyMessage()};
        }
        db.commit();
    } catch (const DatabaseError& e) {
        // The take is undone with its transaction: the flag is as it was.
        db.rollback();
        return {Outcome::Failed, nothingSavedMessage() + u'\n' + QString::fromUtf8(e.what())};
    } catch (...) {
        db.rollback();
        throw;
    }
    return writeAll(grid, hooks, flag);
}

ChequeSave::Result ChequeSave::writeAll(const TextGrid& grid, const Hooks& hooks, StagingFlag& flag)
{
    Connection& db = m_a.connection();
    // Frees the flag after a failure; says so when even that fails.
    auto freeAfterFailure = [&](QString message) -> Result {
        try {
            flag.release();
        } catch (const DatabaseError& e) {
            message += u'\n' + flagKeptMessage() + QStringLiteral("\n\n") + e.databaseText();
        }
        return {Outcome::Failed, message};
    };

    try {
        if (!db.begin())
            throw DatabaseError(QStringLiteral("The database is locked by another connection"),
                                DatabaseError::Kind::Busy);
        // Between the take's commit and this transaction another workstation
        // could have cleared the area, and a third taken it: then this save
        // must not go on as if the flag were its own.
        if (!flag.isBusy()) {
            db.rollback();
            return {Outcome::Failed,
                    nothingSavedMessage() + u'\n'
                        + QStringLiteral("มีเครื่องอื่นล้างข้อมูล Temp ขณะที่เริ่มบันทึก")};
        }
        // Rows a failed clear may have left must not count in the sums.
        emptyStaging();

        const int rows = grid.rowCount() - 1;
        if (hooks.started)
            hooks.started(rows);
        for (int r = 1; r <= rows; ++r) {
            if (hooks.rowStarted)
                hooks.rowStarted(r);
            writeRow(grid, r);
            if (hooks.rowDone)
                hooks.rowDone(r);
        }

        writeSums();
        writeInvoiceLists();
        emptyStaging();
        db.commit();
    } catch (const DatabaseError& e) {
        db.rollback();
        const QString message = nothingSavedMessage() + u'\n' + QString::fromUtf8(e.what());
        // Whatever this connection would write now goes to a file nobody uses.
        if (e.kind() == DatabaseError::Kind::Moved)
            return {Outcome::Failed, message};
        return freeAfterFailure(message);
    } catch (...) {
        db.rollback();
        try {
            flag.release();
        } catch (...) {
        }
        throw;
    }

    try {
        flag.release();
    } catch (const DatabaseError& e) {
        return {Outcome::SavedFlagKept,
                savedMessage() + u'\n' + flagKeptMessage() + QStringLiteral("\n\n") + QString::fromUtf8(e.what())};
    }
    return {Outcome::Saved, savedMessage()};
}

void ChequeSave::writeRow(const TextGrid& grid, int row)
{
    // Cells are taken from the grid as a statement needs them: a row of a
    // cheque already stored uses fewer than half of them.
    m_have.fill(false);
    auto c = [&](int col) -> const QString& {
        if (!m_have[col]) {
            m_cells[col] = grid.cell(col, row);
            m_have[col] = true;
        }
        return m_cells[col];
    };

    Query& q = m_a;

    // Staging row.
    q.close();
    q.clear();
    q.addLine({"INSERT INTO TSQ_Cheque_Temp"});
    q.addLine({"(Cheque_PK, Total_Amount, WHT_Amount"});
    q.addLine({", To_Be_Paid,Invoice_No)"});
    q.addLine({"VALUES"});
    q.addLine({"(", T(c(L::ChequePk)), ",", T(c(L::TotalAmou)), ",", T(c(L::WhtAmount))});
    q.addLine({", ", T(c(L::ToBePaid)), ",", T(c(L::InvoiceNo)), ")"});
    q.execute();

    // Cheque header: created by the first row of a key, later rows refresh the tax number.
    q.close();
    q.clear();
    q.addLine({"Select *"});
    q.addLine({"FROM TSQ_Cheque_Main"});
    q.addLine({"Where Cheque_PK =", T(c(L::ChequePk))});
    q.open();
    if (q.recordCount() >= 1) {
        q.close();
        q.clear();
        q.addLine({"UPDATE TSQ_Cheque_Main"});
        q.addLine({"Set Tax_Number=", T(c(L::TaxNumber))});
        q.addLine({"Where Cheque_PK =", T(c(L::ChequePk))});
        q.execute();
    } else {
        q.close();
        q.clear();
        q.addLine({"INSERT INTO TSQ_Cheque_Main"});
        q.addLine({"(Cheque_PK, Profit_Center_Code, Deka_Creat_date"});
        q.addLine({", Deka_Receipt_Date, Payment_Method, Deka_Number"});
        q.addLine({", Clearing_Document, Clearing_Date, Check_No"});
        q.addLine({", Vendor_no, Vendor_Name, Delivery_Mode"});
        q.addLine({", Tax_Number, Data_Status, Cheque_Reference_Document_Type "});
        q.addLine({",Invoice_No,vendor_name_recmoney)"});
        q.addLine({"VALUES"});
        q.addLine({"(", T(c(L::ChequePk)), ", ", T(c(L::ProfitCenterCode)), ",", T(c(L::DekaCreat))});
        q.addLine({",", T(c(L::DekaRecei)), ", ", T(c(L::PaymentMethod)), ",", T(c(L::DekaNumber))});
        q.addLine({",", T(c(L::ClearingDocument)), ", ", T(c(L::ClearingDate)), ",", T(c(L::CheckNo))});
        q.addLine({",", T(c(L::Vendor)), ", ", T(c(L::VendorName)), ",", T(c(L::DeliveryMode))});
        q.addLine({",", T(c(L::TaxNumber)), ", ", T(c(L::Status)), ",", T(c(L::Reference))});
        q.addLine({",", T(c(L::InvoiceNo)), ", ", T(c(L::Payee)), ")"});
        q.execute();
    }

    // Profit centre, added once.
    q.close();
    q.clear();
    q.addLine({"Select *"});
    q.addLine({"FROM TSQR_Profit_Center"});
    q.addLine({"Where Profit_Center_Code =", T(c(L::ProfitCenterCode))});
    q.open();
    if (q.recordCount() < 1) {
        q.close();
        q.clear();
        q.addLine({"INSERT INTO TSQR_Profit_Center"});
        q.addLine({"( Profit_Center_Code, Profit_Center_Name, Profit_Center_Lacation_Rec_Cheque )"});
        q.addLine({"VALUES"});
        q.addLine({"(", T(c(L::ProfitCenterCode)), ",", T(c(L::ProfitCenter)), ",", T(c(L::ProfitCenter)), ")"});
        q.execute();
    }

    // Invoice line, added once. The document number is part of the line's
    // identity: two invoices of one cheque may well carry equal amounts.
    q.close();
    q.clear();
    q.addLine({"Select *"});
    q.addLine({"FROM TSQ_Cheque_Detail"});
    q.addLine({"Where Cheque_PK =", T(c(L::ChequePk))});
    q.addLine({"and Total_Amount=", N(Query::numberText(c(L::TotalAmou).trimmed().toDouble()))});
    q.addLine({"and DocumentNo=", T(c(L::DocumentNo))});
    q.open();
    if (q.recordCount() < 1) {
        q.close();
        q.clear();
        q.addLine({"INSERT INTO TSQ_Cheque_Detail"});
        q.addLine({"( Cheque_PK, Pstng_Date, DocumentNo"});
        q.addLine({", Description, Total_Amount, WHT_Amount"});
        q.addLine({", To_Be_Paid, Fund)"});
        q.addLine({"VALUES"});
        q.addLine({"(", T(c(L::ChequePk)), ",", T(c(L::PstngDate)), ",", T(c(L::DocumentNo))});
        q.addLine({", ", T(c(L::Description)), ",", T(c(L::TotalAmou)), ",", T(c(L::WhtAmount))});
        q.addLine({",", T(c(L::ToBePaid)), ",", T(c(L::Fund)), ")"});
        q.execute();
    }
}

void ChequeSave::writeSums()
{
    m_a.close();
    m_a.clear();
    m_a.addLine({"SELECT TSQ_Cheque_Temp.Cheque_PK, Sum(TSQ_Cheque_Temp.Total_Amount) AS SumOfTotal_Amount"});
    m_a.addLine({", Sum(TSQ_Cheque_Temp.WHT_Amount) AS SumOfWHT_Amount"});
    m_a.addLine({", Sum(TSQ_Cheque_Temp.To_Be_Paid) AS SumOfTo_Be_Paid"});
    m_a.addLine({"FROM TSQ_Cheque_Temp"});
    m_a.addLine({"GROUP BY TSQ_Cheque_Temp.Cheque_PK"});
    m_a.addLine({"ORDER BY TSQ_Cheque_Temp.Cheque_PK"});
    m_a.open();
    const QString pkField = QStringLiteral("Cheque_PK");
    const QString totalField = QStringLiteral("SumOfTotal_Amount");
    const QString whtField = QStringLiteral("SumOfWHT_Amount");
    const QString paidField = QStringLiteral("SumOfTo_Be_Paid");
    while (!m_a.eof()) {
        const QString pk = m_a.fieldText(pkField);
        m_b.close();
        m_b.clear();
        m_b.addLine({"UPDATE TSQ_Cheque_Main"});
        m_b.addLine({"SET Sum_Total_Amount =", N(m_a.fieldText(totalField))});
        m_b.addLine({", Sum_WHT_Amount =", N(m_a.fieldText(whtField))});
        m_b.addLine({", Sum_To_Be_Paid =", N(m_a.fieldText(paidField))});
        m_b.addLine({"WHERE  Cheque_PK =", T(pk)});
        m_b.execute();
        m_a.next();
    }
}

void ChequeSave::writeInvoiceLists()
{
    m_a.close();
    m_a.clear();
    m_a.addLine({"SELECT Main.Cheque_PK,"});
    m_a.addLine({"LEFT(Main.TSQ_Cheque_Temp,Len(TSQ_Cheque_Temp)-1) As \"Invoice_no\""});
    m_a.addLine({"FROM"});
    m_a.addLine({" ("});
    m_a.addLine({"SELECT DISTINCT ST2.Cheque_PK,"});
    m_a.addLine({"("});
    m_a.addLine({"SELECT DISTINCT ST1.Invoice_No + ';' AS [text()]"});
    m_a.addLine({"FROM TSQ_Cheque_Temp ST1"});
    m_a.addLine({"WHERE ST1.Cheque_PK = ST2.Cheque_PK"});
    m_a.addLine({"FOR XML PATH ('')"});
    m_a.addLine({") [TSQ_Cheque_Temp]"});
    m_a.addLine({"FROM TSQ_Cheque_Temp ST2"});
    m_a.addLine({") [Main]"});
    m_a.open();
    const QString listField = QStringLiteral("Invoice_no");
    const QString pkField = QStringLiteral("Cheque_PK");
    while (!m_a.eof()) {
        // The XML concatenation escapes & < > and the like; store the
        // invoice numbers as they were, and cut only after decoding so an
        // entity cannot be split or eat into the 180 characters.
        QString list = decodeXmlEntities(m_a.fieldText(listField));
        if (list.size() > kInvoiceListMax) {
            qsizetype cut = kInvoiceListMax;
            if (list.at(cut - 1).isHighSurrogate())
                --cut;
            list.truncate(cut);
        }
        const QString pk = m_a.fieldText(pkField);
        m_b.close();
        m_b.clear();
        m_b.addLine({"UPDATE TSQ_Cheque_Main"});
        m_b.addLine({"SET Invoice_No =", T(list)});
        m_b.addLine({"WHERE  Cheque_PK =", T(pk)});
        m_b.execute();
        m_a.next();
    }
}

void ChequeSave::emptyStaging()
{
    m_a.close();
    m_a.clear();
    m_a.addLine({"Delete from TSQ_Cheque_Temp"});
    m_a.execute();
}
