#pragma once

#include "Connection.h"
#include "ModalAnswer.h"
#include "TestDatabase.h"
#include "TfrmMainChequeVendor.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <gtest/gtest.h>
#include <memory>

// A fresh catalogue, a connection the main window opens itself, and helpers to
// drive the main window through its named controls.
class ShellTest : public ::testing::Test {
protected:
    TestDatabase db;
    Connection conn;
    std::unique_ptr<TfrmMainChequeVendor> main;

    // Creates the main window (its creation handler runs); returns the texts of
    // the message boxes it showed, each answered with OK.
    QStringList start()
    {
        ModalAnswer answers({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok});
        answers.run([&] { main = std::make_unique<TfrmMainChequeVendor>(conn); });
        if (!main->endRequested()) {
            main->show();
            QApplication::setActiveWindow(main.get());
        }
        return answers.texts;
    }

    template <typename T>
    T* named(const char* name, QWidget* in = nullptr) const
    {
        QWidget* root = in ? in : main.get();
        T* found = root->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QString panelText(int i) const
    {
        return named<QLabel>(QStringLiteral("StatusPanel%1").arg(i).toLatin1().constData())->text();
    }

    bool itemVisible(const char* name) const { return named<QAction>(name)->isVisible(); }

    // Types name and password and presses OK; returns the message texts shown.
    QStringList login(const QString& name, const QString& password)
    {
        named<QLineEdit>("edtName")->setText(name);
        named<QLineEdit>("edtPassword")->setText(password);
        auto* ok = named<QPushButton>("btnOK");
        ok->setFocus();
        ModalAnswer answers({QMessageBox::Ok});
        answers.run([&] { ok->click(); });
        return answers.texts;
    }

    bool loggedIn() const
    {
        return !named<QWidget>("Panel1")->isVisibleTo(main.get()) && named<QStatusBar>("StatusBar1")->isVisibleTo(main.get());
    }

    QWidget* focused() const { return main->focusWidget(); }

    QList<QMdiSubWindow*> children() const { return main->mdiArea()->subWindowList(); }
};
