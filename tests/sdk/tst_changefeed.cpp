// The change feed end to end: clients of one orsad (or of two on one
// PostgreSQL database) see each other's changes, in revision order, with the
// rights of their accounts, across a lost connection.
#include "RecordingChangeSink.h"
#include "TestHub.h"
#include "support/orsadprocess.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

// A kind and operation as the feed names them, for readable comparisons.
QByteArray nameOf(const SeenChange& c)
{
    static const char* const kinds[] = {
        "",        "account", "role",        "permission", "region",      "regionchannel", "device",
        "channel", "view",    "viewchannel", "server",     "videoregion", "alarmregion"};
    static const char* const operations[] = {"", "add", "edit", "delete"};
    if (c.resync)
        return "resync";
    QByteArray name = QByteArray(kinds[c.kind]) + ' ' + operations[c.operation];
    return c.cascaded ? name + " (cascaded)" : name;
}

QByteArrayList namesOf(const QVector<SeenChange>& changes)
{
    QByteArrayList names;
    for (const SeenChange& c : changes)
        names << nameOf(c);
    return names;
}

// A logged-in hub on a server, with a recording change sink.
struct Client {
    Client(quint16 port, const char* user = "admin",
           const QByteArray& password = OrsadProcess::adminPassword())
        : t("127.0.0.1", port)
    {
        ok = t.hub && feed.attach(t.hub) && t.result(t.account()->Login(user, password)) == 0;
    }
    ~Client()
    {
        // The hub goes before the sink it calls.
        if (t.hub)
            DestroyOrsa(t.hub);
        t.hub = nullptr;
    }
    RecordingChangeSink feed;
    TestHub t;
    bool ok = false;
};

// After the server came back: a request that finds the old connection gone
// is answered "connection lost", the next one reconnects and resumes.
bool reconnected(TestHub& t)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int result = t.result(t.role()->QueryRole(""));
        if (result != BIZORSA_E_CONNECTION_LOST)
            return result == BIZORSA_OK;
    }
    return false;
}

// Deletes one of the objects a test made: device, region, view, role.
using Remove = std::function<int(TestHub&, const QByteArrayList& guids)>;

} // namespace

Q_DECLARE_METATYPE(Remove)

class tst_ChangeFeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyKindReachesTheOther();
    void cascadesBeforeTheirCause_data();
    void cascadesBeforeTheirCause();
    void rightsApplied();
    void resumeAfterLoss_data();
    void resumeAfterLoss();
    void embeddedOwnChanges();
    void twoInstancesOnePostgresql();

private:
    QTemporaryDir m_config; // the clients' trust store
};

void tst_ChangeFeed::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

