// status and list: what the cache holds after the bulk load.
#include "commands.h"
#include "kinds.h"
#include "session.h"
#include "table.h"

#include "orsadatacenter.h"

#include <QtCore/QJsonObject>

namespace orsactl {

int runStatus(Context& ctx)
{
    ctx.expectArgs(0, 0);
    Session& session = ctx.session();
    const RoleInfo role = DATACore::UserManagerCore::instance()->userRole();
    QList<QStringList> rows = {{QStringLiteral("address"), session.address},
                               {QStringLiteral("user"), session.user},
                               {QStringLiteral("role"), role.name},
                               {QStringLiteral("role guid"), role.guid}};
    QJsonObject counts;
    for (const QString& kind : kindNames()) {
        const int count = listKind(kind, QString()).rows.size();
        counts.insert(kind, count);
        rows.append({kind, QString::number(count)});
    }
    if (ctx.json()) {
        printJson(QJsonObject{{QStringLiteral("address"), session.address},
                              {QStringLiteral("user"), session.user},
                              {QStringLiteral("role"), role.name},
                              {QStringLiteral("roleGuid"), role.guid},
                              {QStringLiteral("counts"), counts}});
        return ExitOk;
    }
    printOut(formatTable({QStringLiteral("WHAT"), QStringLiteral("VALUE")}, rows));
    return ExitOk;
}

int runList(Context& ctx)
{
    ctx.expectArgs(1, 2);
    // The kind is checked before the login, which is slow on purpose.
    const QString kind = kindOf(ctx.args.at(0));
    const QString key = ctx.args.value(1);
    ctx.session();
    printListing(ctx, listKind(kind, key));
    return ExitOk;
}

} // namespace orsactl
