#pragma once

#include <QString>
#include <utility>

// Creates a control whose objectName is its name in the window's description,
// so that anyone (tests included) can find it with findChild.
template <typename W, typename... Args>
W* named(const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}
