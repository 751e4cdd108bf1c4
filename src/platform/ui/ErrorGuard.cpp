#include "ErrorGuard.h"

#include "Messages.h"

#include <QString>

void showError(QWidget* parent, const std::exception& e)
{
    Messages::warning(parent, QString::fromUtf8(e.what()));
}

void showUnknownError(QWidget* parent)
{
    Messages::warning(parent, QStringLiteral("Unknown error"));
}
