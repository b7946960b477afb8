// Every figure of a large site from one run, at each scale of the reference
// site (orsactl generate-site; scale 1: 10,000 devices of 4 channels, 2,000
// regions, 200 views, 100 servers, 50 roles):
// - orsactl import of the site without accounts, so no password is hashed
//   (the database's admin hash is made at the tests' cheap cost);
// - orsactl tree, list devices and export of the imported site;
// - getCacheFromSDK() through the embedded service and through orsad on
//   loopback, and every facade lookup on the cache it loaded;
// and once, for 100, 1,000 and 10,000 records of the kind: one role add and
// one device add end to end through the library and the embedded in-memory
// service, and one add to the cache alone.
//
// Usage: bench_scale [--orsactl PATH] [SCALE...]   (default scales 0.1 0.25 1)
//   --orsactl: the orsactl whose import, tree, list and export are timed
//   (default the one of this build; the site files are always made by it).
// Run with QT_LOGGING_RULES="orsa.datacenter.debug=false".
#include "Service.h"
#include "lookuprows.h"
#include "sdk/CheapHashCost.h"
#include "support/orsadprocess.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace DATACore;

namespace {

UserManagerCore* core()
{
    return UserManagerCore::instance();
}

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "bench_scale: %s\n", qPrintable(what));
    std::exit(1);
}

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

void printFigure(const char* what, double value, const char* unit)
{
    std::printf("  %-46s %10.3f %s\n", what, value, unit);
    std::fflush(stdout);
}

// An orsactl run on the database, its output thrown away; its wall time in
// seconds. Fails the run when orsactl fails.
class Orsactl
{
public:
    Orsactl(QString program, const QTemporaryDir& home) : m_program(std::move(program))
    {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("ORSA_PASSWORD"), QStringLiteral("admin"));
        m_env.insert(QStringLiteral("HOME"), home.path());
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    }

    double run(const QString& database, const QStringList& arguments) const
    {
        QProcess process;
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("ORSA_ADDRESS"), QStringLiteral("embedded:") + database);
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(m_program, arguments);
        if (!process.waitForFinished(30 * 60 * 1000) ||
            process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            fail(QStringLiteral("orsactl %1 failed (exit %2)")
                     .arg(arguments.join(QLatin1Char(' ')))
                     .arg(process.exitCode()));
        return seconds(timer);
    }

private:
    QString m_program;
    QProcessEnvironment m_env;
};

void connect(const QString& address, int port)
{
    if (!core()->ExportInterFace(EventReceiver::instance(), address, port, false))
        fail(QStringLiteral("cannot reach %1").arg(address));
}

void logIn()
{
    if (!core()->AccountLogin(QStringLiteral("admin"), QStringLiteral("admin")))
        fail(QStringLiteral("login failed: %1").arg(core()->lastRequestText()));
}

// The bulk load's wall time in seconds, the best of three.
double bulkLoad()
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (!core()->getCacheFromSDK())
            fail(QStringLiteral("getCacheFromSDK failed: %1").arg(core()->lastRequestText()));
        best = std::min(best, seconds(timer));
    }
    return best;
}

void measureSite(double scale, const Orsactl& generator, const Orsactl& orsactl)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("site.json"));
    const QString database = dir.filePath(QStringLiteral("site.db"));
    generator.run(database, {QStringLiteral("generate-site"), QStringLiteral("--scale"),
                             QString::number(scale), QStringLiteral("--seed"), QStringLiteral("7"),
                             QStringLiteral("--no-accounts"), file});
    // A new database whose admin password is cheap to check, so that no run
    // below spends its time hashing.
    orsa::Service(QFile::encodeName(database).toStdString(), kCheapHashIterations);

    std::printf("scale %g (site file %.1f MB)\n", scale, double(QFile(file).size()) / 1e6);
    printFigure("orsactl import, no accounts",
                orsactl.run(database, {QStringLiteral("import"), file}), "s");
    printFigure("orsactl tree", orsactl.run(database, {QStringLiteral("tree")}), "s");
    printFigure("orsactl list devices",
                orsactl.run(database, {QStringLiteral("list"), QStringLiteral("devices")}), "s");
    printFigure("orsactl export",
                orsactl.run(database, {QStringLiteral("export"),
                                       dir.filePath(QStringLiteral("export.json"))}),
                "s");

    connect(QStringLiteral("embedded:") + database, 0);
    logIn();
    printFigure("getCacheFromSDK, embedded service", bulkLoad(), "s");
    const CacheLists lists = cachedLists();
    std::printf("  the cache: %lld devices, %lld channels, %lld regions, %lld filings, %lld "
                "placements, %lld grants\n",
                qint64(lists.devices.size()), qint64(lists.channels.size()),
                qint64(lists.regions.size()), qint64(lists.filings.size()),
                qint64(lists.placements.size()),
                qint64(lists.videoGrants.size() + lists.alarmGrants.size()));
    std::printf("  lookups, median of one call:\n");
    printLookupTimes(lists, "    ");

    // orsad takes the file for itself: the in-process service lets it go first.
    connect(QStringLiteral("embedded"), 0);
    OrsadProcess orsad(database);
    if (!orsad.start())
        fail(QStringLiteral("orsad did not start: %1").arg(orsad.log().join(QLatin1Char('\n'))));
    connect(QStringLiteral("127.0.0.1"), orsad.port());
    logIn();
    printFigure("getCacheFromSDK, orsad on loopback", bulkLoad(), "s");
    connect(QStringLiteral("embedded"), 0);
}

