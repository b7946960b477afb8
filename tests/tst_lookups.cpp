// The facade's cache queries, over a small cache set up before each test.
#include "orsadatacenter.h"

#include <QTextCodec>
#include <QtCore/QRandomGenerator>
#include <QtTest/QtTest>

#include <functional>

using DATACore::UserDataCache;
using DATACore::UserManagerCore;

// A query reduced to text, so one table can hold queries of every record kind.
using Query = std::function<QString(const QString&)>;
Q_DECLARE_METATYPE(Query)

namespace {

UserManagerCore* core()
{
    return UserManagerCore::instance();
}

// ---- Record descriptions ----------------------------------------------------
// Lists are shown by one telling field per record; single records in full, so
// that a default record is told apart from a found one.

QString tag(const AccountInfo& r)
{
    return r.phone;
}
QString tag(const RoleInfo& r)
{
    return r.describe;
}
QString tag(const RolePermissionInfo& r)
{
    return r.guid + QLatin1Char('@') + r.roleGuid;
}
QString tag(const RoleRegionInfo& r)
{
    return r.roleGuid + QLatin1Char(':') + r.regionGuid;
}
QString tag(const RegionAlarmInfo& r)
{
    return r.roleGuid + QLatin1Char(':') + r.regionGuid;
}
QString tag(const RegionInfo& r)
{
    return r.describe;
}
QString tag(const DeviceChancelInfo& r)
{
    return r.channelName;
}
QString tag(const UDeviceInfo& r)
{
    return r.devName;
}
QString tag(const UViewInfo& r)
{
    return r.name;
}
QString tag(const UViewChannelInfo& r)
{
    return r.channelInfo.channelName;
}
QString tag(const UServerInfo& r)
{
    return r.name;
}

template <typename T>
QString tags(const QList<T>& records)
{
    QStringList out;
    for (const T& r : records)
        out << tag(r);
    return out.join(QLatin1String(", "));
}

QString full(const RegionInfo& r)
{
    return QStringLiteral("region{%1|%2|%3|%4|%5}")
        .arg(r.guid, r.parentGuid, r.name)
        .arg(r.level)
        .arg(r.describe);
}
QString full(const DeviceChancelInfo& r)
{
    return QStringLiteral("channel{%1|%2|%3|%4}")
        .arg(r.channelGuid, r.channelName, r.devGuid)
        .arg(r.channelNo);
}
QString full(const UDeviceInfo& r)
{
    return QStringLiteral("device{%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%11|%12}")
        .arg(r.guid, r.devName, r.devNO, r.devUser, r.devPassword, r.devIP)
        .arg(r.devPort)
        .arg(r.devChannelNum)
        .arg(r.devExtra)
        .arg(r.devVender)
        .arg(r.devType)
        .arg(r.devBonline);
}
QString full(const UServerInfo& r)
{
    return QStringLiteral("server{%1|%2|%3|%4|%5|%6|%7}")
        .arg(r.guid, r.name, r.ip, r.user, r.password)
        .arg(r.port)
        .arg(r.type);
}
QString full(const AllPlayViewInfo& r)
{
    return QStringLiteral("play{%1|%2|%3|%4}")
        .arg(r.viewChInfo.viewGuid, full(r.viewChInfo.channelInfo))
        .arg(r.viewChInfo.position)
        .arg(full(r.devInfo));
}

template <typename T>
Query listQuery(QList<T> (UserManagerCore::*query)(const QString&))
{
    return [query](const QString& arg) { return tags((core()->*query)(arg)); };
}

template <typename T>
Query recordQuery(T (UserManagerCore::*query)(const QString&))
{
    return [query](const QString& arg) { return full((core()->*query)(arg)); };
}

// ---- The fixture ------------------------------------------------------------
// Every list holds a record whose key is empty, so that "an empty argument
// selects everything" and "an empty argument matches empty keys" give
// different answers, and lists are in no name order, so a stray sort shows.

const RegionInfo shanghai{QStringLiteral("reg-2"), QString(), QStringLiteral("上海"), 1,
                          QStringLiteral("shanghai")};
const RegionInfo beijing{QStringLiteral("reg-1"), QString(), QStringLiteral("北京"), 1,
                         QStringLiteral("beijing")};
const RegionInfo anhui{QStringLiteral("reg-2"), QStringLiteral("reg-1"), QStringLiteral("安徽"), 2,
                       QStringLiteral("anhui")};
const RegionInfo unnamedRegion{QString(), QString(), QStringLiteral("无名"), 1,
                               QStringLiteral("noguid")};

const UDeviceInfo doorCam{QStringLiteral("dev-1"),
                          QStringLiteral("Door cam"),
                          QStringLiteral("NO-abc"),
                          QStringLiteral("admin"),
                          QStringLiteral("pw1"),
                          QStringLiteral("10.0.0.1"),
                          8000,
                          3,
                          0,
                          1,
                          2,
                          1};
const UDeviceInfo yardCam{QStringLiteral("dev-2"),
                          QStringLiteral("Yard cam"),
                          QStringLiteral("NO-xyz"),
                          QStringLiteral("admin"),
                          QStringLiteral("pw2"),
                          QStringLiteral("10.0.0.2"),
                          8000,
                          1,
                          0,
                          1,
                          2,
                          0};
const UDeviceInfo unregistered{QString(),
                               QStringLiteral("Unregistered"),
                               QStringLiteral("NO-E"),
                               QString(),
                               QString(),
                               QStringLiteral("10.0.0.9"),
                               0,
                               1,
                               0,
                               0,
                               0,
                               0};

DeviceChancelInfo channel(const char* guid, const char* name, const char* dev, int no)
{
    return {QString::fromUtf8(guid), QString::fromUtf8(name), QString::fromUtf8(dev), no};
}

const DeviceChancelInfo gate = channel("ch-1", "Gate", "dev-1", 0);
const DeviceChancelInfo hall = channel("ch-2", "Hall", "dev-1", 1);
const DeviceChancelInfo backDoor = channel("ch-3", "Back door", "dev-1", 2);
const DeviceChancelInfo yard = channel("ch-5", "Yard", "dev-2", 0);
const DeviceChancelInfo orphan = channel("ch-6", "Orphan", "", 0);
const DeviceChancelInfo gateFiled = channel("ch-1", "Gate (filed)", "dev-1", 0);
const DeviceChancelInfo hallFiled = channel("ch-2", "Hall (filed)", "dev-1", 1);

UServerInfo server(const QString& name, int port, int type)
{
    return {QStringLiteral("srv-") + name,
            name,
            QStringLiteral("10.0.1.1"),
            QStringLiteral("u"),
            QStringLiteral("p"),
            port,
            type};
}

void fillCache()
{
    UserDataCache* cache = UserDataCache::instance();
    cache->setList_account_Info({
        {QStringLiteral("alice"), {}, QStringLiteral("acc-alice-1"), {}, {}},
        {QStringLiteral("bob"), {}, QStringLiteral("acc-bob"), {}, {}},
        {QStringLiteral("Alice"), {}, QStringLiteral("acc-Alice"), {}, {}},
        {QStringLiteral("alice"), {}, QStringLiteral("acc-alice-2"), {}, {}},
        {QString(), {}, QStringLiteral("acc-noname"), {}, {}},
    });
    cache->setList_role_info({
        {QStringLiteral("role-1"), QStringLiteral("运维"), QStringLiteral("role-ops")},
        {QStringLiteral("role-2"), QStringLiteral("Admin"), QStringLiteral("role-admin")},
        {QString(), QStringLiteral("无名"), QStringLiteral("role-noguid")},
    });
    cache->setList_role_permission_info({
        {QStringLiteral("perm-1"), QStringLiteral("role-1"), QStringLiteral("view"), {}},
        {QStringLiteral("perm-2"), QStringLiteral("role-1"), QStringLiteral("edit"), {}},
        {QStringLiteral("perm-1"), QStringLiteral("role-2"), QStringLiteral("view"), {}},
        {QString(), QStringLiteral("role-2"), QStringLiteral("edit"), {}},
    });
    cache->setList_role_region_info({
        {QStringLiteral("role-1"), QStringLiteral("reg-1")},
        {QStringLiteral("role-2"), QStringLiteral("reg-1")},
        {QStringLiteral("role-1"), QStringLiteral("reg-2")},
        {QString(), QStringLiteral("reg-3")},
    });
    cache->setList_role_alarm_info({
        {QStringLiteral("role-2"), QStringLiteral("reg-2")},
        {QStringLiteral("role-1"), QStringLiteral("reg-3")},
        {QString(), QStringLiteral("reg-1")},
    });
    cache->setList_region_info({shanghai, beijing, anhui, unnamedRegion});
    cache->setList_region_channel_info({
        {QStringLiteral("reg-1"), gateFiled},
        {QStringLiteral("reg-9"), channel("ch-1", "Gate (uncached region)", "dev-1", 0)},
        {QStringLiteral("reg-2"), hallFiled},
        {QString(), channel("ch-4", "Loose", "dev-2", 0)},
    });
    cache->setList_device_info({doorCam, yardCam, unregistered});
    cache->setList_device_channel_info({gate, hall, backDoor, yard, orphan});
    cache->setList_view_info({
        {QStringLiteral("view-1"), QStringLiteral("Lobby"), 4},
        {QStringLiteral("view-2"), QStringLiteral("Roof"), 1},
        {QString(), QStringLiteral("Draft"), 9},
    });
    cache->setViewChannelInfo({
        {QStringLiteral("view-1"), gate, 0},
        {QStringLiteral("view-2"), yard, 1},
        {QStringLiteral("view-1"), hall, 1},
        {QString(), backDoor, 2},
    });
    cache->setList_server_info({
        server(QStringLiteral("Media"), 554, 2),
        server(QStringLiteral("Alarm A"), 7000, SERVER_TYPE_ALARM),
        server(QStringLiteral("Storage"), 9000, 3),
        {QString(), QStringLiteral("Unnamed"), {}, {}, {}, 0, 1},
    });
}

// The names of the initials sort, in GB2312-compatible bytes whatever the locale.
QString sortKey(const QString& name)
{
    QString initials;
    UserDataCache::instance()->GetFirstLetter(
        QTextCodec::codecForName("GB18030")->fromUnicode(name), initials);
    return initials.toLower();
}

// The plain exchange sort the facade's order must equal, ties included; gives
// the original positions of the names in sorted order.
QList<int> exchangeSorted(const QStringList& names)
{
    QList<int> order;
    for (int k = 0; k < names.size(); ++k)
        order << k;
    for (int i = 0; i < order.size(); ++i) {
        for (int j = i + 1; j < order.size(); ++j) {
            if (sortKey(names[order[j]]) < sortKey(names[order[i]]))
                order.swapItemsAt(i, j);
        }
    }
    return order;
}

// Caches roles and regions that all share one guid, named in the given order,
// and gives the original positions in the order GetRole and
// getOneRegionByCache return them; equal names stay told apart.
QPair<QList<int>, QList<int>> sortedByFacade(const QStringList& names)
{
    const QString guid = QStringLiteral("same");
    QList<RoleInfo> roles;
    QList<RegionInfo> regions;
    for (int k = 0; k < names.size(); ++k) {
        roles.append({guid, names[k], QString::number(k)});
        regions.append({guid, {}, names[k], 1, QString::number(k)});
    }
    UserDataCache::instance()->setList_role_info(roles);
    UserDataCache::instance()->setList_region_info(regions);

    QList<int> roleOrder;
    for (const RoleInfo& role : core()->GetRole(guid))
        roleOrder << role.describe.toInt();
    QList<int> regionOrder;
    for (const RegionInfo& region : core()->getOneRegionByCache(guid))
        regionOrder << region.describe.toInt();
    return {roleOrder, regionOrder};
}

QStringList capturedDebug;

void captureDebug(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg)
        capturedDebug << message;
}

