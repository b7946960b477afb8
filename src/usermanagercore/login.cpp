// Login, logout and the current user's rights.
#include "request_p.h"
#include "userdatacache.h"

#include "BizOrsaClientLib.h"

#include <functional>

namespace DATACore {

bool UserManagerCore::AccountLogin(const QString& userName, const QString& password)
{
    const bool accepted = Request::run(
        ORSA_HERE, ParamLog(" account login userid:", userName).secret("password:", password),
        [&] { return sdkCall(m_account, &IBizOrsaAccount::Login, userName, password); });
    if (!accepted)
        return false;

    // The server now holds the new session: whatever follows, nobody keeps
    // the previous user's login. Rights worked out from a list the server did
    // not deliver would be invented, so any failed fetch fails the login.
    const QString all;
    const std::function<void(bool&)> fetches[] = {
        [&](bool& ok) { getAccountFromSDK(all, ok); },
        [&](bool& ok) { getRoleFromSDK(all, ok); },
        [&](bool& ok) { getRolePermissionFromSDK(all, ok); },
    };
    for (const auto& fetchOne : fetches) {
        bool ok = false;
        fetchOne(ok);
        if (!Request::last().result()) {
            forgetLogin();
            return false;
        }
    }

    m_loggedIn = true;
    m_userName = userName;
    m_password = password;
    // A user never keeps the rights of whoever logged in before.
    m_userPermission.clear();

    AccountInfo account;
    for (const AccountInfo& candidate : GetAccount(userName)) {
        if (candidate.userName == userName)
            account = candidate;
    }
    if (account.roleGuid.isEmpty()) {
        m_userRole = {QString(), tr("NoRole"), tr("Nothing")};
        return true;
    }

    // A role the cache does not hold still names the permissions to collect.
    const QList<RoleInfo> roles = GetRole(account.roleGuid);
    m_userRole = roles.isEmpty() ? RoleInfo{account.roleGuid, QString(), QString()} : roles.first();
    for (const RolePermissionInfo& permission : getRolePermission(QString())) {
        if (permission.roleGuid == m_userRole.guid)
            m_userPermission.append(permission);
    }
    return true;
}

bool UserManagerCore::AccountLogout()
{
    const bool done = Request::run(ORSA_HERE, ParamLog("account longout"),
                                   [&] { return sdkCall(m_account, &IBizOrsaAccount::Logout); });
    if (done)
        forgetLogin();
    return done;
}

void UserManagerCore::forgetLogin()
{
    m_loggedIn = false;
    m_userName.clear();
    m_password.clear();
}

bool UserManagerCore::isLoggedIn()
{
    return m_loggedIn;
}

QString UserManagerCore::userName()
{
    return m_userName;
}

QString UserManagerCore::password()
{
    return m_password;
}

RoleInfo UserManagerCore::userRole()
{
    return m_userRole;
}

QList<RolePermissionInfo> UserManagerCore::userPermission()
{
    return m_userPermission;
}

bool UserManagerCore::verifyPermission(const QString& type)
{
    if (!m_loggedIn)
        return false;
    for (const RolePermissionInfo& permission : m_userPermission) {
        if (permission.type == type && permission.value == QLatin1String("true"))
            return true;
    }
    return false;
}

} // namespace DATACore
