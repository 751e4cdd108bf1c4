#include "HiddenInput.h"

#if __has_include(<termios.h>) && __has_include(<unistd.h>)
#include <termios.h>
#include <unistd.h>

struct HiddenInput::Saved {
    termios settings;
};

HiddenInput::HiddenInput()
{
    termios saved;
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0)
        return;
    termios t = saved;
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0)
        m_saved = std::make_unique<Saved>(Saved{saved});
}

HiddenInput::~HiddenInput()
{
    if (m_saved)
        tcsetattr(STDIN_FILENO, TCSANOW, &m_saved->settings);
}
#else
// No terminal interface: the typing shows, as any plain console read does.
struct HiddenInput::Saved {};
HiddenInput::HiddenInput() = default;
HiddenInput::~HiddenInput() = default;
#endif