void addQueryColumns()
{
    QTest::addColumn<Query>("query");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("expected");
}

void checkQuery()
{
    QFETCH(Query, query);
    QFETCH(QString, argument);
    QFETCH(QString, expected);
    QCOMPARE(query(argument), expected);
}

} // namespace

class tst_Lookups : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void filters_data();
    void filters() { checkQuery(); }
    void singleFinders_data();
    void singleFinders() { checkQuery(); }
    void compositions_data();
    void compositions() { checkQuery(); }

    void cloudNumberLetterCase_data();
    void cloudNumberLetterCase();
    void channelByNumber_data();
    void channelByNumber();
    void servers_data();
    void servers();

    void sortOrder_data();
    void sortOrder();
    void sortMatchesExchangeSort_data();
    void sortMatchesExchangeSort();
};

void tst_Lookups::init()
{
    fillCache();
}

void tst_Lookups::filters_data()
{
    addQueryColumns();
    const auto row = [](const char* name, const Query& q, const char* arg, const char* expected) {
        QTest::addRow("%s", name) << q << QString::fromUtf8(arg) << QString::fromUtf8(expected);
    };

    const Query account = listQuery(&UserManagerCore::GetAccount);
    row("GetAccount name", account, "alice", "acc-alice-1, acc-alice-2");
    row("GetAccount empty: all", account, "",
        "acc-alice-1, acc-bob, acc-Alice, acc-alice-2, acc-noname");
    row("GetAccount other case", account, "ALICE", "");

    const Query permission = listQuery(&UserManagerCore::getRolePermission);
    row("getRolePermission guid", permission, "perm-1", "perm-1@role-1, perm-1@role-2");
    row("getRolePermission empty: all", permission, "",
        "perm-1@role-1, perm-2@role-1, perm-1@role-2, @role-2");
    row("getRolePermission role guid is not its key", permission, "role-1", "");

    const Query video = listQuery(&UserManagerCore::getRegionVideo);
    row("getRegionVideo role", video, "role-1", "role-1:reg-1, role-1:reg-2");
    row("getRegionVideo empty: all", video, "", "role-1:reg-1, role-2:reg-1, role-1:reg-2, :reg-3");
    row("getRegionVideo region guid is not its key", video, "reg-1", "");

    const Query alarm = listQuery(&UserManagerCore::getAlarmRegion);
    row("getAlarmRegion role", alarm, "role-1", "role-1:reg-3");
    row("getAlarmRegion empty: all", alarm, "", "role-2:reg-2, role-1:reg-3, :reg-1");

    const Query device = listQuery(&UserManagerCore::GetDevice);
    row("GetDevice guid", device, "dev-2", "Yard cam");
    row("GetDevice empty: all", device, "", "Door cam, Yard cam, Unregistered");
    row("GetDevice unknown", device, "dev-9", "");

    const Query devChannels = listQuery(&UserManagerCore::getDevChannelInfo);
    row("getDevChannelInfo device", devChannels, "dev-1", "Gate, Hall, Back door");
    row("getDevChannelInfo empty: all", devChannels, "", "Gate, Hall, Back door, Yard, Orphan");

    const Query view = listQuery(&UserManagerCore::GetView);
    row("GetView guid", view, "view-2", "Roof");
    row("GetView empty: all", view, "", "Lobby, Roof, Draft");

    const Query viewChannels = listQuery(&UserManagerCore::GetViewChannel);
    row("GetViewChannel view", viewChannels, "view-1", "Gate, Hall");
    row("GetViewChannel empty: all", viewChannels, "", "Gate, Yard, Hall, Back door");

    const Query servers = listQuery(&UserManagerCore::GetServers);
    row("GetServers guid", servers, "srv-Storage", "Storage");
    row("GetServers empty: all", servers, "", "Media, Alarm A, Storage, Unnamed");

    const Query byType = [](const QString& type) {
        return tags(core()->GetServersByType(SERVERTYPE(type.toInt())));
    };
    row("GetServersByType alarm", byType, "4", "Alarm A");
    row("GetServersByType other", byType, "3", "Storage");
    row("GetServersByType none", byType, "5", "");

    const Query regionChannels = listQuery(&UserManagerCore::GetRegionChannel);
    row("GetRegionChannel region", regionChannels, "reg-1", "Gate (filed)");
    row("GetRegionChannel empty: all", regionChannels, "",
        "Gate (filed), Gate (uncached region), Hall (filed), Loose");

    const Query areaChannels =
        listQuery<DeviceChancelInfo>(&UserManagerCore::getChannelInfoByAreaGuid);
    row("getChannelInfoByAreaGuid region", areaChannels, "reg-2", "Hall (filed)");
    row("getChannelInfoByAreaGuid empty: all", areaChannels, "",
        "Gate (filed), Gate (uncached region), Hall (filed), Loose");

    const Query byCache = listQuery(&UserManagerCore::getRegionChannelByCache);
    row("getRegionChannelByCache region", byCache, "reg-2", "Hall (filed)");
    row("getRegionChannelByCache empty: only unfiled", byCache, "", "Loose");

    const Query role = listQuery<RoleInfo>(&UserManagerCore::GetRole);
    row("GetRole guid", role, "role-2", "role-admin");
    row("GetRole empty: only roles without guid", role, "", "role-noguid");
    row(
        "GetRole() whole list", [](const QString&) { return tags(core()->GetRole()); }, "",
        "role-ops, role-admin, role-noguid");

    const Query region = listQuery(&UserManagerCore::getOneRegionByCache);
    row("getOneRegionByCache guid, sorted", region, "reg-2", "anhui, shanghai");
    row("getOneRegionByCache empty: all, cache order", region, "",
        "shanghai, beijing, anhui, noguid");
    row("getOneRegionByCache unknown", region, "reg-9", "");
}

