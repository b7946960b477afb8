// Two clients on one orsad: A writes through the SDK itself, B is the data
// layer of this process. B's cache follows A's changes through the change
// feed, and ends as a client that loads everything afresh would see it.
// Each slot but the first connects B again.
#include "BizOrsaResultCodes.h"
#include "orsadatacenter.h"
#include "sdk/RecordingSink.h"
#include "support/cachetexts.h"
#include "support/orsadprocess.h"
#include "support/singletons.h"

#include <QtCore/QMetaMethod>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <functional>
#include <memory>

using namespace DATACore;

namespace {

template <std::size_t N>
QByteArray text(const char (&field)[N])
{
    return QByteArray(field, int(qstrnlen(field, N)));
}

// Client A: the SDK alone, one request at a time.
class Writer
{
public:
    explicit Writer(quint16 port) : hub(CreateOrsa("127.0.0.1", short(port), false))
    {
        if (hub)
            sink.attach(hub);
    }
    ~Writer()
    {
        if (hub)
            DestroyOrsa(hub);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    Callback wait(int sid) { return sid < 0 ? Callback{} : sink.await(sid); }
    bool ok(int sid) { return sid >= 0 && wait(sid).result >= 0; }
    // The guid field of an add's answer, empty when it failed.
    template <typename Tab>
    QByteArray added(int sid)
    {
        const Callback c = wait(sid);
        return c.result >= 0 ? text(c.record<Tab>().guid) : QByteArray();
    }

    RecordingSink sink;
    IBizOrsaClient* hub;
};

const char* kindName(RemoteChange::Kind kind)
{
    switch (kind) {
    case RemoteChange::Account:
        return "account";
    case RemoteChange::Role:
        return "role";
    case RemoteChange::RolePermission:
        return "permission";
    case RemoteChange::Region:
        return "region";
    case RemoteChange::RegionChannel:
        return "region channel";
    case RemoteChange::Device:
        return "device";
    case RemoteChange::Channel:
        return "channel";
    case RemoteChange::View:
        return "view";
    case RemoteChange::ViewChannel:
        return "view channel";
    case RemoteChange::Server:
        return "server";
    case RemoteChange::VideoRegion:
        return "video grant";
    case RemoteChange::AlarmRegion:
        return "alarm grant";
    }
    return "?";
}

// B's signals in the order they came: the facade's by name, the changes as
// "kind operation".
class Observer : public QObject
{
    Q_OBJECT
public:
    Observer()
    {
        const QMetaObject* meta = core()->metaObject();
        const QMetaMethod caught =
            staticMetaObject.method(staticMetaObject.indexOfSlot("caught()"));
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod signal = meta->method(i);
            if (signal.methodType() == QMetaMethod::Signal &&
                !signal.name().startsWith("signalRemote"))
                connect(core(), signal, this, caught);
        }
        connect(core(), &UserManagerCore::signalRemoteChange, this, [this](const RemoteChange& c) {
            static const char* const operations[] = {"add", "edit", "delete"};
            changes << QStringLiteral("%1 %2%3").arg(
                QLatin1String(kindName(c.kind)), QLatin1String(operations[c.operation]),
                c.cascaded ? QStringLiteral(" cascaded") : QString());
            if (!revisions.isEmpty() && c.revision <= revisions.last())
                outOfOrder = true;
            revisions << c.revision;
        });
        connect(core(), &UserManagerCore::signalResyncNeeded, this, [this] { ++resyncs; });
    }
    void clear()
    {
        facade.clear();
        changes.clear();
    }

    QStringList facade;
    QStringList changes;
    QList<qint64> revisions;
    bool outOfOrder = false;
    int resyncs = 0;

public slots:
    void caught()
    {
        facade << QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name());
    }
};

// ---- Every cached list as texts, so that two caches compare record for record ----

QString described(const AccountInfo& r)
{
    return joined({r.userName, r.password, r.phone, r.mail, r.roleGuid});
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
    return joined({r.guid, r.devName, r.devNO, r.devUser, r.devPassword, r.devIP, r.devPort,
                   r.devChannelNum, r.devExtra, r.devVender, r.devType, r.devBonline});
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
    return joined({r.guid, r.name, r.ip, r.user, r.password, r.port, r.type});
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

// One step of A: the request, and what B must see of it.
struct Step {
    const char* name;
    std::function<bool()> run;
    QStringList changes; // "kind operation", in the server's order
    QStringList facade;  // the facade's signals, in order
};

} // namespace

