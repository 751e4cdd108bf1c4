// What the import window shows beside the grid's cells: which file it holds,
// where the file-open panel stands, which files the panel lists, and columns
// wide enough for what they hold.
#include "ImportWindowDriver.h"

#include "ImportGridLayout.h"
#include "StringGrid.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kOpened = QStringLiteral("แฟ้มข้อมูลที่เปิด : ");

QStringList listed(const FileListBox* box)
{
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->item(i)->text();
    return names;
}

// Double-clicks the divider at the right edge of a column's header.
void doubleClickDivider(StringGrid* grid, int col)
{
    QHeaderView* header = grid->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(col) + header->sectionSize(col) - 1, header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace

TEST_F(ImportWindowTest, RulesSayWhichFilesAreReadAndThatQuotesAreKept)
{
    EXPECT_EQ(w->Label8->text(),
              QStringLiteral("2. นำเข้าได้ทั้งแฟ้ม Excel (.xls, .xlsx, .xlsm), OpenDocument (.ods), "
                             "แฟ้มข้อความคั่นด้วยแท็บ, หน้าเว็บ/MHTML และ XML Spreadsheet 2003 ที่ส่งออกจาก SAP"));
    EXPECT_EQ(w->Label10->text(),
              QStringLiteral("3. เครื่องหมาย ' และ \" ในแฟ้มจะถูกบันทึกตามที่เป็นอยู่ ไม่ต้องลบออกก่อนนำเข้า"));
}

TEST_F(ImportWindowTest, LabelNamesTheFileReadAndARefusedReadSaysWhatTheGridStillHolds)
{
    EXPECT_EQ(w->LF_Name->text(), QStringLiteral("แฟ้มข้อมูลที่เปิด :"));
    // Refused before anything was read: the grid holds no file, nothing to say.
    openSheet(fixture("not_a_workbook.xls"), {B::Ok});
    EXPECT_FALSE(w->GridNote->isVisible());

    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    EXPECT_EQ(w->LF_Name->text(), kOpened + QStringLiteral("cheques_typical.xls (อ่านได้ 15 บรรทัด)"));
    EXPECT_FALSE(w->GridNote->isVisible());

    // A refused read keeps the grid and the label, and says so beside the grid.
    ASSERT_EQ(openSheet(fixture("not_a_workbook.xls"), {B::Ok}).size(), 1);
    EXPECT_EQ(w->StringGrid1->grid().rowCount(), 16);
    EXPECT_EQ(w->LF_Name->text(), kOpened + QStringLiteral("cheques_typical.xls (อ่านได้ 15 บรรทัด)"));
    EXPECT_TRUE(w->GridNote->isVisible());
    EXPECT_TRUE(w->GridNote->text().contains(QStringLiteral("cheques_typical.xls")));
    EXPECT_TRUE(w->GridNote->text().contains(QStringLiteral("not_a_workbook.xls")));

    // So does Open with no file chosen.
    w->GridNote->hide();
    click(w->BitBtn1);
    w->FileListBox1->clearSelection();
    click(w->btnOpen, {B::Ok});
    EXPECT_TRUE(w->GridNote->isVisible());
    EXPECT_TRUE(w->GridNote->text().contains(QStringLiteral("cheques_typical.xls")));

    // A read that succeeds, even without lines, takes the note away.
    openSheet(fixture("cheques_no_lines.xls"), {B::Ok});
    EXPECT_EQ(w->LF_Name->text(), kOpened + QStringLiteral("cheques_no_lines.xls (อ่านได้ 0 บรรทัด)"));
    EXPECT_FALSE(w->GridNote->isVisible());
}

TEST_F(ImportWindowTest, ANewReadShowsTheFirstLineAndTheFirstColumn)
{
    w->resize(800, 560);
    QApplication::processEvents();
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    QApplication::processEvents();
    QScrollBar* down = w->StringGrid1->verticalScrollBar();
    QScrollBar* across = w->StringGrid1->horizontalScrollBar();
    ASSERT_GT(down->maximum(), 0) << "the grid must hold more lines than it shows";
    ASSERT_GT(across->maximum(), 0);
    down->setValue(down->maximum());
    across->setValue(across->maximum());

    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    EXPECT_EQ(down->value(), 0);
    EXPECT_EQ(across->value(), 0);
}

TEST_F(ImportWindowTest, OpenPanelStaysInsideTheWindowAtEverySizeAndEscapeCancelsIt)
{
    for (const QSize size : {QSize(979, 615), QSize(800, 520), QSize(640, 400), QSize(420, 260)}) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        w->resize(size);
        QApplication::processEvents();
        ASSERT_TRUE(click(w->BitBtn1).isEmpty());
        QApplication::processEvents();  // the panel's layout settles once it shows
        ASSERT_TRUE(w->Panel2->isVisible());
        EXPECT_TRUE(w->rect().contains(w->Panel2->geometry())) << w->Panel2->geometry().x() << ","
                                                               << w->Panel2->geometry().y();
        // Its buttons show whole inside it.
        for (QPushButton* b : {w->btnOpen, w->btnCancel}) {
            const QRect r(b->mapTo(w.get(), QPoint(0, 0)), b->size());
            EXPECT_TRUE(w->rect().contains(r)) << b->objectName().toStdString();
        }
        click(w->btnCancel);
    }

    // Shown, then the window is restored to a smaller size: the panel follows.
    w->resize(979, 615);
    click(w->BitBtn1);
    w->resize(500, 330);
    QApplication::processEvents();
    EXPECT_TRUE(w->rect().contains(w->Panel2->geometry()));

    // Escape from inside the panel closes it, as Cancel does; nothing else changes.
    w->activateWindow();
    w->FileListBox1->setFocus();
    QTest::keyClick(w->FileListBox1, Qt::Key_Escape);
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel3->isHidden());  // no read happened: the title strip stays
    EXPECT_TRUE(w->isVisible());
}