void tst_Lookups::singleFinders_data()
{
    addQueryColumns();
    const auto row = [](const char* name, const Query& q, const char* arg,
                        const QString& expected) {
        QTest::addRow("%s", name) << q << QString::fromUtf8(arg) << expected;
    };

    const Query region = recordQuery(&UserManagerCore::getRegionByGuid);
    row("getRegionByGuid first of two", region, "reg-2", full(shanghai));
    row("getRegionByGuid unknown", region, "reg-9", full(RegionInfo()));

    const Query byGuid = recordQuery(&UserManagerCore::getDeviceInfoByDeviceGuid);
    row("getDeviceInfoByDeviceGuid", byGuid, "dev-2", full(yardCam));
    row("getDeviceInfoByDeviceGuid empty matches empty", byGuid, "", full(unregistered));
    row("getDeviceInfoByDeviceGuid unknown", byGuid, "dev-9", full(UDeviceInfo()));

    const Query devInfo = recordQuery(&UserManagerCore::getDevInfo);
    row("getDevInfo", devInfo, "dev-1", full(doorCam));
    row("getDevInfo unknown", devInfo, "DEV-1", full(UDeviceInfo()));

    const Query byNumber = recordQuery(&UserManagerCore::getDeviceInfoByDeviceID);
    row("getDeviceInfoByDeviceID", byNumber, "NO-xyz", full(yardCam));
    row("getDeviceInfoByDeviceID device guid is not its key", byNumber, "dev-2",
        full(UDeviceInfo()));

    const Query devChannel = recordQuery(&UserManagerCore::getDevChannelInfoByChannelGuid);
    row("getDevChannelInfoByChannelGuid unfiled channel", devChannel, "ch-3", full(backDoor));
    row("getDevChannelInfoByChannelGuid device-list name", devChannel, "ch-1", full(gate));
    row("getDevChannelInfoByChannelGuid unknown", devChannel, "ch-9", full(DeviceChancelInfo()));

    const Query filed = recordQuery(&UserManagerCore::getChannelInfoByChannelGuid);
    row("getChannelInfoByChannelGuid filed name", filed, "ch-1", full(gateFiled));
    row("getChannelInfoByChannelGuid unfiled", filed, "ch-3", full(DeviceChancelInfo()));

    const auto inArea = [](const char* regionGuid) -> Query {
        const QString area = QString::fromUtf8(regionGuid);
        return
            [area](const QString& ch) { return full(core()->getChannelInfoByAreaGuid(area, ch)); };
    };
    row("getChannelInfoByAreaGuid pair", inArea("reg-2"), "ch-2", full(hallFiled));
    row("getChannelInfoByAreaGuid other region", inArea("reg-1"), "ch-2",
        full(DeviceChancelInfo()));
    row("getChannelInfoByAreaGuid empty region: any", inArea(""), "ch-2", full(hallFiled));
}

