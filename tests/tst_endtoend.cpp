// The whole road through the shipped SDK: the public library, the real
// BizOrsaClientLib, answers from the SDK's threads. Built twice: against the
// embedded service, and (ORSA_ENDTOEND_ORSAD) against an orsad started here
// on a loopback port, on SQLite or (ORSA_TEST_ENGINE=postgresql) on the test
// cluster. The slots run in order and build one scenario on one
// database.
#include "BizOrsaResultCodes.h"
#include "orsadatacenter.h"
#include "support/cachetexts.h"
#include "support/orsadprocess.h"
#include "support/singletons.h"
#ifdef ORSA_ENDTOEND_ORSAD
#    include "TestEngine.h"
#endif

#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace DATACore;

namespace {

const QString kAdministratorRole = QStringLiteral("88341189");

// ---- Records as "key|name|..." texts, so lists of every kind compare alike ----

QString described(const AccountInfo& r)
{
    return joined({r.userName, r.roleGuid, r.phone, r.mail});
}
QString described(const RoleInfo& r)
{
    return joined({r.guid, r.name, r.describe});
}
QString described(const RolePermissionInfo& r)
{
    return joined({r.guid, r.roleGuid, r.type, r.value});
}
QString described(const RegionInfo& r)
{
    return joined({r.guid, r.parentGuid, r.name, r.level, r.describe});
}
QString described(const DeviceChancelInfo& r)
{
    return joined({r.channelGuid, r.channelName, r.devGuid, r.channelNo});
}
QString described(const RegionChannelInfo& r)
{
    return joined({r.regionGuid, described(r.channelInfo)});
}
QString described(const UDeviceInfo& r)
{
    return joined({r.guid, r.devName, r.devNO, r.devIP, r.devPort, r.devChannelNum});
}
QString described(const UViewInfo& r)
{
    return joined({r.guid, r.name, r.divide});
}
QString described(const UViewChannelInfo& r)
{
    return joined({r.viewGuid, described(r.channelInfo), r.position});
}
QString described(const UServerInfo& r)
{
    return joined({r.guid, r.name, r.ip, r.port, r.type});
}
QString described(const RoleRegionInfo& r)
{
    return joined({r.roleGuid, r.regionGuid});
}
QString described(const RegionAlarmInfo& r)
{
    return joined({r.roleGuid, r.regionGuid});
}

template <typename T>
QStringList described(const QList<T>& records)
{
    return describedList(records, [](const T& r) { return described(r); });
}

Snapshot cachedLists()
{
    return cacheSnapshot([](const auto& r) { return described(r); });
}

// What a holds beyond b, as a sorted multiset.
QStringList beyond(QStringList a, const QStringList& b)
{
    for (const QString& record : b)
        a.removeOne(record);
    std::sort(a.begin(), a.end());
    return a;
}

QStringList sorted(QStringList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

// One fetch seen from outside: the number of records and ok.
using Fetch = std::function<int(bool& ok)>;

template <typename List>
Fetch fetching(List (UserManagerCore::*fetch)(const QString&, bool&))
{
    return [fetch](bool& ok) { return int((core()->*fetch)(QString(), ok).size()); };
}

QString lastResult()
{
    return cache()->dataObj().property("result").toBool() ? QStringLiteral("success")
                                                          : QStringLiteral("failure");
}

} // namespace

Q_DECLARE_METATYPE(Fetch)

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void fetchBeforeLogin_data();
    void fetchBeforeLogin();
    void bulkLoadBeforeLogin();
    void loginAsAdministrator();
    void wrongPasswordChangesNothing();
    void rolesAndAccounts();
    void regionTree();
    void devicesAndTheirChannels();
    void fileChannelsIntoRegions();
    void placeChannelsInViews();
    void servers();
    void editRecords();
    void deleteRecords();
    void cacheAgreesWithFreshLoad();
    void reconnect();

private:
    // The service this build runs against, as ExportInterFace takes it.
    bool exportTo()
    {
        return core()->ExportInterFace(EventReceiver::instance(), m_address, m_port, false);
    }