class tst_RemoteChangesOrsad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void everyKindReachesB();
    void ownChangesAnnouncedOnce();
    void thousandChangesMatchAFreshClient();
    void readerWithoutRights();
    void resumeAfterLoss_data();
    void resumeAfterLoss();

private:
    // B: the data layer, logged in and loaded.
    bool connectB(const QString& user = QStringLiteral("admin"),
                  const QString& password = QStringLiteral("admin"), OrsadProcess* orsad = nullptr)
    {
        return core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("127.0.0.1"),
                                       short((orsad ? orsad : m_orsad.get())->port()), false) &&
               core()->AccountLogin(user, password) && core()->getCacheFromSDK();
    }
    // The bulk load an application runs on signalResyncNeeded.
    static bool reload()
    {
        bool accounts = false, roles = false, permissions = false;
        core()->getAccountFromSDK(QString(), accounts);
        core()->getRoleFromSDK(QString(), roles);
        core()->getRolePermissionFromSDK(QString(), permissions);
        return core()->getCacheFromSDK() && accounts && roles && permissions;
    }
    // What B holds now, and what a client that logs in now loads.
    void compareWithFreshClient(const QString& user = QStringLiteral("admin"),
                                const QString& password = QStringLiteral("admin"))
    {
        const Snapshot followed = cachedLists();
        QVERIFY(connectB(user, password));
        const Snapshot fresh = cachedLists();
        for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
            QVERIFY2(followed.value(it.key()) == it.value(),
                     qPrintable(it.key() + QLatin1String(": ") +
                                followed.value(it.key()).join(QLatin1Char(',')) +
                                QLatin1String(" / ") + it.value().join(QLatin1Char(','))));
        }
    }
    // Waits until B has seen count more changes than before.
    bool awaitChanges(const Observer& observer, int count)
    {
        return QTest::qWaitFor([&] { return observer.changes.size() >= count; }, 20000) &&
               observer.changes.size() == count;
    }
    bool runSteps(const QList<Step>& steps);

    QTemporaryDir m_dir;
    std::unique_ptr<OrsadProcess> m_orsad;
    std::unique_ptr<Writer> m_a;
};

void tst_RemoteChangesOrsad::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    m_orsad = std::make_unique<OrsadProcess>();
    QVERIFY(m_orsad->start());
    m_a = std::make_unique<Writer>(m_orsad->port());
    QVERIFY(m_a->hub);
    QVERIFY(m_a->ok(m_a->hub->GetAccountInterface()->Login("admin", "admin")));
}

void tst_RemoteChangesOrsad::init()
{
    QVERIFY(connectB());
    QVERIFY(core()->changeFeedAvailable());
}

bool tst_RemoteChangesOrsad::runSteps(const QList<Step>& steps)
{
    Observer b;
    for (const Step& step : steps) {
        b.clear();
        if (!step.run()) {
            qWarning("A's step '%s' failed", step.name);
            return false;
        }
        if (!awaitChanges(b, step.changes.size()) || b.changes != step.changes ||
            b.facade != step.facade) {
            qWarning() << step.name << "B saw" << b.changes << b.facade << "expected"
                       << step.changes << step.facade;
            return false;
        }
    }
    return !b.outOfOrder && b.resyncs == 0;
}