// The median wall time of one call in microseconds, over calls.
double medianMicroseconds(int calls, const std::function<void()>& call)
{
    std::vector<qint64> times;
    QElapsedTimer timer;
    for (int k = 0; k < calls; ++k) {
        timer.start();
        call();
        times.push_back(timer.nsecsElapsed());
    }
    std::nth_element(times.begin(), times.begin() + calls / 2, times.end());
    return double(times[std::size_t(calls / 2)]) / 1000.0;
}

// One add with 100, 1,000 and 10,000 records of its kind in the cache and
// the in-memory service.
void measureAdds()
{
    std::printf("one add, median of 101, with N records of its kind\n");
    std::printf("  %-46s %10s %10s %10s\n", "", "100", "1000", "10000");
    const int sizes[] = {100, 1000, 10000};
    int serial = 0;

    struct Kind {
        const char* what;
        std::function<int()> count;
        std::function<void()> add;
    };
    const Kind kinds[] = {
        {"AddOneRole, end to end (us)",
         [] { return int(UserDataCache::instance()->list_role_info().size()); },
         [&] {
             if (!core()->AddOneRole(QStringLiteral("角色 role %1").arg(++serial), QString()))
                 fail(QStringLiteral("AddOneRole: %1").arg(core()->lastRequestText()));
         }},
        {"AddDevice (4 channels), end to end (us)",
         [] { return int(UserDataCache::instance()->list_device_info().size()); },
         [&] {
             ++serial;
             if (!core()->AddDevice(QStringLiteral("球机 cam %1").arg(serial),
                                    QStringLiteral("N%1").arg(serial), QStringLiteral("admin"),
                                    QStringLiteral("pw"), QStringLiteral("10.0.0.1"), 8000, 4, 1, 1,
                                    0))
                 fail(QStringLiteral("AddDevice: %1").arg(core()->lastRequestText()));
         }},
    };
    connect(QStringLiteral("embedded"), 0);
    logIn();
    for (const Kind& kind : kinds) {
        std::printf("  %-46s", kind.what);
        for (int size : sizes) {
            while (kind.count() < size)
                kind.add();
            std::printf(" %10.1f", medianMicroseconds(101, kind.add));
            std::fflush(stdout);
        }
        std::printf("\n");
    }

    // The cache's own part: a cache of its own holding that many roles.
    std::printf("  %-46s", "updateInfoNode(role, add), cache alone (us)");
    for (int size : sizes) {
        UserDataCache cache;
        QList<RoleInfo> roles;
        for (int i = 0; i < size; ++i)
            roles.append({QStringLiteral("guid-%1").arg(i), QStringLiteral("r"), QString()});
        cache.setList_role_info(roles);
        roles.clear();
        int next = size;
        std::printf(" %10.2f", medianMicroseconds(101, [&] {
                        RoleInfo role{QStringLiteral("guid-%1").arg(next++), QStringLiteral("r"),
                                      QString()};
                        cache.updateInfoNode(role, 1);
                    }));
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    // The pinned certificates of the orsad started here go here, not to the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));

    QString program = QStringLiteral(ORSACTL_PATH);
    QList<double> scales;
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--orsactl") && i + 1 < arguments.size()) {
            program = arguments.at(++i);
            continue;
        }
        bool ok = false;
        const double scale = arguments.at(i).toDouble(&ok);
        if (!ok || !(scale > 0 && scale <= 10))
            fail(QStringLiteral("usage: bench_scale [--orsactl PATH] [SCALE...]"));
        scales.append(scale);
    }
    if (scales.isEmpty())
        scales = {0.1, 0.25, 1.0};

    const Orsactl generator(QStringLiteral(ORSACTL_PATH), home);
    const Orsactl orsactl(program, home);
    std::printf("orsactl timed: %s\n", qPrintable(program));
    measureAdds();
    for (double scale : scales)
        measureSite(scale, generator, orsactl);
    return 0;
}