    QTemporaryDir m_dir;
    QString m_address;
    short m_port = 0;
#ifdef ORSA_ENDTOEND_ORSAD
    std::unique_ptr<OrsadProcess> m_orsad;
#endif
    QString m_role, m_permission, m_north, m_beijing, m_tianjin;
    QString m_deviceA, m_deviceB, m_deviceC, m_wall, m_spare, m_server;
    QStringList m_channelsA, m_channelsC;
};

void tst_EndToEnd::initTestCase()
{
    QVERIFY(m_dir.isValid());
#ifdef ORSA_ENDTOEND_ORSAD
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    // orsad's first account gets the embedded service's password, so that
    // the scenario reads alike against both.
    QCOMPARE(OrsadProcess::adminPassword(), QByteArray("admin"));
    ORSA_REQUIRE_ENGINE();
    QString database; // orsad's own SQLite file
    if (onPostgresql()) {
        try {
            database = QString::fromStdString(emptiedProgramDatabase());
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
    }
    m_orsad = std::make_unique<OrsadProcess>(database);
    QVERIFY(m_orsad->start());
    m_address = QStringLiteral("127.0.0.1");
    m_port = short(m_orsad->port());
#else
    m_address = QStringLiteral("embedded:") + m_dir.filePath("orsa.db");
#endif
    QVERIFY(exportTo());
    QVERIFY(core()->BizOrsaClient_Create_Success());
}

void tst_EndToEnd::fetchBeforeLogin_data()
{
    QTest::addColumn<Fetch>("fetch");
    QTest::addRow("accounts") << fetching(&UserManagerCore::getAccountFromSDK);
    QTest::addRow("roles") << fetching(&UserManagerCore::getRoleFromSDK);
    QTest::addRow("permissions") << fetching(&UserManagerCore::getRolePermissionFromSDK);
    QTest::addRow("regions") << fetching(&UserManagerCore::getRegionData);
    QTest::addRow("region channels") << fetching(&UserManagerCore::getRegionChannelFromSDK);
    QTest::addRow("devices") << fetching(&UserManagerCore::getDeviceFromSDK);
    QTest::addRow("device channels") << fetching(&UserManagerCore::getDevChannelInfoFromSDK);
    QTest::addRow("views") << fetching(&UserManagerCore::getViewFromSDK);
    QTest::addRow("view channels") << fetching(&UserManagerCore::getViewChannelFromSDK);
    QTest::addRow("servers") << fetching(&UserManagerCore::getServersFromSDK);
    QTest::addRow("video grants") << fetching(&UserManagerCore::getRegionVideoFromSDK);
    QTest::addRow("alarm grants") << fetching(&UserManagerCore::getAlarmRegionFromSDK);
}

void tst_EndToEnd::fetchBeforeLogin()
{
    QFETCH(Fetch, fetch);
    // Answered, with failure: ok true, no records, and the wait ended by the answer.
    bool ok = false;
    QCOMPARE(fetch(ok), 0);
    QVERIFY(ok);
    QVERIFY(EventReceiver::instance()->timeOutFlag());
    QCOMPARE(lastResult(), QStringLiteral("failure"));
}

void tst_EndToEnd::bulkLoadBeforeLogin()
{
    QVERIFY(!core()->getCacheFromSDK());
    QVERIFY(EventReceiver::instance()->timeOutFlag());
}

void tst_EndToEnd::loginAsAdministrator()
{
    QVERIFY(core()->AccountLogin(QStringLiteral("admin"), QStringLiteral("admin")));
    QVERIFY(core()->isLoggedIn());
    QCOMPARE(core()->userName(), QStringLiteral("admin"));
    QCOMPARE(core()->userRole().guid, kAdministratorRole);
    QCOMPARE(core()->userRole().name, QStringLiteral("Administrator"));
    QVERIFY(core()->userPermission().isEmpty());
    QCOMPARE(described(cache()->list_account_Info()), QStringList{"admin|88341189||"});
    QCOMPARE(described(cache()->list_role_info()), QStringList{"88341189|Administrator|"});

    // A new database holds nothing else, and now says so with success.
    QVERIFY(core()->getCacheFromSDK());
    bool ok = false;
    QCOMPARE(core()->getAccountFromSDK(QStringLiteral("admin"), ok).size(), 1);
    QVERIFY(ok);
    QCOMPARE(core()->getRoleFromSDK(kAdministratorRole, ok).size(), 1);
    QVERIFY(ok);
    QCOMPARE(lastResult(), QStringLiteral("success"));
}

void tst_EndToEnd::wrongPasswordChangesNothing()
{
    const Snapshot before = cachedLists();
    const RoleInfo role = core()->userRole();
    QVERIFY(!core()->AccountLogin(QStringLiteral("admin"), QStringLiteral("Admin")));
    QVERIFY(!core()->AccountLogin(QStringLiteral("nobody"), QStringLiteral("admin")));
    QVERIFY(core()->isLoggedIn());
    QCOMPARE(core()->userName(), QStringLiteral("admin"));
    QCOMPARE(core()->password(), QStringLiteral("admin"));
    QCOMPARE(core()->userRole().guid, role.guid);
    QCOMPARE(cachedLists(), before);

    // The service keeps the session too: requests go on being served.
    bool ok = false;
    core()->getViewFromSDK(QString(), ok);
    QVERIFY(ok);
    QCOMPARE(lastResult(), QStringLiteral("success"));
}

void tst_EndToEnd::rolesAndAccounts()
{
    QVERIFY(core()->AddOneRole(QStringLiteral("Operators"), QStringLiteral("operate")));
    m_role = cache()->list_role_info().last().guid;
    QVERIFY(!m_role.isEmpty());
    QCOMPARE(described(core()->GetRole(m_role)), QStringList{m_role + "|Operators|operate"});

    // A second permission of a type replaces the first.
    QVERIFY(core()->addRolePermission(m_role, QStringLiteral("ptz"), QStringLiteral("true")));
    QVERIFY(core()->addRolePermission(m_role, QStringLiteral("ptz"), QStringLiteral("false")));
    const QList<RolePermissionInfo> permissions = cache()->list_role_permission_info();
    QCOMPARE(permissions.size(), 1);
    m_permission = permissions.first().guid;
    QCOMPARE(described(permissions.first()), m_permission + "|" + m_role + "|ptz|false");

    QVERIFY(core()->AddOneAccount(QStringLiteral("op1"), QStringLiteral("555"),
                                  QStringLiteral("op@example.org"), QStringLiteral("pw"), m_role));
    QCOMPARE(described(core()->GetAccount(QStringLiteral("op1"))),
             QStringList{"op1|" + m_role + "|555|op@example.org"});
    // A role an account names stays.
    QVERIFY(!core()->DeleteOneRole(m_role));
    QCOMPARE(core()->GetRole(m_role).size(), 1);
}

void tst_EndToEnd::regionTree()
{
    // The administrators' role is the user's own: two grants, not four.
    QVERIFY(core()->AddOneRegion(QStringLiteral("\u534e\u5317"), QString(), 0,
                                 QStringLiteral("north")));
    QCOMPARE(core()->getRegionVideo(QString()).size(), 1);
    m_north = cache()->list_region_info().last().guid;
    QVERIFY(core()->AddOneRegion(QStringLiteral("\u5317\u4eac"), m_north, 1, QString()));
    m_beijing = cache()->list_region_info().last().guid;
    QVERIFY(core()->AddOneRegion(QStringLiteral("\u5929\u6d25"), m_north, 1, QString()));
    m_tianjin = cache()->list_region_info().last().guid;
    QVERIFY(core()->addRegionVideo(m_role, m_beijing));
    QVERIFY(core()->addAlarmRegion(m_role, m_beijing));

    QCOMPARE(described(cache()->list_region_info()),
             (QStringList{m_north + "||\u534e\u5317|0|north",
                          m_beijing + "|" + m_north + "|\u5317\u4eac|1|",
                          m_tianjin + "|" + m_north + "|\u5929\u6d25|1|"}));
    const QStringList grants{"88341189|" + m_north, "88341189|" + m_beijing,
                             "88341189|" + m_tianjin, m_role + "|" + m_beijing};
    QCOMPARE(described(core()->getRegionVideo(QString())), grants);
    QCOMPARE(described(core()->getAlarmRegion(QString())), grants);
    // The administrator sees the three, by initials bj, hb, tj.
    QCOMPARE(described(core()->GetOneRegion(QString())).size(), 3);
    QCOMPARE(core()->GetOneRegion(QString()).first().guid, m_beijing);
    QCOMPARE(core()->GetOneRegion(QString()).last().guid, m_tianjin);
}

void tst_EndToEnd::devicesAndTheirChannels()
{
    QVERIFY(core()->AddDevice(QStringLiteral("cam-a"), QStringLiteral("NO-A"),
                              QStringLiteral("user"), QStringLiteral("secret"),
                              QStringLiteral("10.0.0.1"), 8000, 4, 1, 2, 0));
    m_deviceA = cache()->list_device_info().last().guid;
    QVERIFY(core()->AddDevice(QStringLiteral("cam-c"), QStringLiteral("NO-C"),
                              QStringLiteral("user"), QStringLiteral("secret"),
                              QStringLiteral("10.0.0.3"), 8000, 2, 1, 2, 0));
    m_deviceC = cache()->list_device_info().last().guid;
    QCOMPARE(described(core()->GetDevice(m_deviceA)),
             QStringList{m_deviceA + "|cam-a|NO-A|10.0.0.1|8000|4"});
    // A new device's channels are cached only once fetched.
    QVERIFY(core()->getDevChannelInfo(m_deviceA).isEmpty());

    bool ok = false;
    const QList<DeviceChancelInfo> channels = core()->getDevChannelInfoFromSDK(QString(), ok);
    QVERIFY(ok);
    QCOMPARE(channels.size(), 6);
    for (const DeviceChancelInfo& c : core()->getDevChannelInfo(m_deviceA))
        m_channelsA << c.channelGuid;
    for (const DeviceChancelInfo& c : core()->getDevChannelInfo(m_deviceC))
        m_channelsC << c.channelGuid;
    QCOMPARE(m_channelsA.size(), 4);
    QCOMPARE(m_channelsC.size(), 2);
    QCOMPARE(described(core()->channelInfoByDeviceGUID(m_deviceA, 2)),
             m_channelsA.at(1) + "|Channel 2|" + m_deviceA + "|2");

    // Added after the fetch: its channels stay behind the server.
    QVERIFY(core()->AddDevice(QStringLiteral("cam-b"), QStringLiteral("NO-B"),
                              QStringLiteral("user"), QStringLiteral("secret"),
                              QStringLiteral("10.0.0.2"), 8000, 2, 1, 2, 0));
    m_deviceB = cache()->list_device_info().last().guid;
    QVERIFY(core()->getDevChannelInfo(m_deviceB).isEmpty());
}

void tst_EndToEnd::fileChannelsIntoRegions()
{
    QVERIFY(core()->AddRegionChannel(m_beijing, m_channelsA.at(0), QStringLiteral("Gate")));
    QVERIFY(core()->AddRegionChannel(m_beijing, m_channelsA.at(1), QStringLiteral("Yard")));
    QVERIFY(core()->AddRegionChannel(m_beijing, m_channelsC.at(0), QStringLiteral("Dock")));
    QVERIFY(core()->AddRegionChannel(m_tianjin, m_channelsA.at(0), QStringLiteral("Gate TJ")));
    QVERIFY(core()->AddRegionChannel(m_tianjin, m_channelsC.at(1), QStringLiteral("Pier")));
    QVERIFY(core()->EditRegionChannel(m_beijing, m_channelsA.at(1), QStringLiteral("Back yard")));

    QCOMPARE(described(core()->GetRegionChannel(m_beijing)),
             (QStringList{m_channelsA.at(0) + "|Gate|" + m_deviceA + "|1",
                          m_channelsA.at(1) + "|Back yard|" + m_deviceA + "|2",
                          m_channelsC.at(0) + "|Dock|" + m_deviceC + "|1"}));
    QCOMPARE(core()->GetAreasWhereChannelIn(m_channelsA.at(0)).size(), 2);
}

void tst_EndToEnd::placeChannelsInViews()
{
    QVERIFY(core()->AddView(QStringLiteral("Wall"), 4));
    m_wall = cache()->list_view_info().last().guid;
    QVERIFY(core()->AddView(QStringLiteral("Spare"), 1));
    m_spare = cache()->list_view_info().last().guid;

    QMap<int, QString> wall{{2, m_channelsA.at(2)}, {0, m_channelsA.at(0)}, {1, m_channelsC.at(0)}};
    QVERIFY(core()->saveViewChannel(m_wall, wall));
    QMap<int, QString> spare{{0, m_channelsA.at(1)}, {1, m_channelsC.at(1)}};
    QVERIFY(core()->saveViewChannel(m_spare, spare));
    QVERIFY(core()->EditViewChannel(m_wall, m_channelsA.at(2), 3));

    // Placed in ascending positions; the edit keeps the entry where it was.
    QCOMPARE(described(core()->GetViewChannel(m_wall)),
             (QStringList{m_wall + "|" + m_channelsA.at(0) + "|Channel 1|" + m_deviceA + "|1|0",
                          m_wall + "|" + m_channelsC.at(0) + "|Channel 1|" + m_deviceC + "|1|1",
                          m_wall + "|" + m_channelsA.at(2) + "|Channel 3|" + m_deviceA + "|3|3"}));
    QVERIFY(core()->viewNameExists(QStringLiteral("Spare")));
}

void tst_EndToEnd::servers()
{
    QVERIFY(core()->AddServer(QStringLiteral("alarms"), QStringLiteral("10.0.0.9"),
                              QStringLiteral("u"), QStringLiteral("p"), 9000, SERVER_TYPE_ALARM));
    m_server = cache()->list_server_info().last().guid;
    QVERIFY(core()->EditServer(m_server, QStringLiteral("alarms-2"), QStringLiteral("10.0.0.10"),
                               QStringLiteral("u"), QStringLiteral("p"), 9001, SERVER_TYPE_ALARM));
    QCOMPARE(described(core()->getAlarmServer()), m_server + "|alarms-2|10.0.0.10|9001|4");
}

void tst_EndToEnd::editRecords()
{
    QVERIFY(core()->EditOneRegion(m_beijing, QStringLiteral("\u5317\u4eac\u5e02"),
                                  QStringLiteral("capital")));
    // Parent and level come from the cache: the edit does not send them.
    QCOMPARE(described(core()->getRegionByGuid(m_beijing)),
             m_beijing + "|" + m_north + "|\u5317\u4eac\u5e02|1|capital");
    QVERIFY(core()->EditDevice(m_deviceA, QStringLiteral("NO-A"), QStringLiteral("cam-a2"),
                               QStringLiteral("user2"), QStringLiteral("secret2"),
                               QStringLiteral("10.0.0.11"), 8001));
    QCOMPARE(described(core()->getDevInfo(m_deviceA)), m_deviceA + "|cam-a2|NO-A|10.0.0.11|8001|4");
    QVERIFY(core()->EditView(m_wall, QStringLiteral("Wall 2"), 9));
    QCOMPARE(described(core()->GetView(m_wall)), QStringList{m_wall + "|Wall 2|9"});
    QVERIFY(core()->EditOneRole(m_role, QStringLiteral("Operators 2"), QStringLiteral("d2")));
    QCOMPARE(described(core()->GetRole(m_role)), QStringList{m_role + "|Operators 2|d2"});
}

void tst_EndToEnd::deleteRecords()
{
    const Snapshot before = cachedLists();
    // A region with child regions stays.
    QVERIFY(!core()->DeleteOneRegion(m_north));
    QCOMPARE(cachedLists(), before);

    QVERIFY(core()->DeleteView(m_spare));
    QVERIFY(core()->GetView(m_spare).isEmpty());
    // Its placements went with it on the server, and so they go in the cache.
    QVERIFY(core()->GetViewChannel(m_spare).isEmpty());
    QVERIFY(core()->DeleteOneRegion(m_tianjin));
    QCOMPARE(core()->getRegionByGuid(m_tianjin).guid, QString());
    QVERIFY(core()->GetRegionChannel(m_tianjin).isEmpty());

    // The cascade unfiles C's channels first; the filing and placement of its
    // second channel already went with the region and the view, so no request
    // is made for them.
    QSignalSpy unfiled(core(), &UserManagerCore::signalDeleteRegionChannl);
    QSignalSpy deleted(core(), &UserManagerCore::signalDeleteDevice);
    QVERIFY(core()->DeleteDevice(m_deviceC));
    QCOMPARE(unfiled.count(), 1);
    QCOMPARE(unfiled.first().at(0).toString(), m_beijing);
    QCOMPARE(unfiled.first().at(1).toString(), m_channelsC.at(0));
    QCOMPARE(deleted.count(), 1);
    QVERIFY(core()->GetDevice(m_deviceC).isEmpty());
    QCOMPARE(core()->GetRegionChannel(m_beijing).size(), 2);
    QCOMPARE(core()->GetViewChannel(m_wall).size(), 2);

    QVERIFY(core()->DeleteOneAccount(QStringLiteral("op1")));
    QVERIFY(core()->DeleteOneRole(m_role));
    QVERIFY(core()->GetRole(m_role).isEmpty());
}

void tst_EndToEnd::cacheAgreesWithFreshLoad()
{
    const Snapshot cached = cachedLists();
    QVERIFY(core()->getCacheFromSDK());
    bool ok = false;
    core()->getAccountFromSDK(QString(), ok);
    QVERIFY(ok);
    core()->getRoleFromSDK(QString(), ok);
    QVERIFY(ok);
    core()->getRolePermissionFromSDK(QString(), ok);
    QVERIFY(ok);
    const Snapshot fresh = cachedLists();

    // Nothing the server dropped stays cached; only what was never fetched is missing.
    Snapshot missing;
    for (const DeviceChancelInfo& c : core()->getDevChannelInfo(m_deviceB))
        missing["device channels"] << described(c);
    QCOMPARE(missing["device channels"].size(), 2);
    missing["device channels"] = sorted(missing["device channels"]);

    for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
        const QString& list = it.key();
        // Every list but the permissions holds live records to compare.
        QVERIFY2(!it.value().isEmpty() || list == "permissions", qPrintable(list));
        QCOMPARE(beyond(cached[list], it.value()), QStringList());
        QCOMPARE(beyond(it.value(), cached[list]), missing.value(list));
    }
}