void tst_RemoteChangesOrsad::everyKindReachesB()
{
    Writer& a = *m_a;
    IBizOrsaClient* h = a.hub;
    QByteArray role, permission, region, device, channel1, view, server;
    // clang-format off
    const QList<Step> steps{
        {"add a role", [&] { role = a.added<tabROLEINFO>(h->GetRoleInterface()->AddRole("Ops", "")); return !role.isEmpty(); },
         {"role add"}, {"signalAddRole"}},
        {"edit it", [&] { return a.ok(h->GetRoleInterface()->EditRole(role, "Operators", "d")); },
         {"role edit"}, {"signalEditRole"}},
        {"grant it a permission", [&] {
             permission = a.added<tabROLEPERMISSIONINFO>(h->GetRolePermissionInterface()->AddRolePermission(role, "manage.views", "true"));
             return !permission.isEmpty(); },
         {"permission add"}, {}},
        {"add an account", [&] { return a.ok(h->GetAccountInterface()->AddAccount("li.na", "139", "l@x", "pw-li.na", role)); },
         {"account add"}, {"signalAddAccount"}},
        {"edit it", [&] { return a.ok(h->GetAccountInterface()->EditAccount("li.na", "138", "n@x", "", role)); },
         {"account edit"}, {"signalEditAccount"}},
        {"add a region", [&] { region = a.added<tabREGIONINFO>(h->GetRegionInterface()->AddRegion("东区", "", 1, "")); return !region.isEmpty(); },
         {"region add"}, {"signalAddRegion"}},
        {"edit it", [&] { return a.ok(h->GetRegionInterface()->EditRegion(region, "East", "d")); },
         {"region edit"}, {"signalEditRegioin"}},
        {"grant its video", [&] { return a.ok(h->GetVideoRegionInterface()->AddVideoRegion(role, region)); },
         {"video grant add"}, {}},
        {"grant its alarms", [&] { return a.ok(h->GetAlarmRegionInterface()->AddAlarmRegion(role, region)); },
         {"alarm grant add"}, {}},
        {"add a device", [&] {
             device = a.added<tabDEVICEINFO>(h->GetDeviceInterface()->AddDevice("NVR", "DS01", "admin", "secret", "10.0.0.2", 8000, 2, 1, 2));
             const Callback c = a.wait(h->GetDeviceInterface()->QueryDeviceChannel(device));
             channel1 = text(c.record<tabCHANNELINFO>(0).channelGuid);
             return !device.isEmpty() && !channel1.isEmpty(); },
         {"device add", "channel add", "channel add"}, {"signalAddDevice"}},
        {"edit it", [&] { return a.ok(h->GetDeviceInterface()->EditDevice(device, "NVR-1", "root", "", "10.0.0.3", 8001)); },
         {"device edit"}, {"signalEditDevice"}},
        {"file a channel", [&] { return a.ok(h->GetRegionInterface()->AddRegionChannel(region, channel1, "Gate")); },
         {"region channel add"}, {"signalAddRegionChannel"}},
        {"rename the filing", [&] { return a.ok(h->GetRegionInterface()->EditRegionChannel(region, channel1, "Gate in")); },
         {"region channel edit"}, {"signalEditRegionChannel"}},
        {"add a view", [&] { view = a.added<tabVIEWINFO>(h->GetViewInterface()->AddView("Wall", 4)); return !view.isEmpty(); },
         {"view add"}, {"signalAddView"}},
        {"edit it", [&] { return a.ok(h->GetViewInterface()->EditView(view, "Wall 2", 9)); },
         {"view edit"}, {"signalEditView"}},
        {"place a channel", [&] { return a.ok(h->GetViewInterface()->AddViewChannel(view, channel1, 0)); },
         {"view channel add"}, {"signalAddViewChannel"}},
        {"move it", [&] { return a.ok(h->GetViewInterface()->EditViewChannel(view, channel1, 3)); },
         {"view channel edit"}, {"signalEditViewChannel"}},
        {"add a server", [&] {
             server = a.added<tabSERVERINFO>(h->GetServerInterface()->AddServer("Alarm", "alarm", "secret", "10.0.0.5", 7200, 4));
             return !server.isEmpty(); },
         {"server add"}, {"signalAddServer"}},
        {"edit it", [&] { return a.ok(h->GetServerInterface()->EditServer(server, "Alarm 2", "alarm", "", "10.0.0.6", 7201)); },
         {"server edit"}, {"signalEditServer"}},
        {"delete it", [&] { return a.ok(h->GetServerInterface()->DeleteServer(server)); },
         {"server delete"}, {"signalDeleteServer"}},
        {"unplace the channel", [&] { return a.ok(h->GetViewInterface()->DeleteViewChannel(view, channel1)); },
         {"view channel delete"}, {"signalDelViewChannel"}},
        {"unfile the channel", [&] { return a.ok(h->GetRegionInterface()->DeleteRegionChannel(region, channel1)); },
         {"region channel delete"}, {"signalDeleteRegionChannl"}},
        {"place it again", [&] { return a.ok(h->GetViewInterface()->AddViewChannel(view, channel1, 1)); },
         {"view channel add"}, {"signalAddViewChannel"}},
        {"delete the view and its placement", [&] { return a.ok(h->GetViewInterface()->DeleteView(view)); },
         {"view channel delete cascaded", "view delete"}, {"signalDelViewChannel", "signalDeleteView"}},
        {"withdraw the video grant", [&] { return a.ok(h->GetVideoRegionInterface()->DeleteVideoRegion(role, region)); },
         {"video grant delete"}, {}},
        {"withdraw the permission", [&] { return a.ok(h->GetRolePermissionInterface()->DeleteRolePermission(permission)); },
         {"permission delete"}, {}},
        {"delete the account", [&] { return a.ok(h->GetAccountInterface()->DeleteAccount("li.na")); },
         {"account delete"}, {"signalDeleteAccount"}},
        {"file the channel again", [&] { return a.ok(h->GetRegionInterface()->AddRegionChannel(region, channel1, "Gate")); },
         {"region channel add"}, {"signalAddRegionChannel"}},
        {"delete the device, its channels and their filing", [&] { return a.ok(h->GetDeviceInterface()->DeleteDevice(device)); },
         {"region channel delete cascaded", "channel delete cascaded", "channel delete cascaded", "device delete"},
         {"signalDeleteRegionChannl", "signalDeleteDevice"}},
        {"delete the region and its alarm grant", [&] { return a.ok(h->GetRegionInterface()->DeleteRegion(region)); },
         {"alarm grant delete cascaded", "region delete"}, {"signalDeleteRegion"}},
        {"delete the role", [&] { return a.ok(h->GetRoleInterface()->DeleteRole(role)); },
         {"role delete"}, {}},
    };
    // clang-format on
    QVERIFY(runSteps(steps));
    compareWithFreshClient();
}

