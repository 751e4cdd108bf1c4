#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;

// Answers the message boxes a handler shows while it runs. Arm it with the
// buttons to press, in order, then call the handler; every box seen is recorded
// (text and title). A box shown when no answer is left is closed with Escape
// and counted as unexpected, so a test never hangs on a modal loop.
class ModalAnswer {
public:
    explicit ModalAnswer(QList<QMessageBox::StandardButton> answers = {});
    ~ModalAnswer();

    // Runs f with the answerer active.
    void run(const std::function<void()>& f);

    QStringList texts;      // text of each box, in order
    QStringList titles;     // window title of each box
    QList<QMessageBox::Icon> icons;  // icon of each box
    QList<int> widths;      // width of each box as shown
    int unexpected = 0;     // boxes shown after the answers ran out

private:
    void poll();
    QList<QMessageBox::StandardButton> m_answers;
    bool m_active = false;
    std::unique_ptr<QObject> m_ctx;  // owns the poll timers, so none outlives this object
};
