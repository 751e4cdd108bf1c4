#pragma once

#include <QString>

// What the login leaves for the other windows: set once at start-up and at the
// one successful login, then only read.
struct LoginValues {
    QString ServerDateText;   // the server's date at start-up, Buddhist era (07/12/2569)
    QString LoginUserName;    // the name exactly as typed at the login
    int LoginUserLevel = 0;   // U_Level of that user
};
