#include "StatusPanel.h"

StatusPanel::StatusPanel(const QString& text, int width, QWidget* parent) : QLabel(parent), m_width(width)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setText(text);
}

void StatusPanel::setText(const QString& text)
{
    QLabel::setText(text);
    setToolTip(text);
}

QSize StatusPanel::sizeHint() const
{
    const QSize text = QLabel::sizeHint();
    return QSize(std::max(m_width, text.width()), text.height());
}

QSize StatusPanel::minimumSizeHint() const
{
    // Its text where there is room, but never more than a share of a small
    // screen: the five panels together stay well under 800 pixels.
    return QSize(std::min(QLabel::sizeHint().width(), kMostAtNarrowest), QLabel::minimumSizeHint().height());
}
