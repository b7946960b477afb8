// Accounts, login and logout. Only salted hashes of passwords are stored;
// answers never carry a password.
#include "BizOrsaRights.h"
#include "ChangeLog.h"
#include "LoginThrottle.h"
#include "Schema.h"
#include "Secrets.h"
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

const std::string kAdministrators = BIZORSA_ADMINISTRATORS_ROLE;

bool roleMissing(Store& db, const std::string& roleGuid)
{
    // An empty role guid is an account without a role.
    return !roleGuid.empty() && !exists(db, "SELECT 1 FROM roles WHERE guid = ?1", roleGuid);
}

// Nobody could administer the site any more without this account.
bool lastAdministrator(Store& db, const std::string& userName)
{
    return exists(db,
                  "SELECT 1 FROM accounts WHERE user_name = ?1 AND role_guid = ?2 AND "
                  "(SELECT count(*) FROM accounts WHERE role_guid = ?2) = 1",
                  userName, kAdministrators);
}

} // namespace

// (userName, phone, mail, password, roleGuid)
Reply handleAddAccount(Call& call)
{
    if (call.text(0).empty() || call.text(3).empty())
        return failure(BIZORSA_E_INVALID_ARGUMENT);
    // Hashed before the write lock is taken: the hash is deliberately slow.
    const PasswordRecord password = makePasswordRecord(call.text(3), call.settings.hashIterations);
    Transaction t(call.db);
    if (roleMissing(call.db, call.text(4)))
        return failure(BIZORSA_E_NOT_FOUND);
    if (exists(call.db, "SELECT 1 FROM accounts WHERE user_name = ?1", call.text(0)))
        return failure(BIZORSA_E_ALREADY_EXISTS);
    run(call.db, "INSERT INTO accounts VALUES(?1, ?2, ?3, NULLIF(?4, ''), ?5, ?6, ?7)",
        call.text(0), call.text(1), call.text(2), call.text(4), Blob{password.salt},
        Blob{password.hash}, password.iterations);
    t.commit();
    return {};
}

// (userName, phone, mail, password, roleGuid); an empty password keeps the
// current one. A new password ends the account's other sessions.
Reply handleEditAccount(Call& call)
{
    const bool newPassword = !call.text(3).empty();
    const PasswordRecord password =
        newPassword ? makePasswordRecord(call.text(3), call.settings.hashIterations)
                    : PasswordRecord{};
    Transaction t(call.db);
    if (!exists(call.db, "SELECT 1 FROM accounts WHERE user_name = ?1", call.text(0)))
        return failure(BIZORSA_E_NOT_FOUND);
    if (roleMissing(call.db, call.text(4)))
        return failure(BIZORSA_E_NOT_FOUND);
    if (call.text(4) != kAdministrators && lastAdministrator(call.db, call.text(0)))
        return failure(BIZORSA_E_LAST_ADMINISTRATOR);
    run(call.db,
        "UPDATE accounts SET phone = ?2, mail = ?3, role_guid = NULLIF(?4, '') "
        "WHERE user_name = ?1",
        call.text(0), call.text(1), call.text(2), call.text(4));
    if (newPassword)
        run(call.db,
            "UPDATE accounts SET salt = ?2, hash = ?3, iterations = ?4 WHERE user_name = ?1",
            call.text(0), Blob{password.salt}, Blob{password.hash}, password.iterations);
    t.commit();
    if (newPassword && call.text(0) == call.session.userName)
        call.session.passwordSalt = password.salt;
    return {};
}

// The account's sessions end with it.
Reply handleDeleteAccount(Call& call)
{
    Transaction t(call.db);
    if (lastAdministrator(call.db, call.text(0)))
        return failure(BIZORSA_E_LAST_ADMINISTRATOR);
    if (!run(call.db, "DELETE FROM accounts WHERE user_name = ?1", call.text(0)))
        return failure(BIZORSA_E_NOT_FOUND);
    t.commit();
    return {};
}

// Without manage.accounts only the caller's own account.
Reply handleQueryAccount(Call& call)
{
    const std::string& own = call.caller->userName;
    const bool everyone = call.caller->holds(Right::Accounts);
    if (!everyone && !call.text(0).empty() && call.text(0) != own)
        return {};
    const auto fill = [](Statement& s, tabACCOUNT& r) {
        put(r.userName, s.text(0));
        put(r.phone, s.text(1));
        put(r.mail, s.text(2));
        put(r.roleGuid, s.text(3));
    };
    return fetch<tabACCOUNT>(call.db,
                             "SELECT user_name, phone, mail, role_guid FROM accounts "
                             "WHERE ?1 = '' OR user_name = ?1 ORDER BY rowid",
                             fill, everyone ? call.text(0) : own);
}

// (userName, password). A failed login leaves the session as it was, like the
// client's own login state: only a successful one replaces it.
Reply handleLogin(Call& call)
{
    const std::string& name = call.text(0);
    const std::int64_t now = call.settings.clock();
    if (loginRefused(call.db, name, now))
        return failure(BIZORSA_E_TRY_LATER);
    std::string salt;
    bool matches = false;
    {
        Statement s(call.db, "SELECT salt, hash, iterations FROM accounts WHERE user_name = ?1");
        s.bind(1, name);
        if (s.step()) {
            salt = s.text(0);
            matches = sameSecret(hashPassword(call.text(1), salt, s.integer(2)), s.text(1));
        } else {
            // Same work as for a known name, so the answer time does not tell names apart.
            hashPassword(call.text(1), std::string(kSaltSize, '\0'), call.settings.hashIterations);
        }
    }
    if (!matches) {
        recordLoginFailure(call.db, name, now);
        return failure(BIZORSA_E_NOT_LOGGED_IN);
    }
    clearLoginFailures(call.db, name);
    call.session = Session{true, name, salt, newGuid(), logReach(call.db).newest};
    return {};
}

Reply handleLogout(Call& call)
{
    call.session = Session{};
    return {};
}

} // namespace orsa
