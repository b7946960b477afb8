#include "session.h"

#include "secrets.h"

#include "BizOrsaCreateError.h"
#include "BizOrsaResultCodes.h"
#include "orsadatacenter.h"

#include <QTextCodec>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStandardPaths>

#include <cerrno>
#include <sys/stat.h>

namespace orsactl {
namespace {

const char kEmbedded[] = "embedded";
// The first account's password on a new embedded database.
const char kDefaultPassword[] = "admin";

bool isEmbedded(const QString& address)
{
    return address == QLatin1String(kEmbedded) ||
           address.startsWith(QLatin1String(kEmbedded) + QLatin1Char(':'));
}

// Never a password nobody gave: a script without one fails instead of
// logging in with the default.
QString loginPassword(const Context& ctx, const QString& address, const QString& user)
{
    // An option given for this run wins over the environment it inherited.
    if (ctx.has("password-file"))
        return readSecretFile(ctx.option("password-file"));
    const QByteArray fromEnvironment = qgetenv("ORSA_PASSWORD");
    if (!fromEnvironment.isEmpty())
        return QString::fromUtf8(fromEnvironment);
    if (stdinIsTerminal())
        return promptSecret(QStringLiteral("Password for %1 at %2: ").arg(user, address));
    usageError(QStringLiteral("no password for '%1': set ORSA_PASSWORD, use --password-file, or "
                              "run on a terminal to be asked")
                   .arg(user));
}

// The service names what is wrong with its database; other failures have no words.
QString connectFailure(const QString& address)
{
    const QString reason = QTextCodec::codecForLocale()->toUnicode(BizOrsaLastCreateError());
    return reason.isEmpty() ? QStringLiteral("cannot connect to %1").arg(address)
                            : QStringLiteral("%1: %2").arg(address, reason);
}

// orsad's default port, the same as the server's own default.
constexpr int kDefaultPort = 7100;

short portOption(const Context& ctx, const QString& address)
{
    if (isEmbedded(address))
        return 0;
    const int port = ctx.intOption("port", kDefaultPort);
    if (port < 1 || port > 65535)
        usageError(QStringLiteral("--port must be 1 to 65535"));
    // The SDK reads the short back as unsigned: 40000 travels as -25536.
    return short(port);
}

} // namespace

QString defaultAddress()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // The database keeps device and server passwords: the directory made for
    // it is its owner's alone. One that exists is left as its owner set it.
    const bool there = QDir().mkpath(QFileInfo(dir).path()) &&
                       (::mkdir(QFile::encodeName(dir).constData(), 0700) == 0 || errno == EEXIST);
    if (!there)
        throw Failure(ExitFailed, QStringLiteral("cannot create the data directory %1").arg(dir));
    return QLatin1String(kEmbedded) + QLatin1Char(':') + dir + QStringLiteral("/orsactl.db");
}

Session& Session::open(const Context& ctx)
{
    static Session session;
    using namespace DATACore;
    session.address = ctx.has("address") ? ctx.option("address")
                      : !qEnvironmentVariableIsEmpty("ORSA_ADDRESS")
                          ? qEnvironmentVariable("ORSA_ADDRESS")
                          : defaultAddress();
    session.user = ctx.has("user") ? ctx.option("user") : QStringLiteral("admin");
    const short port = portOption(ctx, session.address);
    const QString password = loginPassword(ctx, session.address, session.user);

    // The receiver must live on the main thread before the SDK can answer.
    EventReceiver* receiver = EventReceiver::instance();
    UserManagerCore* core = UserManagerCore::instance();
    if (!core->ExportInterFace(receiver, session.address, port, false))
        throw Failure(ExitFailed, connectFailure(session.address));
    if (!core->AccountLogin(session.user, password)) {
        // The service does not tell an unknown name from a wrong password.
        const bool rejected = core->lastRequestOutcome().resultCode == BIZORSA_E_NOT_LOGGED_IN;
        throw Failure(ExitFailed, QStringLiteral("login as '%1' at %2 failed: %3")
                                      .arg(session.user, session.address,
                                           rejected ? QStringLiteral("wrong user name or password")
                                                    : lastRequestReason()));
    }
    if (password == QLatin1String(kDefaultPassword))
        printError(QStringLiteral("warning: '%1' still has the default password; change it with "
                                  "'orsactl passwd'")
                       .arg(session.user));
    if (!core->getCacheFromSDK())
        throw Failure(ExitFailed, QStringLiteral("loading the lists from %1 failed: %2")
                                      .arg(session.address, lastRequestReason()));
    return session;
}

} // namespace orsactl