void tst_Lookups::compositions_data()
{
    addQueryColumns();
    const Query areas = [](const QString& ch) {
        QStringList out;
        for (const RegionInfo& r : core()->GetAreasWhereChannelIn(ch))
            out << full(r);
        return out.join(QLatin1String(", "));
    };
    QTest::addRow("GetAreasWhereChannelIn with an uncached region")
        << areas << QStringLiteral("ch-1")
        << full(beijing) + QLatin1String(", ") + full(RegionInfo());
    QTest::addRow("GetAreasWhereChannelIn first region of the guid")
        << areas << QStringLiteral("ch-2") << full(shanghai);
    QTest::addRow("GetAreasWhereChannelIn unfiled channel")
        << areas << QStringLiteral("ch-3") << QString();

    AllPlayViewInfo played;
    played.viewChInfo.channelInfo = gateFiled;
    played.devInfo = doorCam;
    const Query player = recordQuery(&UserManagerCore::getPlayerInfoByGuid);
    QTest::addRow("getPlayerInfoByGuid filed channel")
        << player << QStringLiteral("ch-1") << full(played);
    // Servers assign every device a guid; the fixture's device without one would
    // otherwise be the match of the unfiled channel's empty device guid.
    const Query playerOfServerDevices = [player](const QString& ch) {
        UserDataCache::instance()->setList_device_info({doorCam, yardCam});
        return player(ch);
    };
    QTest::addRow("getPlayerInfoByGuid unfiled channel")
        << playerOfServerDevices << QStringLiteral("ch-3") << full(AllPlayViewInfo());
}

