#include "ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

ModalAnswer::ModalAnswer(QList<QMessageBox::StandardButton> answers)
    : m_answers(std::move(answers)), m_ctx(std::make_unique<QObject>())
{
}

ModalAnswer::~ModalAnswer()
{
    m_active = false;
}

void ModalAnswer::poll()
{
    if (!m_active)
        return;
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        if (!box->property("modalAnswerSeen").toBool()) {
            box->setProperty("modalAnswerSeen", true);
            texts << box->text();
            titles << box->windowTitle();
            icons << box->icon();
            widths << box->width();
            if (m_answers.isEmpty()) {
                ++unexpected;
                box->reject();
            } else {
                const auto b = m_answers.takeFirst();
                if (QAbstractButton* btn = box->button(b))
                    btn->click();
                else
                    box->reject();
            }
        }
    }
    QTimer::singleShot(5, m_ctx.get(), [this] { poll(); });
}

void ModalAnswer::run(const std::function<void()>& f)
{
    m_active = true;
    QTimer::singleShot(0, m_ctx.get(), [this] { poll(); });
    f();
    m_active = false;
}
