#include "EmbeddedCatalog.h"

#include <QFile>
#include <QString>
#include <cmath>
#include <random>
#include <vector>
#include <sqlite3.h>
#include <stdexcept>

namespace {

const char* kWords[] = {"สยาม", "ไทยรุ่งเรือง", "เจริญพาณิชย์", "ก่อสร้าง", "วัสดุภัณฑ์", "การพิมพ์",
                        "อุปกรณ์สำนักงาน", "ขนส่ง", "เทคโนโลยี", "บริการ", "อาหาร", "เกษตรภัณฑ์",
                        "ยานยนต์", "ไฟฟ้า", "ศรีสุข", "มั่นคง"};
const char* kPrefixes[] = {"บริษัท ", "ห้างหุ้นส่วนจำกัด ", "ร้าน "};
const char* kDescriptions[] = {"ค่าวัสดุสำนักงาน", "ค่าซ่อมบำรุง", "ค่าบริการขนส่ง", "ค่าจ้างเหมา",
                               "ค่าเช่าอาคาร", "ค่าอุปกรณ์คอมพิวเตอร์"};

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

}

// A stored-cheque database of about `lines` invoice lines, 1 to 9 per cheque
// (five on average, so a million lines make about 200,000 cheques).
void generateDatabase(const QString& path, long lines)
{
    QFile::remove(path);
    EmbeddedCatalog::create(path);
    EmbeddedCatalog cat(path);
    sqlite3* db = cat.handle();
    std::mt19937 rng(2569);
    auto pick = [&](int n) { return static_cast<int>(rng() % n); };

    check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr));
    sqlite3_stmt* main = nullptr;
    sqlite3_stmt* detail = nullptr;
    check(db, sqlite3_prepare_v2(db,
        "INSERT INTO TSQ_Cheque_Main (Cheque_PK, Profit_Center_Code, Deka_Creat_date, Deka_Receipt_Date,"
        " Payment_Method, Deka_Number, Clearing_Document, Clearing_Date, Check_No, Vendor_no, Vendor_Name,"
        " Delivery_Mode, Tax_Number, Data_Status, Cheque_Reference_Document_Type, Invoice_No,"
        " vendor_name_recmoney, Sum_Total_Amount, Sum_WHT_Amount, Sum_To_Be_Paid)"
        " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &main, nullptr));
    check(db, sqlite3_prepare_v2(db,
        "INSERT INTO TSQ_Cheque_Detail (Cheque_PK, Pstng_Date, DocumentNo, Description, Total_Amount,"
        " WHT_Amount, To_Be_Paid, Fund) VALUES (?,?,?,?,?,?,?,?)", -1, &detail, nullptr));

    auto text = [](sqlite3_stmt* s, int i, const QByteArray& v) {
        sqlite3_bind_text(s, i, v.constData(), v.size(), SQLITE_TRANSIENT);
    };
    long written = 0;
    long cheque = 100000;
    long doc = 5100000000;
    while (written < lines) {
        ++cheque;
        const int n = static_cast<int>(std::min<long>(1 + pick(9), lines - written));
        const int year = 2020 + pick(7);
        const QByteArray date = QStringLiteral("%1.%2.%3").arg(1 + pick(28), 2, 10, QChar('0'))
                                    .arg(1 + pick(12), 2, 10, QChar('0')).arg(year).toUtf8();
        const QByteArray key = QByteArray::number(year) + '/' + QByteArray::number(cheque);
        const QByteArray vendor = QByteArray(kPrefixes[pick(3)]) + kWords[pick(16)] + kWords[pick(16)] + " จำกัด";
        double sumTotal = 0, sumWht = 0;
        struct Line { QByteArray doc; double total, wht; };
        std::vector<Line> ls;
        for (int i = 0; i < n; ++i) {
            const double total = (10000 + pick(25000000)) / 100.0;
            const double wht = std::round(total * (pick(3) == 0 ? 0.03 : 0.01) * 100) / 100;
            ls.push_back({QByteArray::number(++doc), total, wht});
            sumTotal += total;
            sumWht += wht;
        }
        int i = 1;
        text(main, i++, key);
        text(main, i++, "P" + QByteArray::number(1000 + pick(40)));
        text(main, i++, date);
        text(main, i++, date);
        text(main, i++, pick(2) ? "C" : "K");
        text(main, i++, "DK" + QByteArray::number(10000000 + cheque));
        text(main, i++, QByteArray::number(2000000000 + cheque));
        text(main, i++, date);
        text(main, i++, QByteArray::number(cheque));
        text(main, i++, QByteArray::number(2000000 + pick(900000)));
        text(main, i++, vendor);
        text(main, i++, "1");
        text(main, i++, QByteArray::number(1000000000000LL + cheque));
        text(main, i++, "P");
        text(main, i++, "KZ");
        text(main, i++, "INV" + QByteArray::number(cheque));
        text(main, i++, vendor);
        sqlite3_bind_double(main, i++, sumTotal);
        sqlite3_bind_double(main, i++, sumWht);
        sqlite3_bind_double(main, i++, sumTotal - sumWht);
        check(db, sqlite3_step(main));
        sqlite3_reset(main);
        for (const Line& l : ls) {
            text(detail, 1, key);
            text(detail, 2, date);
            text(detail, 3, l.doc);
            text(detail, 4, kDescriptions[pick(6)]);
            sqlite3_bind_double(detail, 5, l.total);
            sqlite3_bind_double(detail, 6, l.wht);
            sqlite3_bind_double(detail, 7, l.total - l.wht);
            text(detail, 8, "F" + QByteArray::number(100 + pick(40)));
            check(db, sqlite3_step(detail));
            sqlite3_reset(detail);
        }
        written += n;
    }
    sqlite3_finalize(main);
    sqlite3_finalize(detail);
    check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
}
