#pragma once

// Which menus a logged-in user sees, by level. Logged out, none is shown.
struct MenuAccess {
    bool importMenu = false;     // N2 with its import item N3: above level 4
    bool reportMenu = false;     // N7: every level
    bool systemMenu = false;     // System1 (password change): every level
    bool importLog = false;      // N10 under N7, the ledger of imports: above level 4
    bool administrator = false;  // Administrator1: above level 7
    bool exitItem = false;       // NExit: every level

    static MenuAccess forLevel(int level);
};
