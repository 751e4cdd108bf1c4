#include "PasswordBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QProxyStyle>

namespace {

class StarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}

namespace PasswordBox {

void apply(QLineEdit* box)
{
    // One style for every password box; it follows the application's style
    // and lives as long as the program.
    static StarStyle* style = [] {
        auto* s = new StarStyle;
        s->setParent(qApp);
        return s;
    }();
    box->setEchoMode(QLineEdit::Password);
    box->setStyle(style);
}

}