void tst_Lookups::cloudNumberLetterCase_data()
{
    QTest::addColumn<QString>("devNO");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("found");

    QTest::addRow("same case") << QStringLiteral("NO-abc") << true << full(doorCam);
    QTest::addRow("other case") << QStringLiteral("no-ABC") << true << full(UDeviceInfo());
    QTest::addRow("unknown") << QStringLiteral("NO-abd") << false << full(UDeviceInfo());
}

void tst_Lookups::cloudNumberLetterCase()
{
    QFETCH(QString, devNO);
    QFETCH(bool, exists);
    QFETCH(QString, found);
    QCOMPARE(core()->isExistByCloudNo(devNO), exists);
    QCOMPARE(full(core()->getDeviceInfoByDeviceID(devNO)), found);
}

void tst_Lookups::channelByNumber_data()
{
    QTest::addColumn<QString>("by");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("channelNo");
    QTest::addColumn<QString>("expected");

    const QString none = full(DeviceChancelInfo());
    QTest::addRow("number, channel 0 not shifted") << "number"
                                                   << "NO-abc" << 0 << full(gate);
    QTest::addRow("number, channel 2") << "number"
                                       << "NO-abc" << 2 << full(backDoor);
    QTest::addRow("number, no such channel") << "number"
                                             << "NO-abc" << 3 << none;
    QTest::addRow("number, unknown device") << "number"
                                            << "NO-zzz" << 0 << none;
    QTest::addRow("number, device without guid") << "number"
                                                 << "NO-E" << 0 << none;
    QTest::addRow("ip, channel 0 not shifted") << "ip"
                                               << "10.0.0.2" << 0 << full(yard);
    QTest::addRow("ip, channel 1") << "ip"
                                   << "10.0.0.1" << 1 << full(hall);
    QTest::addRow("ip, unknown device") << "ip"
                                        << "10.0.0.3" << 1 << none;
    QTest::addRow("guid") << "guid"
                          << "dev-1" << 1 << full(hall);
    QTest::addRow("guid, no such channel") << "guid"
                                           << "dev-2" << 1 << none;
    QTest::addRow("guid empty: default, not a channel without device") << "guid"
                                                                       << "" << 0 << none;
}

