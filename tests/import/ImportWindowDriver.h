#pragma once

#include "ModalAnswer.h"
#include "QStringPrint.h"
#include "TestDatabase.h"
#include "TestEnv.h"
#include "TfrmIport_Vendor_Cheque.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "DirectoryListBox.h"
#include "FileListBox.h"

#include <memory>

// Drives an import window on a fresh embedded database through its named
// controls, answering the message boxes it shows.
class ImportWindowTest : public ::testing::Test {
protected:
    using B = QMessageBox::StandardButton;

    void SetUp() override
    {
        db = std::make_unique<TestDatabase>();
        w = std::make_unique<TfrmIport_Vendor_Cheque>(db->connection());
        w->show();
    }
    void TearDown() override
    {
        w.reset();
        db.reset();
    }

    // Clicks a button and answers the boxes it shows; returns their texts.
    QStringList click(QPushButton* button, QList<QMessageBox::StandardButton> answers = {})
    {
        ModalAnswer a(answers);
        a.run([&] { button->click(); });
        EXPECT_EQ(a.unexpected, 0) << "unanswered box: " << a.texts.join(" | ").toStdString();
        return a.texts;
    }

    // Opens the file-open panel, chooses the workbook and presses Open.
    QStringList openSheet(const QString& file, QList<QMessageBox::StandardButton> answers = {})
    {
        EXPECT_TRUE(click(w->BitBtn1).isEmpty());
        EXPECT_TRUE(w->Panel2->isVisible());
        const QFileInfo fi(file);
        w->DirectoryListBox1->setDirectory(fi.absolutePath());
        const auto items = w->FileListBox1->findItems(fi.fileName(), Qt::MatchExactly);
        EXPECT_EQ(items.size(), 1) << fi.fileName().toStdString();
        if (!items.isEmpty())
            w->FileListBox1->setCurrentItem(items.first());
        return click(w->btnOpen, answers);
    }

    // Saves with OK to the confirmation and to the final message.
    QStringList save(QList<QMessageBox::StandardButton> answers = {B::Ok, B::Ok})
    {
        return click(w->Button1, answers);
    }

    QString flag() { return db->scalar(QStringLiteral("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp")); }
    QString mainField(const QString& pk, const QString& column)
    {
        return db->scalar(QStringLiteral("SELECT %1 FROM TSQ_Cheque_Main WHERE Cheque_PK = '%2'").arg(column, pk));
    }
    // Every row and column of a table (optionally some rows), sorted: for
    // before/after comparisons.
    QString dump(const QString& table, const QString& where = QString())
    {
        const QString row = db->scalar(
            QStringLiteral("SELECT group_concat('quote(' || name || ')', ' || ''|'' || ') "
                           "FROM pragma_table_info('%1')")
                .arg(table));
        return db->scalar(
            QStringLiteral("SELECT group_concat(r, char(10)) FROM (SELECT %1 AS r FROM %2 %3 ORDER BY r)")
                .arg(row, table, where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where));
    }

    static QString fixture(const QString& name) { return TestEnv::fixture(name); }
    static QString own(const QString& name)
    {
        return QDir(TestEnv::sourceDir()).filePath(QStringLiteral("tests/import/") + name);
    }

    static QString busy()
    {
        return QStringLiteral("มีเครื่องอี่นกำลังใช้ Temp อยู่ไม่สามารถ ทำงานเมนูนี้ได้โปรดรอสักครู่");
    }
    static QString confirmSave() { return QStringLiteral("ยืนยันการบันทึกข้อมูล "); }
    static QString saved() { return QStringLiteral("ทำการบันทึกข้อมูลเรียบร้อยแล้ว"); }

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<TfrmIport_Vendor_Cheque> w;
};
