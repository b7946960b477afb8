// passwd: a new password for an account, the logged-in user's by default.
#include "commands.h"
#include "facade.h"
#include "secrets.h"
#include "session.h"

#include "orsadatacenter.h"

namespace orsactl {

int runPasswd(Context& ctx)
{
    ctx.expectArgs(0, 1);
    Session& session = ctx.session();
    const QString user = ctx.args.value(0, session.user);
    AccountInfo account;
    for (const AccountInfo& candidate : core()->GetAccount(user)) {
        if (candidate.userName == user)
            account = candidate;
    }
    if (account.userName.isEmpty())
        throw Failure(ExitFailed, QStringLiteral("no account '%1'").arg(user));
    const QString password = newPassword(ctx.option("new-password-file"), user);
    if (!core()->EditOneAccount(user, account.phone, account.mail, password, account.roleGuid))
        requestFailed(QStringLiteral("set the password of account"), user);
    printOut(QStringLiteral("password of '%1' changed\n").arg(user));
    return ExitOk;
}

} // namespace orsactl
