// Result codes carried by the callbacks of BizOrsaClientLib.
//
// 0 or more is success. Every failure has its own negative code. A request
// refused at once (null argument, destroyed hub, no callback registered)
// returns BIZORSA_REFUSED as its request number and gets no callback.
#ifndef BIZORSARESULTCODES_H
#define BIZORSARESULTCODES_H

enum BizOrsaResult {
    BIZORSA_OK = 0,
    BIZORSA_REFUSED = -1,
    // Any request but Login before a successful Login or after the session
    // ended (its account was deleted, or given a new password by another
    // session), and a failed Login (unknown name and wrong password are not
    // told apart).
    BIZORSA_E_NOT_LOGGED_IN = -2,
    // The key of an edit or delete, or a record an add or edit refers to, does not exist.
    BIZORSA_E_NOT_FOUND = -3,
    // An account with that user name exists already.
    BIZORSA_E_ALREADY_EXISTS = -4,
    // A text does not fit its record field with its NUL, a number is out of
    // range (device channel count 0 to 1024, ports 0 to 65535), a required
    // text is empty, or the request frame is damaged.
    BIZORSA_E_INVALID_ARGUMENT = -5,
    // A role still named by an account, the administrators' role, or a region
    // that still has child regions.
    BIZORSA_E_STILL_IN_USE = -6,
    // The service failed (storage error); nothing of the request was applied.
    BIZORSA_E_INTERNAL = -7,
    // The logged-in account lacks the right the request needs (see BizOrsaRights.h).
    BIZORSA_E_FORBIDDEN = -8,
    // The request would leave no account in the administrators' role: deleting
    // its last account or moving that account to another role.
    BIZORSA_E_LAST_ADMINISTRATOR = -9,
    // A Login for a user name that failed 5 times in a row, refused without
    // checking the password until a waiting time has passed since the last
    // failure: 1 s, doubled by each further failure, at most 5 minutes. A
    // successful Login clears it.
    BIZORSA_E_TRY_LATER = -10,
    // The connection to the server dropped before the answer came; the
    // request may or may not have been applied. The next request reconnects.
    BIZORSA_E_CONNECTION_LOST = -11,
};

// A short readable text for a result code, in lower case so that it can be
// put into a sentence ("add role: already exists"). Unknown codes of 0 or
// more read as success, other unknown codes as "failed".
inline const char* BizOrsaResultText(int code)
{
    switch (code) {
    case BIZORSA_REFUSED:
        return "refused";
    case BIZORSA_E_NOT_LOGGED_IN:
        return "not logged in";
    case BIZORSA_E_NOT_FOUND:
        return "not found";
    case BIZORSA_E_ALREADY_EXISTS:
        return "already exists";
    case BIZORSA_E_INVALID_ARGUMENT:
        return "invalid argument";
    case BIZORSA_E_STILL_IN_USE:
        return "still in use";
    case BIZORSA_E_INTERNAL:
        return "internal error";
    case BIZORSA_E_FORBIDDEN:
        return "forbidden";
    case BIZORSA_E_LAST_ADMINISTRATOR:
        return "the last administrator cannot be removed";
    case BIZORSA_E_TRY_LATER:
        return "too many failed logins, try later";
    case BIZORSA_E_CONNECTION_LOST:
        return "connection lost";
    default:
        return code >= 0 ? "success" : "failed";
    }
}

#endif // BIZORSARESULTCODES_H
