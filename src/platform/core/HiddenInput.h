#pragma once

#include <memory>

// While one lives, what a person types on the terminal is not shown (for
// passwords). Piped input, and systems without a terminal interface, are left
// as they are: active() then says false.
class HiddenInput {
public:
    HiddenInput();
    ~HiddenInput();
    HiddenInput(const HiddenInput&) = delete;
    HiddenInput& operator=(const HiddenInput&) = delete;

    bool active() const { return m_saved != nullptr; }

private:
    struct Saved;  // the terminal's settings before
    std::unique_ptr<Saved> m_saved;
};
