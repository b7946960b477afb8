// Account management.
#include "request_p.h"

#include "BizOrsaClientLib.h"

namespace DATACore {
namespace {

ParamLog accountLog(const char* lead, const QString& user, const QString& phone,
                    const QString& mail, const QString& password, const QString& roleGuid)
{
    return ParamLog(lead, user)
        .arg(" param_phone:", phone)
        .arg(" param_mail:", mail)
        .secret(" param_password:", password)
        .arg(" param_role_guid:", roleGuid);
}

} // namespace

bool UserManagerCore::AddOneAccount(const QString& user, const QString& phone, const QString& mail,
                                    const QString& password, const QString& roleGuid)
{
    if (!Request::run(
            ORSA_HERE,
            accountLog(" add one account param_user:", user, phone, mail, password, roleGuid), [&] {
                return sdkCall(m_account, &IBizOrsaAccount::AddAccount, user, phone, mail, password,
                               roleGuid);
            }))
        return false;
    // The record of a new account carries no password.
    const AccountInfo account{user, QString(), phone, mail, roleGuid};
    updateCache(account, CacheAdd);
    emit signalAddAccount(account);
    return true;
}

bool UserManagerCore::EditOneAccount(const QString& user, const QString& phone, const QString& mail,
                                     const QString& password, const QString& roleGuid)
{
    if (!Request::run(
            ORSA_HERE,
            accountLog(" edit one account param_user:", user, phone, mail, password, roleGuid),
            [&] {
                return sdkCall(m_account, &IBizOrsaAccount::EditAccount, user, phone, mail,
                               password, roleGuid);
            }))
        return false;
    const AccountInfo account{user, password, phone, mail, roleGuid};
    updateCache(account, CacheEdit);
    emit signalEditAccount(account);
    return true;
}

bool UserManagerCore::DeleteOneAccount(const QString& user)
{
    if (!Request::run(ORSA_HERE, ParamLog(" delete account param_user:", user),
                      [&] { return sdkCall(m_account, &IBizOrsaAccount::DeleteAccount, user); }))
        return false;
    updateCache(AccountInfo{user, {}, {}, {}, {}}, CacheDelete);
    emit signalDeleteAccount(user);
    return true;
}

} // namespace DATACore