TEST_F(ImportWindowTest, ExcelFileListsEveryReadableFormWhateverTheCaseOfItsName)
{
    QTemporaryDir dir;
    for (const char* name : {"FILE.XLS", "b.xlsx", "c.XLSM", "d.ods", "e.xlsb", "f.csv", "g.xls.bak", "h.txt"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(w->FilterComboBox1->count(), 2);
    EXPECT_EQ(w->FilterComboBox1->itemText(0), "Excel File");
    EXPECT_EQ(w->FilterComboBox1->itemText(1), "All files (*.*)");
    EXPECT_EQ(w->FilterComboBox1->currentIndex(), 0);

    w->DirectoryListBox1->setDirectory(dir.path());
    EXPECT_EQ(listed(w->FileListBox1), (QStringList{"b.xlsx", "c.XLSM", "d.ods", "FILE.XLS"}));
    w->FilterComboBox1->setCurrentIndex(1);
    EXPECT_EQ(listed(w->FileListBox1).size(), 8);
    w->FilterComboBox1->setCurrentIndex(0);
    EXPECT_EQ(listed(w->FileListBox1).size(), 4);
}

TEST_F(ImportWindowTest, ColumnsHoldTheirWidestValuesWholeAndAmountsStandRight)
{
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    StringGrid* view = w->StringGrid1;
    TextGrid& g = view->grid();
    using L = ImportGridLayout;
    // The longest amount, the row number of a large file, a dd.mm.yyyy date.
    for (int c : {L::TotalAmou, L::WhtAmount, L::ToBePaid})
        g.setCell(c, 1, QStringLiteral("999,999,999.99"));
    g.setCell(L::No, 1, QStringLiteral("1048575"));
    for (int c : {L::DekaCreat, L::DekaRecei, L::ClearingDate, L::PstngDate})
        g.setCell(c, 1, QStringLiteral("28.02.2026"));
    view->refresh();

    for (int c : {L::No, L::DekaCreat, L::DekaRecei, L::ClearingDate, L::PstngDate, L::TotalAmou, L::WhtAmount,
                  L::ToBePaid}) {
        const QModelIndex cell = view->model()->index(0, c);
        EXPECT_GE(view->columnWidth(c), view->sizeHintForIndex(cell).width()) << "column " << c;
    }
    for (int c = 0; c < L::kColumnCount; ++c)
        EXPECT_GE(view->columnWidth(c), view->horizontalHeader()->sectionSizeHint(c)) << "header of column " << c;

    // Amounts and the row number to the right, text to the left.
    for (int c : {L::No, L::TotalAmou, L::WhtAmount, L::ToBePaid})
        EXPECT_TRUE(view->model()->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight)
            << c;
    EXPECT_TRUE(view->model()->index(0, L::VendorName).data(Qt::TextAlignmentRole).value<Qt::Alignment>()
                & Qt::AlignLeft);

    // On screen the widths follow the font; the grid keeps the original's, which the export writes.
    EXPECT_EQ(g.colWidth(L::ChequePk), 120);
    EXPECT_EQ(g.colWidth(L::ProfitCenter), 60);
    QFont big = view->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    view->setFont(big);
    EXPECT_NEAR(view->columnWidth(L::ChequePk), 120 * view->scale(), 1.0);
    EXPECT_GT(view->scale(), 1.0);
    EXPECT_EQ(g.colWidth(L::ChequePk), 120);
}

TEST_F(ImportWindowTest, DoubleClickOnAHeaderDividerFitsTheColumnToItsContent)
{
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    StringGrid* view = w->StringGrid1;
    const int c = ImportGridLayout::VendorName;
    view->grid().setCell(c, 1, QStringLiteral("บริษัท สยามเครื่องเขียนและอุปกรณ์สำนักงานครบวงจร จำกัด (มหาชน)"));
    view->refresh();
    const int needed = view->sizeHintForIndex(view->model()->index(0, c)).width();
    ASSERT_LT(view->columnWidth(c), needed);

    doubleClickDivider(view, c);
    EXPECT_GE(view->columnWidth(c), needed);
    // The grid keeps the new width, as after a drag, in the original's pixels.
    EXPECT_NEAR(view->grid().colWidth(c), view->columnWidth(c) / view->scale(), 1.0);
}