void tst_Lookups::channelByNumber()
{
    QFETCH(QString, by);
    QFETCH(QString, key);
    QFETCH(int, channelNo);
    QFETCH(QString, expected);

    capturedDebug.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureDebug);
    DeviceChancelInfo found;
    if (by == QLatin1String("number"))
        found = core()->channelInfoByDeviceNo(key, channelNo);
    else if (by == QLatin1String("ip"))
        found = core()->channelInfoByIP(key, channelNo);
    else
        found = core()->channelInfoByDeviceGUID(key, channelNo);
    qInstallMessageHandler(previous);

    QCOMPARE(full(found), expected);
    // The device number and the address are logged under the same words.
    const QStringList expectedLog =
        by == QLatin1String("guid")
            ? QStringList()
            : QStringList{QStringLiteral("current deviceNo is: \"%1\"").arg(key)};
    QCOMPARE(capturedDebug, expectedLog);
}

void tst_Lookups::servers_data()
{
    QTest::addColumn<QList<int>>("types");
    QTest::addColumn<bool>("hasAlarm");
    QTest::addColumn<QString>("alarmServer");
    QTest::addColumn<QString>("alarmServers");

    UServerInfo noAlarm;
    noAlarm.port = -1;
    noAlarm.type = -1;
    const auto named = [](int k, int type) {
        return server(QStringLiteral("s%1").arg(k), 100 + k, type);
    };
    QTest::addRow("no server") << QList<int>{} << false << full(noAlarm) << QString();
    QTest::addRow("no alarm server") << QList<int>{2, 3} << false << full(noAlarm) << QString();
    QTest::addRow("one alarm server")
        << QList<int>{2, 4, 3} << true << full(named(1, 4)) << QStringLiteral("s1");
    QTest::addRow("two alarm servers: the last wins")
        << QList<int>{4, 2, 4, 3} << true << full(named(2, 4)) << QStringLiteral("s0, s2");
}