// Each new connection releases the previous one: its thread is gone and its
// session with it. A connection that cannot be made leaves the working one.
void tst_EndToEnd::reconnect()
{
    // Threads without a name of their own, as the SDK's are: Qt, glib and the
    // sanitizer runtime start named threads of their own whenever they like.
    const auto threadCount = [] {
        const auto nameOf = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray unnamed = nameOf(QStringLiteral("/proc/self/comm"));
        const QDir tasks(QStringLiteral("/proc/self/task"));
        int count = 0;
        for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            count += nameOf(tasks.filePath(task) + QStringLiteral("/comm")) == unnamed;
        return count;
    };
    QVERIFY(core()->isLoggedIn());
    const int threads = threadCount();
    for (int i = 0; i < 5; ++i) {
        QVERIFY(exportTo());
        QVERIFY(!core()->isLoggedIn());
        QCOMPARE(threadCount(), threads);
    }
    bool ok = false;
    core()->getRoleFromSDK(QString(), ok);
    QVERIFY(ok);
    QCOMPARE(core()->lastRequestOutcome().resultCode, int(BIZORSA_E_NOT_LOGGED_IN));

    QVERIFY(core()->AccountLogin(QStringLiteral("admin"), QStringLiteral("admin")));
    QVERIFY(!core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("127.0.0.1"),
                                     short(closedLoopbackPort()), false));
    QVERIFY(core()->BizOrsaClient_Create_Success());
    QVERIFY(core()->isLoggedIn());
    QVERIFY(!core()->getRoleFromSDK(QString(), ok).isEmpty());
    QVERIFY(core()->lastRequestOutcome().succeeded());
    QCOMPARE(threadCount(), threads);
}

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