// A's adds, edits and deletes of every kind reach B once each, in A's order,
// on the SDK's thread; A sees the same stream flagged as its own.
void tst_ChangeFeed::everyKindReachesTheOther()
{
    OrsadProcess orsad;
    QVERIFY(orsad.start());
    Client a(orsad.port()), b(orsad.port());
    QVERIFY(a.ok && b.ok);
    TestHub& t = a.t;
    const QByteArray role = t.addRole("r");
    QCOMPARE(t.result(t.role()->EditRole(role, "r2", "")), 0);
    const Callback permission =
        t.wait(t.permission()->AddRolePermission(role, "manage.views", "1"));
    const QByteArray region = t.addRegion("g");
    QCOMPARE(t.result(t.region()->EditRegion(region, "g2", "")), 0);
    QCOMPARE(t.result(t.video()->AddVideoRegion(role, region)), 0);
    QCOMPARE(t.result(t.alarm()->AddAlarmRegion(role, region)), 0);
    const QByteArray device = t.addDevice("d", 1);
    const QByteArray channel = t.channel(device, 1);
    QCOMPARE(t.result(t.device()->EditDevice(device, "d2", "u", "pw", "10.0.0.1", 80)), 0);
    QCOMPARE(t.result(t.region()->AddRegionChannel(region, channel, "door")), 0);
    QCOMPARE(t.result(t.region()->EditRegionChannel(region, channel, "gate")), 0);
    const QByteArray view = t.addView("v");
    QCOMPARE(t.result(t.view()->EditView(view, "v2", 9)), 0);
    QCOMPARE(t.result(t.view()->AddViewChannel(view, channel, 1)), 0);
    QCOMPARE(t.result(t.view()->EditViewChannel(view, channel, 2)), 0);
    const QByteArray server = text(t.wait(t.server()->AddServer("s", "u", "pw", "10.0.0.2", 80, 1))
                                       .record<tabSERVERINFO>()
                                       .guid);
    QCOMPARE(t.result(t.server()->EditServer(server, "s2", "u", "pw", "10.0.0.2", 81)), 0);
    QCOMPARE(t.result(t.server()->DeleteServer(server)), 0);
    QCOMPARE(t.result(t.account()->AddAccount("ann", "1", "a@x", "pw", role)), 0);
    QCOMPARE(t.result(t.account()->EditAccount("ann", "2", "a@x", "", role)), 0);
    QCOMPARE(t.result(t.account()->DeleteAccount("ann")), 0);
    QCOMPARE(t.result(t.view()->DeleteViewChannel(view, channel)), 0);
    QCOMPARE(t.result(t.region()->DeleteRegionChannel(region, channel)), 0);
    QCOMPARE(t.result(t.video()->DeleteVideoRegion(role, region)), 0);
    QCOMPARE(t.result(t.alarm()->DeleteAlarmRegion(role, region)), 0);
    QCOMPARE(t.result(t.permission()->DeleteRolePermission(
                 permission.record<tabROLEPERMISSIONINFO>().guid)),
             0);
    QCOMPARE(t.result(t.view()->DeleteView(view)), 0);
    QCOMPARE(t.result(t.region()->DeleteRegion(region)), 0);
    QCOMPARE(t.result(t.device()->DeleteDevice(device)), 0);
    QCOMPARE(t.result(t.role()->DeleteRole(role)), 0);
    // Writes that change nothing log nothing.
    QCOMPARE(t.result(t.role()->EditRole("no-such-role", "x", "")), int(BIZORSA_E_NOT_FOUND));

    const QByteArrayList expected{
        "role add",           "role edit",          "permission add",
        "region add",         "region edit",        "videoregion add",
        "alarmregion add",    "device add",         "channel add",
        "device edit",        "regionchannel add",  "regionchannel edit",
        "view add",           "view edit",          "viewchannel add",
        "viewchannel edit",   "server add",         "server edit",
        "server delete",      "account add",        "account edit",
        "account delete",     "viewchannel delete", "regionchannel delete",
        "videoregion delete", "alarmregion delete", "permission delete",
        "view delete",        "region delete",      "channel delete (cascaded)",
        "device delete",      "role delete"};
    const QVector<SeenChange> atB = b.feed.await(expected.size());
    const QVector<SeenChange> atA = a.feed.await(expected.size());
    QCOMPARE(namesOf(atB), expected);
    QCOMPARE(namesOf(atA), expected);
    for (int i = 0; i < atB.size(); ++i) {
        QVERIFY(!atB[i].own);
        QVERIFY(atA[i].own);
        QCOMPARE(atA[i].revision, atB[i].revision);
        QCOMPARE(atA[i].record, atB[i].record);
        QVERIFY(atB[i].thread != std::this_thread::get_id());
        if (i > 0)
            QVERIFY(atB[i].revision > atB[i - 1].revision);
    }
    QCOMPARE(BizOrsaGetChangeFeed(b.t.hub)->LastRevision(), atB.last().revision);
    // The records are the queries' records: the key finds the object.
    QCOMPARE(text(atB[0].as<tabROLEINFO>().guid), role);
    QCOMPARE(text(atB[1].as<tabROLEINFO>().name), QByteArray("r2"));
    QCOMPARE(text(atB[11].as<tabREGIONCHANNELINFO>().channelInfo.channelName), QByteArray("gate"));
    QCOMPARE(atB[15].as<tabVIEWCHANNELINFO>().position, 2);
    QCOMPARE(text(atB.last().as<tabROLEINFO>().guid), role);
}

