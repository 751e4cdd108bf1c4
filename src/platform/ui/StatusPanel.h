#pragma once

#include <QLabel>

// One text panel of a status bar. It asks for its given width (or its text's,
// when longer) but gives way when the window is narrower: the status bar never
// sets how narrow the main window may be. A cut text shows whole in its tip.
class StatusPanel : public QLabel {
    Q_OBJECT
public:
    StatusPanel(const QString& text, int width, QWidget* parent = nullptr);

    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int m_width;
};