void tst_RemoteChangesOrsad::ownChangesAnnouncedOnce()
{
    Observer b;
    QVERIFY(core()->AddView(QStringLiteral("Own"), 4));
    const QString view = cache()->dataObj().property("guid").toString();
    QVERIFY(core()->EditView(view, QStringLiteral("Own 2"), 1));
    QVERIFY(core()->AddOneRegion(QStringLiteral("Own region"), QString(), 1, QString()));
    // A's next change marks the end: B has had its own changes' notices by then.
    QVERIFY(
        !m_a->added<tabROLEINFO>(m_a->hub->GetRoleInterface()->AddRole("Marker", "")).isEmpty());
    QVERIFY(awaitChanges(b, 1));
    QCOMPARE(b.changes, QStringList{QStringLiteral("role add")});
    QCOMPARE(b.facade,
             (QStringList{"signalAddView", "signalEditView", "signalAddRegion", "signalAddRole"}));
    QCOMPARE(core()->GetView(view).size(), 1);
    compareWithFreshClient();
}

void tst_RemoteChangesOrsad::thousandChangesMatchAFreshClient()
{
    Writer& a = *m_a;
    IBizOrsaClient* h = a.hub;
    Observer b;
    QList<QByteArray> views, regions;
    // Adds, edits and deletes of views and regions (a region's delete takes
    // its grants along), in a fixed mix.
    int requests = 0;
    for (int i = 0; requests < 1000; ++i, ++requests) {
        const QByteArray name = "n" + QByteArray::number(i);
        switch (i % 6) {
        case 0:
        case 1:
            views << a.added<tabVIEWINFO>(h->GetViewInterface()->AddView(name, 4));
            QVERIFY(!views.last().isEmpty());
            break;
        case 2:
            QVERIFY(a.ok(h->GetViewInterface()->EditView(views.first(), name, 9)));
            break;
        case 3:
            QVERIFY(a.ok(h->GetViewInterface()->DeleteView(views.takeFirst())));
            break;
        case 4:
            regions << a.added<tabREGIONINFO>(h->GetRegionInterface()->AddRegion(name, "", 1, ""));
            QVERIFY(!regions.last().isEmpty());
            QVERIFY(a.ok(h->GetVideoRegionInterface()->AddVideoRegion("88341189", regions.last())));
            ++requests;
            break;
        case 5:
            QVERIFY(a.ok(h->GetRegionInterface()->EditRegion(regions.last(), name, "d")));
            if (regions.size() > 3) {
                QVERIFY(a.ok(h->GetRegionInterface()->DeleteRegion(regions.takeFirst())));
                ++requests;
            }
            break;
        }
    }
    QVERIFY(a.ok(h->GetRoleInterface()->AddRole("Last", "")));
    QVERIFY(QTest::qWaitFor([&] { return b.changes.endsWith(QStringLiteral("role add")); }, 60000));
    QVERIFY(!b.outOfOrder);
    compareWithFreshClient();
}

