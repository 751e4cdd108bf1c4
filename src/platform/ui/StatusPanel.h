#pragma once

#include <QLabel>

// One text panel of a status bar. It asks for its given width (or its text's,
// when longer) and gives way down to its text's width when the window is
// narrower, but no further than a fixed share of a small screen: the status
// bar never holds the main window wider than 800 pixels. A cut text shows
// whole in its tip.
class StatusPanel : public QLabel {
    Q_OBJECT
public:
    StatusPanel(const QString& text, int width, QWidget* parent = nullptr);

    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    static constexpr int kMostAtNarrowest = 250;
    int m_width;
};
