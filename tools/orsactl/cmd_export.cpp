// export: the whole site as a file that import takes back.
#include "commands.h"
#include "sitemodel.h"

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
    // Device and server passwords are in it.
    writeOwnerOnlyFile(ctx.args.at(0), text);
    return ExitOk;
}

} // namespace orsactl
