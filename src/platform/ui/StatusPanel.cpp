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
    // A few characters, whatever the text: five panels then fit any window.
    return QSize(fontMetrics().averageCharWidth() * 4, QLabel::minimumSizeHint().height());
}
