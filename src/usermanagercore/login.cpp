// Login, logout and the current user's rights.
#include "request_p.h"
#include "userdatacache.h"

#include "BizOrsaClientLib.h"

namespace DATACore {

bool UserManagerCore::AccountLogin(const QString& userName, const QString& password)
{
    const bool accepted = Request::run(
        ORSA_HERE, ParamLog(" account login userid:", userName).secret("password:", password),
        [&] { return sdkCall(m_account, &IBizOrsaAccount::Login, userName, password); });
    if (!accepted)
        return false;

    const QString all;
    bool ok = false;
    getAccountFromSDK(all, ok);
    if (!ok)
        return false;
    getRoleFromSDK(all, ok);
    if (!ok)
        return false;
    getRolePermissionFromSDK(all, ok);
    if (!ok)
        return false;

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
    if (done) {
        m_loggedIn = false;
        m_userName.clear();
        m_password.clear();
    }
    return done;
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