void tst_ChangeFeed::cascadesBeforeTheirCause_data()
{
    // Made by A on a device "d" (two channels), a region "g", a view "v" and
    // a role "r", the first channel filed in g and placed in v, r granted g.
    QTest::addColumn<Remove>("remove");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::addRow("device") << Remove([](TestHub& t, const QByteArrayList& g) {
        return t.result(t.device()->DeleteDevice(g[0]));
    })
                            << QByteArrayList{"viewchannel delete (cascaded)",
                                              "regionchannel delete (cascaded)",
                                              "channel delete (cascaded)",
                                              "channel delete (cascaded)", "device delete"};
    QTest::addRow("region") << Remove([](TestHub& t, const QByteArrayList& g) {
        return t.result(t.region()->DeleteRegion(g[1]));
    })
                            << QByteArrayList{"alarmregion delete (cascaded)",
                                              "videoregion delete (cascaded)",
                                              "regionchannel delete (cascaded)", "region delete"};
    QTest::addRow("view") << Remove([](TestHub& t, const QByteArrayList& g) {
        return t.result(t.view()->DeleteView(g[2]));
    }) << QByteArrayList{"viewchannel delete (cascaded)", "view delete"};
    QTest::addRow("role") << Remove([](TestHub& t, const QByteArrayList& g) {
        return t.result(t.role()->DeleteRole(g[3]));
    })
                          << QByteArrayList{"alarmregion delete (cascaded)",
                                            "videoregion delete (cascaded)",
                                            "permission delete (cascaded)", "role delete"};
}

void tst_ChangeFeed::cascadesBeforeTheirCause()
{
    QFETCH(Remove, remove);
    QFETCH(QByteArrayList, expected);
    OrsadProcess orsad;
    QVERIFY(orsad.start());
    Client a(orsad.port()), b(orsad.port());
    QVERIFY(a.ok && b.ok);
    TestHub& t = a.t;
    const QByteArray device = t.addDevice("d", 2), region = t.addRegion("g"), view = t.addView("v"),
                     role = t.addRole("r");
    const QByteArray channel = t.channel(device, 1);
    QCOMPARE(t.result(t.region()->AddRegionChannel(region, channel, "door")), 0);
    QCOMPARE(t.result(t.view()->AddViewChannel(view, channel, 1)), 0);
    QCOMPARE(t.result(t.video()->AddVideoRegion(role, region)), 0);
    QCOMPARE(t.result(t.alarm()->AddAlarmRegion(role, region)), 0);
    QCOMPARE(t.result(t.permission()->AddRolePermission(role, "manage.views", "1")), 0);
    const int made = 11; // device, 2 channels, region, view, role, 2 filings, 2 grants, permission
    QCOMPARE(b.feed.await(made).size(), made);
    QCOMPARE(remove(t, {device, region, view, role}), 0);
    const QVector<SeenChange> seen = b.feed.await(made + expected.size());
    QCOMPARE(namesOf(seen.mid(made)), expected);
}

// A session without manage.accounts hears of no other account; device and
// server passwords reach only those who manage them.
void tst_ChangeFeed::rightsApplied()
{
    OrsadProcess orsad;
    QVERIFY(orsad.start());
    Client a(orsad.port());
    QVERIFY(a.ok);
    TestHub& t = a.t;
    const QByteArray viewer = t.addRole("viewer");
    QCOMPARE(t.result(t.account()->AddAccount("bob", "", "", "bob-pw", viewer)), 0);
    Client b(orsad.port(), "bob", "bob-pw");
    QVERIFY(b.ok);
    QCOMPARE(t.result(t.account()->AddAccount("carl", "", "", "carl-pw", viewer)), 0);
    QCOMPARE(t.result(t.account()->EditAccount("carl", "5", "", "", viewer)), 0);
    QCOMPARE(t.result(t.account()->EditAccount("bob", "7", "", "", viewer)), 0);
    t.addDevice("d", 0);
    QCOMPARE(t.result(t.server()->AddServer("s", "u", "server-pw", "10.0.0.2", 80, 1)), 0);

    const QVector<SeenChange> atA = a.feed.await(7);
    QCOMPARE(namesOf(atA), (QByteArrayList{"role add", "account add", "account add", "account edit",
                                           "account edit", "device add", "server add"}));
    const QVector<SeenChange> atB = b.feed.await(3);
    QCOMPARE(namesOf(atB), (QByteArrayList{"account edit", "device add", "server add"}));
    QCOMPARE(text(atB[0].as<tabACCOUNT>().userName), QByteArray("bob"));
    QCOMPARE(text(atB[0].as<tabACCOUNT>().phone), QByteArray("7"));
    QCOMPARE(text(atB[0].as<tabACCOUNT>().password), QByteArray());
    QCOMPARE(text(atB[1].as<tabDEVICEINFO>().devPassword), QByteArray());
    QCOMPARE(text(atB[2].as<tabSERVERINFO>().password), QByteArray());
    QCOMPARE(text(atA[6].as<tabSERVERINFO>().password), QByteArray("server-pw"));
}