// A reader without manage.accounts, manage.devices or manage.servers.
void tst_RemoteChangesOrsad::readerWithoutRights()
{
    Writer& a = *m_a;
    IBizOrsaClient* h = a.hub;
    const QByteArray role = a.added<tabROLEINFO>(h->GetRoleInterface()->AddRole("Readers", ""));
    QVERIFY(!role.isEmpty());
    QVERIFY(a.ok(h->GetAccountInterface()->AddAccount("reader", "", "", "pw-reader", role)));
    QVERIFY(connectB(QStringLiteral("reader"), QStringLiteral("pw-reader")));
    Observer b;

    QVERIFY(a.ok(h->GetAccountInterface()->AddAccount("other", "1", "", "pw-other", role)));
    QVERIFY(a.ok(h->GetAccountInterface()->EditAccount("reader", "139", "", "", role)));
    const QByteArray device = a.added<tabDEVICEINFO>(h->GetDeviceInterface()->AddDevice(
        "NVR", "DS09", "admin", "secret", "10.0.0.2", 80, 0, 1, 2));
    const QByteArray server = a.added<tabSERVERINFO>(
        h->GetServerInterface()->AddServer("Media", "media", "secret", "10.0.0.7", 554, 2));
    QVERIFY(!device.isEmpty() && !server.isEmpty());
    QVERIFY(a.ok(h->GetAccountInterface()->DeleteAccount("other")));
    QVERIFY(!a.added<tabVIEWINFO>(h->GetViewInterface()->AddView("Marker", 1)).isEmpty());

    // Its own account, the device and the server with blank passwords; no other account.
    QVERIFY(awaitChanges(b, 4));
    QCOMPARE(b.changes, (QStringList{"account edit", "device add", "server add", "view add"}));
    QCOMPARE(core()->GetAccount(QStringLiteral("reader")).value(0).phone, QStringLiteral("139"));
    QVERIFY(core()->GetAccount(QStringLiteral("other")).isEmpty());
    QCOMPARE(core()->GetDevice(QString::fromLatin1(device)).value(0).devPassword, QString());
    QCOMPARE(core()->GetServers(QString::fromLatin1(server)).value(0).password, QString());
    QCOMPARE(core()->GetServers(QString::fromLatin1(server)).value(0).user,
             QStringLiteral("media"));
    compareWithFreshClient(QStringLiteral("reader"), QStringLiteral("pw-reader"));
}

void tst_RemoteChangesOrsad::resumeAfterLoss_data()
{
    QTest::addColumn<QString>("logSize");
    QTest::addColumn<int>("missed");
    QTest::addColumn<bool>("resync");
    QTest::addRow("within the log's reach") << QStringLiteral("100") << 3 << false;
    QTest::addRow("beyond the log's reach") << QStringLiteral("3") << 6 << true;
}

// orsad goes and comes back within the sessions' grace while A goes on: B,
// resuming its session, gets A's changes, or the resync signal after which
// a bulk load gives it what a fresh client loads.
void tst_RemoteChangesOrsad::resumeAfterLoss()
{
    QFETCH(QString, logSize);
    QFETCH(int, missed);
    QFETCH(bool, resync);
    OrsadProcess orsad;
    const QStringList arguments{QStringLiteral("--change-log"), logSize};
    QVERIFY(orsad.start(arguments));
    Writer a(orsad.port());
    QVERIFY(a.ok(a.hub->GetAccountInterface()->Login("admin", "admin")));
    QVERIFY(connectB(QStringLiteral("admin"), QStringLiteral("admin"), &orsad));
    Observer b;
    IBizOrsaRegion* regions = a.hub->GetRegionInterface();
    QVERIFY(!a.added<tabREGIONINFO>(regions->AddRegion("before", "", 1, "")).isEmpty());
    QVERIFY(awaitChanges(b, 1));

    orsad.kill();
    QVERIFY(orsad.start(arguments));
    // A's first request meets the lost connection, the next one resumes.
    regions->QueryRegion("");
    for (int i = 0; i < missed; ++i)
        QVERIFY(!a.added<tabREGIONINFO>(regions->AddRegion(QByteArray::number(i), "", 1, ""))
                     .isEmpty());
    bool ok = false;
    for (int attempt = 0; attempt < 2 && !ok; ++attempt)
        core()->getViewFromSDK(QString(), ok);
    QVERIFY(ok);
    QVERIFY(!a.added<tabREGIONINFO>(regions->AddRegion("after", "", 1, "")).isEmpty());

    const int expected = 1 + (resync ? 0 : missed) + 1;
    QVERIFY(awaitChanges(b, expected));
    QCOMPARE(b.resyncs, resync ? 1 : 0);
    QCOMPARE(b.facade.count(QStringLiteral("signalAddRegion")), expected);
    if (resync)
        QVERIFY(reload());
    const Snapshot followed = cachedLists();
    QVERIFY(connectB(QStringLiteral("admin"), QStringLiteral("admin"), &orsad));
    QCOMPARE(cachedLists(), followed);
}

QTEST_GUILESS_MAIN(tst_RemoteChangesOrsad)
#include "tst_remotechanges_orsad.moc"
