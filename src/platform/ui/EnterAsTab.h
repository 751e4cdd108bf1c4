#pragma once

#include <QObject>
#include <initializer_list>

class QWidget;

// Enter in an edit box moves the focus on as a Tab press would: a Tab key press
// is posted to the box, the way the keyboard would deliver it. The Enter itself
// is passed on untouched, so nothing else reacts differently.
class EnterAsTab : public QObject {
    Q_OBJECT
public:
    // Watches each of the boxes; the filter lives as long as the first box.
    static void install(std::initializer_list<QWidget*> boxes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit EnterAsTab(QObject* parent);
};
