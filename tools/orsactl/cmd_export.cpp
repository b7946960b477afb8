// export: the whole site as a file that import takes back.
#include "commands.h"
#include "sitemodel.h"

#include <QtCore/QSaveFile>

namespace orsactl {

int runExport(Context& ctx)
{
    ctx.expectArgs(0, 1);
    ctx.session();
    const QByteArray text = writeSite(
        siteFromCache(), ctx.has("no-credentials") ? Credentials::Left : Credentials::Included);
    if (ctx.args.isEmpty()) {
        printOut(QString::fromUtf8(text));
        return ExitOk;
    }
    // Device and server passwords are in it: for the owner's eyes only, also
    // when it replaces a file that others could read.
    QSaveFile file(ctx.args.at(0));
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(text) != text.size() || !file.commit())
        throw Failure(
            ExitFailed,
            QStringLiteral("cannot write %1: %2").arg(ctx.args.at(0), file.errorString()));
    return ExitOk;
}

} // namespace orsactl