void tst_Lookups::servers()
{
    QFETCH(QList<int>, types);
    QFETCH(bool, hasAlarm);
    QFETCH(QString, alarmServer);
    QFETCH(QString, alarmServers);

    QList<UServerInfo> list;
    for (int k = 0; k < types.size(); ++k)
        list.append(server(QStringLiteral("s%1").arg(k), 100 + k, types[k]));
    UserDataCache::instance()->setList_server_info(list);

    QCOMPARE(core()->isHaveAlarmServer(), hasAlarm);
    QCOMPARE(full(core()->getAlarmServer()), alarmServer);
    QCOMPARE(tags(core()->GetServersByType(SERVER_TYPE_ALARM)), alarmServers);
}

void tst_Lookups::sortOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");

    // Initials b, b, a: the a-name first, then the second b-name, then the first.
    QTest::addRow("ties b b a") << QStringList{QStringLiteral("白"), QStringLiteral("北"),
                                               QStringLiteral("安")}
                                << QStringList{QStringLiteral("安"), QStringLiteral("北"),
                                               QStringLiteral("白")};
    QTest::addRow("Chinese names, one second-level")
        << QStringList{QStringLiteral("上海"), QStringLiteral("北京"), QStringLiteral("Apple"),
                       QStringLiteral("亳州"), QStringLiteral("安徽"), QStringLiteral("重庆"),
                       QStringLiteral("澳门"), QStringLiteral("济南")}
        << QStringList{QStringLiteral("安徽"), QStringLiteral("澳门"), QStringLiteral("Apple"),
                       QStringLiteral("北京"), QStringLiteral("亳州"), QStringLiteral("济南"),
                       QStringLiteral("上海"), QStringLiteral("重庆")};
    QTest::addRow("letter case ignored") << QStringList{QStringLiteral("b"), QStringLiteral("A"),
                                                        QStringLiteral("a"), QStringLiteral("B")}
                                         << QStringList{QStringLiteral("A"), QStringLiteral("a"),
                                                        QStringLiteral("b"), QStringLiteral("B")};
    QTest::addRow("single") << QStringList{QStringLiteral("北")}
                            << QStringList{QStringLiteral("北")};
}

