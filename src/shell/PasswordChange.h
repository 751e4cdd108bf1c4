#pragma once

#include <QString>
#include <functional>

class Query;

// The password change of the logged-in user, in the window's order: the old
// password is matched by the database, an empty new password is refused (the
// login refuses an empty password box, so it would lock the user out), the user
// confirms, the new password and its confirmation must be equal, then it is
// stored. Every statement runs on the query given.
namespace PasswordChange {

enum class Outcome {
    WrongOldPassword,  // nothing written; the old-password box takes the focus
    EmptyNewPassword,  // nothing written; the new-password box takes the focus
    Cancelled,         // the user did not confirm; nothing written
    Mismatch,          // nothing written; both new boxes are emptied, the first takes the focus
    Changed,           // stored; the program is to end
};

struct Result {
    Outcome outcome;
    QString message;  // what to tell the user; empty after a cancel
};

// `confirm` is asked once the old password matched and the new one is not empty.
Result run(Query& q, const QString& userName, const QString& oldPassword, const QString& newPassword,
           const QString& confirmation, const std::function<bool()>& confirm);

QString confirmMessage();

}
