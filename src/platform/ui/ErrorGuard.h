#pragma once

#include <exception>
#include <utility>

class QWidget;

// The application's standard error display: a handler that fails shows the
// error's own text in a message box and the program goes on. Qt must never see
// an exception leave a slot, so every handler runs inside guarded(). Nothing is
// rolled back here.
void showError(QWidget* parent, const std::exception& e);
void showUnknownError(QWidget* parent);

template <typename F>
void guarded(QWidget* parent, F&& handler)
{
    try {
        std::forward<F>(handler)();
    } catch (const std::exception& e) {
        showError(parent, e);
    } catch (...) {
        showUnknownError(parent);
    }
}