void tst_Lookups::sortOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QList<int> expectedOrder;
    for (const QString& name : expected)
        expectedOrder << names.indexOf(name);
    const auto sorted = sortedByFacade(names);
    QCOMPARE(sorted.first, expectedOrder);
    QCOMPARE(sorted.second, expectedOrder);
}

// Lists drawn from a small pool, so most keys repeat and the tie order matters.
void tst_Lookups::sortMatchesExchangeSort_data()
{
    QTest::addColumn<QStringList>("names");
    const QStringList pool = {
        QStringLiteral("白"),
        QStringLiteral("北"),
        QStringLiteral("安"),
        QStringLiteral("阿"),
        QStringLiteral("A"),
        QStringLiteral("b"),
        QStringLiteral("Bei"),
        QStringLiteral("上海"),
        QStringLiteral("沧州"),
        QStringLiteral("亳州"),
        QString(),
        QStringLiteral("1号"),
    };
    for (quint32 seed = 1; seed <= 5; ++seed) {
        QRandomGenerator random(seed);
        QStringList names;
        for (int k = 0; k < 40; ++k)
            names << pool.at(random.bounded(pool.size()));
        QTest::addRow("seed %u", seed) << names;
    }
    QRandomGenerator random(6);
    QStringList many;
    for (int k = 0; k < 600; ++k)
        many << pool.at(random.bounded(pool.size()));
    QTest::addRow("600 names") << many;
    // Names falling all the way make every pass long: the cheap passes give
    // way to full scans part-way, and the order must not notice.
    QStringList falling = pool;
    std::sort(falling.begin(), falling.end(),
              [](const QString& a, const QString& b) { return sortKey(b) < sortKey(a); });
    QStringList fallingMany;
    for (int k = 0; k < 600; ++k)
        fallingMany << falling.at(k * falling.size() / 600);
    QTest::addRow("600 names falling") << fallingMany;
    QTest::addRow("falling, then random") << falling + falling + many.mid(0, 60);
    QStringList equal;
    for (int k = 0; k < 50; ++k)
        equal << QStringLiteral("北");
    QTest::addRow("all equal") << equal;
    QTest::addRow("two") << QStringList{QStringLiteral("b"), QStringLiteral("A")};
}

void tst_Lookups::sortMatchesExchangeSort()
{
    QFETCH(QStringList, names);
    const QList<int> expected = exchangeSorted(names);
    const auto sorted = sortedByFacade(names);
    QCOMPARE(sorted.first, expected);
    QCOMPARE(sorted.second, expected);
}

QTEST_GUILESS_MAIN(tst_Lookups)
#include "tst_lookups.moc"