void tst_ChangeFeed::resumeAfterLoss_data()
{
    QTest::addColumn<QString>("logSize");
    QTest::addColumn<int>("missed");
    QTest::addColumn<bool>("resync");
    QTest::addRow("within the log's reach") << QStringLiteral("100") << 3 << false;
    QTest::addRow("beyond the log's reach") << QStringLiteral("3") << 6 << true;
}

// orsad goes and comes back within the sessions' grace: B, resuming its
// session, gets what A changed meanwhile, or one resync notice when the log
// no longer reaches back; either way the stream goes on after it.
void tst_ChangeFeed::resumeAfterLoss()
{
    QFETCH(QString, logSize);
    QFETCH(int, missed);
    QFETCH(bool, resync);
    OrsadProcess orsad;
    const QStringList arguments{QStringLiteral("--change-log"), logSize};
    QVERIFY(orsad.start(arguments));
    Client a(orsad.port()), b(orsad.port());
    QVERIFY(a.ok && b.ok);
    a.t.addRegion("before");
    QCOMPARE(b.feed.await(1).size(), 1);

    orsad.kill();
    QVERIFY(orsad.start(arguments));
    QVERIFY(reconnected(a.t));
    for (int i = 0; i < missed; ++i)
        QVERIFY(!a.t.addRegion(QByteArray::number(i)).isEmpty());
    QVERIFY(reconnected(b.t));
    a.t.addRegion("after");

    QByteArrayList expected{"region add"};
    if (resync)
        expected << "resync";
    else
        for (int i = 0; i < missed; ++i)
            expected << "region add";
    expected << "region add";
    const QVector<SeenChange> seen = b.feed.await(expected.size());
    QCOMPARE(namesOf(seen), expected);
    QCOMPARE(text(seen.last().as<tabREGIONINFO>().name), QByteArray("after"));
    // Nothing more comes: each change once.
    QCOMPARE(b.t.result(b.t.role()->QueryRole("")), 0);
    QCOMPARE(b.feed.all().size(), expected.size());
}

// In the process: a hub hears of its own changes, after each request.
void tst_ChangeFeed::embeddedOwnChanges()
{
    RecordingChangeSink feed;
    TestHub t("embedded");
    QVERIFY(t.hub);
    QVERIFY(feed.attach(t.hub));
    QVERIFY(t.login());
    const QByteArray region = t.addRegion("g");
    QCOMPARE(t.result(t.region()->DeleteRegion(region)), 0);
    const QVector<SeenChange> seen = feed.await(2);
    QCOMPARE(namesOf(seen), (QByteArrayList{"region add", "region delete"}));
    QVERIFY(seen[0].own && seen[1].own);
    QCOMPARE(text(seen[1].as<tabREGIONINFO>().guid), region);
    DestroyOrsa(t.hub);
    t.hub = nullptr;
    QVERIFY(!BizOrsaGetChangeFeed(nullptr));
}

// A change made through one instance reaches a client of the other.
void tst_ChangeFeed::twoInstancesOnePostgresql()
{
    if (qEnvironmentVariableIsEmpty("ORSA_TEST_POSTGRESQL"))
        QSKIP("no PostgreSQL cluster: ORSA_TEST_POSTGRESQL is not set");
    const QString database = QString::fromStdString(emptiedProgramDatabase());
    OrsadProcess first(database), second(database);
    QVERIFY(first.start());
    QVERIFY(second.start());
    Client a(first.port()), b(second.port());
    QVERIFY(a.ok && b.ok);
    const QByteArray region = a.t.addRegion("g");
    QCOMPARE(a.t.result(a.t.region()->DeleteRegion(region)), 0);
    const QVector<SeenChange> seen = b.feed.await(2);
    QCOMPARE(namesOf(seen), (QByteArrayList{"region add", "region delete"}));
    QVERIFY(!seen[0].own);
    QCOMPARE(text(seen[0].as<tabREGIONINFO>().guid), region);
}

QTEST_GUILESS_MAIN(tst_ChangeFeed)
#include "tst_changefeed.moc"
