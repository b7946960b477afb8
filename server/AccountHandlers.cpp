// Accounts, login and logout. Only salted hashes of passwords are stored;
// answers never carry a password.
#include "Schema.h"
#include "Secrets.h"
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

bool roleMissing(Database& db, const std::string& roleGuid)
{
    // An empty role guid is an account without a role.
    return !roleGuid.empty() && !exists(db, "SELECT 1 FROM roles WHERE guid = ?1", roleGuid);
}

} // namespace

// (userName, phone, mail, password, roleGuid)
Reply handleAddAccount(Call& call)
{
    if (call.text(0).empty() || call.text(3).empty())
        return failure(BIZORSA_E_INVALID_ARGUMENT);
    // Hashed before the write lock is taken: the hash is deliberately slow.
    const PasswordRecord password = makePasswordRecord(call.text(3));
    Transaction t(call.db);
    if (roleMissing(call.db, call.text(4)))
        return failure(BIZORSA_E_NOT_FOUND);
    if (exists(call.db, "SELECT 1 FROM accounts WHERE user_name = ?1", call.text(0)))
        return failure(BIZORSA_E_ALREADY_EXISTS);
    run(call.db, "INSERT INTO accounts VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)", call.text(0),
        call.text(1), call.text(2), call.text(4), password.salt, password.hash,
        password.iterations);
    t.commit();
    return {};
}

// (userName, phone, mail, password, roleGuid); an empty password keeps the current one.
Reply handleEditAccount(Call& call)
{
    const bool newPassword = !call.text(3).empty();
    const PasswordRecord password =
        newPassword ? makePasswordRecord(call.text(3)) : PasswordRecord{};
    Transaction t(call.db);
    if (!exists(call.db, "SELECT 1 FROM accounts WHERE user_name = ?1", call.text(0)))
        return failure(BIZORSA_E_NOT_FOUND);
    if (roleMissing(call.db, call.text(4)))
        return failure(BIZORSA_E_NOT_FOUND);
    run(call.db, "UPDATE accounts SET phone = ?2, mail = ?3, role_guid = ?4 WHERE user_name = ?1",
        call.text(0), call.text(1), call.text(2), call.text(4));
    if (newPassword)
        run(call.db,
            "UPDATE accounts SET salt = ?2, hash = ?3, iterations = ?4 WHERE user_name = ?1",
            call.text(0), password.salt, password.hash, password.iterations);
    t.commit();
    return {};
}

Reply handleDeleteAccount(Call& call)
{
    return changeOne(call.db, "DELETE FROM accounts WHERE user_name = ?1", call.text(0));
}

Reply handleQueryAccount(Call& call)
{
    return fetch<tabACCOUNT>(call.db,
                             "SELECT user_name, phone, mail, role_guid FROM accounts "
                             "WHERE ?1 = '' OR user_name = ?1 ORDER BY rowid",
                             call.text(0), [](Statement& s, tabACCOUNT& r) {
                                 put(r.userName, s.text(0));
                                 put(r.phone, s.text(1));
                                 put(r.mail, s.text(2));
                                 put(r.roleGuid, s.text(3));
                             });
}

// (userName, password). A failed login leaves the session as it was, like the
// client's own login state: only a successful one replaces it.
Reply handleLogin(Call& call)
{
    Statement s(call.db, "SELECT salt, hash, iterations FROM accounts WHERE user_name = ?1");
    s.bind(1, call.text(0));
    if (!s.step()) {
        // Same work as for a known name, so the answer time does not tell names apart.
        hashPassword(call.text(1), std::string(kSaltSize, '\0'), kPbkdf2Iterations);
        return failure(BIZORSA_E_NOT_LOGGED_IN);
    }
    if (!sameSecret(hashPassword(call.text(1), s.text(0), s.integer(2)), s.text(1)))
        return failure(BIZORSA_E_NOT_LOGGED_IN);
    call.session = Session{};
    call.session.loggedIn = true;
    call.session.userName = call.text(0);
    return {};
}

Reply handleLogout(Call& call)
{
    call.session = Session{};
    return {};
}

} // namespace orsa
