#pragma once

#include <QString>

class Query;

// The users of ZUD_user: who may log in, and changing one's password.
namespace UserAccounts {

enum class LoginOutcome {
    EmptyName,      // nothing typed as the name
    EmptyPassword,  // nothing typed as the password
    UnknownName,    // no user of that name
    WrongPassword,  // the stored password (trimmed) differs from the one typed
    Accepted,
};

struct LoginResult {
    LoginOutcome outcome;
    int level = 0;  // U_Level, when accepted
};

// Name and password as typed, neither trimmed. The first row found for the
// name decides; its stored password is trimmed, then compared case-sensitively.
LoginResult checkLogin(Query& q, const QString& name, const QString& password);

// The database finds the user with that name and that old password.
bool oldPasswordMatches(Query& q, const QString& userName, const QString& oldPassword);

// Stores the new password for that user.
void storePassword(Query& q, const QString& userName, const QString& newPassword);

}
