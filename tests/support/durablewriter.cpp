// A client that adds records through the library until it is killed or a
// request fails. Before each add it prints "begin KIND NAME", once the add is
// acknowledged "ok KIND NAME", one line at a time, so that whoever kills it
// knows what was acknowledged and what was under way.
//
//   durablewriter ADDRESS PORT PREFIX      the password is $ORSA_PASSWORD
#include "orsadatacenter.h"

#include <QtCore/QCoreApplication>

#include <cstdio>

namespace {

void say(const char* what, const char* kind, const QString& name)
{
    std::printf("%s %s %s\n", what, kind, qPrintable(name));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fputs("usage: durablewriter ADDRESS PORT PREFIX\n", stderr);
        return 2;
    }
    using namespace DATACore;
    const QString address = QString::fromLocal8Bit(argv[1]);
    const short port = short(QByteArray(argv[2]).toInt());
    const QString prefix = QString::fromLocal8Bit(argv[3]);
    UserManagerCore* core = UserManagerCore::instance();
    if (!core->ExportInterFace(EventReceiver::instance(), address, port, false) ||
        !core->AccountLogin(QStringLiteral("admin"), qEnvironmentVariable("ORSA_PASSWORD"))) {
        std::fputs("durablewriter: cannot connect and log in\n", stderr);
        return 1;
    }
    for (int n = 0; n < 100000; ++n) {
        const QString name = prefix + QLatin1Char('-') + QString::number(n);
        const bool region = n % 2 == 0;
        const char* kind = region ? "region" : "device";
        say("begin", kind, name);
        const bool added =
            region ? core->AddOneRegion(name, QString(), 1, QString())
                   : core->AddDevice(name, name, QStringLiteral("user"), QStringLiteral("secret"),
                                     QStringLiteral("10.0.0.1"), 8000, 1 + n % 4, 1, 2, 0);
        if (!added) {
            std::fprintf(stderr, "durablewriter: %s: %s\n", qPrintable(name),
                         qPrintable(core->lastRequestText()));
            return 1;
        }
        say("ok", kind, name);
    }
    return 0;
}
