// generate-site: a made-up site of any size, for trying and measuring import.
#include "commands.h"
#include "sitegenerate.h"

namespace orsactl {

int runGenerateSite(Context& ctx)
{
    ctx.expectArgs(0, 1);
    SiteSize size;
    if (ctx.has("scale")) {
        bool ok = false;
        size.scale = ctx.option("scale").toDouble(&ok);
        // Ten times the reference site is already 400,000 channels.
        if (!ok || !(size.scale > 0 && size.scale <= 10))
            usageError(QStringLiteral("--scale wants a number above 0 and at most 10, not '%1'")
                           .arg(ctx.option("scale")));
    }
    if (ctx.has("seed")) {
        bool ok = false;
        size.seed = ctx.option("seed").toUInt(&ok);
        if (!ok)
            usageError(QStringLiteral("--seed wants a whole number from 0 to 4294967295, not '%1'")
                           .arg(ctx.option("seed")));
    }
    size.accounts = !ctx.has("no-accounts");
    const QByteArray text = writeSite(generateSite(size));
    if (ctx.args.isEmpty())
        printOut(QString::fromUtf8(text));
    else
        writeOwnerOnlyFile(ctx.args.at(0), text); // it holds device and server passwords
    return ExitOk;
}

} // namespace orsactl
