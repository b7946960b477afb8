// Changes of other sessions, pushed through the scripted SDK's change feed:
// how they reach the cache and which signals announce them.
#include "support/opsfixture.h"
#include "support/scriptedfeed.h"

#include <QtCore/QCoreApplication>
#include <QtTest/QtTest>

using namespace ops;
using DATACore::EventReceiver;
using DATACore::RemoteChange;

Q_DECLARE_METATYPE(FeedChange)

namespace {

// One kind of record: two versions of one record (before and after an edit)
// and another record of the same kind, with what the cache and the facade
// show of them.
struct KindCase {
    const char* name;
    int kind;
    RemoteChange::Kind flag;
    QString list;                                   // in cacheState()
    FeedChange (*make)(int operation, int version); // version 0: before, 1: after, 2: the other
    QStringList texts;                              // the same three, as cached
    QString addSignal, editSignal;                  // names; empty when the facade has none
    QString deleteLine;                             // the delete's signal with its arguments
    QStringList key;
};

template <typename Tab>
FeedChange (*maker(int kind, Tab before, Tab after, Tab other))(int, int)
{
    // Captureless: the records live in a static per kind.
    static Tab records[3];
    records[0] = before;
    records[1] = after;
    records[2] = other;
    static int theKind;
    theKind = kind;
    return [](int operation, int version) {
        return FeedChange::of(theKind, operation, records[version]);
    };
}

const QVector<KindCase>& kindCases()
{
    // clang-format off
    static const QVector<KindCase> cases{
        {"account", BIZORSA_CHANGE_ACCOUNT, RemoteChange::Account, "accounts",
         maker(BIZORSA_CHANGE_ACCOUNT, tabACCOUNT{"li.na", "", "139", "li@x", "roleA"},
               tabACCOUNT{"li.na", "", "138", "na@x", "roleB"}, tabACCOUNT{"wang", "", "1", "w@x", "roleA"}),
         {"li.na||139|li@x|roleA", "li.na||138|na@x|roleB", "wang||1|w@x|roleA"},
         "signalAddAccount", "signalEditAccount", "signalDeleteAccount(li.na)", {"li.na"}},
        {"role", BIZORSA_CHANGE_ROLE, RemoteChange::Role, "roles",
         maker(BIZORSA_CHANGE_ROLE, tabROLEINFO{"ro1", "值班员", "old"}, tabROLEINFO{"ro1", "Guards", "new"},
               tabROLEINFO{"ro2", "Other", ""}),
         {"ro1|值班员|old", "ro1|Guards|new", "ro2|Other|"},
         "signalAddRole", "signalEditRole", "", {"ro1"}},
        {"role permission", BIZORSA_CHANGE_ROLEPERMISSION, RemoteChange::RolePermission, "permissions",
         maker(BIZORSA_CHANGE_ROLEPERMISSION, tabROLEPERMISSIONINFO{"p1", "ro1", "ptz", "false"},
               tabROLEPERMISSIONINFO{"p1", "ro1", "ptz", "true"}, tabROLEPERMISSIONINFO{"p2", "ro1", "view", "true"}),
         {"p1|ro1|ptz|false", "p1|ro1|ptz|true", "p2|ro1|view|true"},
         "", "", "", {"p1", "ro1"}},
        {"region", BIZORSA_CHANGE_REGION, RemoteChange::Region, "regions",
         maker(BIZORSA_CHANGE_REGION, tabREGIONINFO{"r1", "top", "东区", 2, "old"},
               tabREGIONINFO{"r1", "top", "East", 2, "new"}, tabREGIONINFO{"r2", "", "West", 1, ""}),
         {"r1|top|东区|2|old", "r1|top|East|2|new", "r2||West|1|"},
         "signalAddRegion", "signalEditRegioin", "signalDeleteRegion(r1)", {"r1"}},
        {"region channel", BIZORSA_CHANGE_REGIONCHANNEL, RemoteChange::RegionChannel, "region channels",
         maker(BIZORSA_CHANGE_REGIONCHANNEL, tabREGIONCHANNELINFO{"r1", {"c1", "Gate", "d1", 3}},
               tabREGIONCHANNELINFO{"r1", {"c1", "Gate in", "d1", 3}}, tabREGIONCHANNELINFO{"r2", {"c1", "G", "d1", 3}}),
         {"r1|c1|Gate|d1|3", "r1|c1|Gate in|d1|3", "r2|c1|G|d1|3"},
         "signalAddRegionChannel", "signalEditRegionChannel", "signalDeleteRegionChannl(r1, c1)", {"r1", "c1"}},
        {"device", BIZORSA_CHANGE_DEVICE, RemoteChange::Device, "devices",
         maker(BIZORSA_CHANGE_DEVICE, tabDEVICEINFO{"d1", "NVR", "DS01", "admin", "", "10.0.0.2", 8000, 16, 0, 1, 2},
               tabDEVICEINFO{"d1", "NVR-1", "DS01", "root", "", "10.0.0.3", 8001, 16, 0, 1, 2},
               tabDEVICEINFO{"d2", "DVR", "DS02", "", "", "10.0.0.9", 80, 4, 0, 1, 1}),
         {"d1|NVR|DS01|admin||10.0.0.2|8000|16|0|1|2|0", "d1|NVR-1|DS01|root||10.0.0.3|8001|16|0|1|2|0",
          "d2|DVR|DS02|||10.0.0.9|80|4|0|1|1|0"},
         "signalAddDevice", "signalEditDevice", "signalDeleteDevice(d1)", {"d1"}},
        {"channel", BIZORSA_CHANGE_CHANNEL, RemoteChange::Channel, "device channels",
         maker(BIZORSA_CHANGE_CHANNEL, tabCHANNELINFO{"c1", "Cam 1", "d1", 1}, tabCHANNELINFO{"c1", "Door", "d1", 1},
               tabCHANNELINFO{"c2", "Cam 2", "d1", 2}),
         {"c1|Cam 1|d1|1", "c1|Door|d1|1", "c2|Cam 2|d1|2"},
         "", "", "", {"c1"}},
        {"view", BIZORSA_CHANGE_VIEW, RemoteChange::View, "views",
         maker(BIZORSA_CHANGE_VIEW, tabVIEWINFO{"v1", "大厅", 4}, tabVIEWINFO{"v1", "Hall", 9}, tabVIEWINFO{"v2", "Yard", 1}),
         {"v1|大厅|4", "v1|Hall|9", "v2|Yard|1"},
         "signalAddView", "signalEditView", "signalDeleteView(v1)", {"v1"}},
        {"view channel", BIZORSA_CHANGE_VIEWCHANNEL, RemoteChange::ViewChannel, "view channels",
         maker(BIZORSA_CHANGE_VIEWCHANNEL, tabVIEWCHANNELINFO{"v1", {"c1", "Cam 1", "d1", 1}, 0},
               tabVIEWCHANNELINFO{"v1", {"c1", "Cam 1", "d1", 1}, 3}, tabVIEWCHANNELINFO{"v1", {"c2", "Cam 2", "d1", 2}, 1}),
         {"v1|c1|Cam 1|d1|1|0", "v1|c1|Cam 1|d1|1|3", "v1|c2|Cam 2|d1|2|1"},
         "signalAddViewChannel", "signalEditViewChannel", "signalDelViewChannel(v1, c1)", {"v1", "c1"}},
        {"server", BIZORSA_CHANGE_SERVER, RemoteChange::Server, "servers",
         maker(BIZORSA_CHANGE_SERVER, tabSERVERINFO{"s1", "Alarm", "alarm", "", "10.0.0.5", 7200, 4},
               tabSERVERINFO{"s1", "Alarm 2", "alarm", "", "10.0.0.6", 7201, 4},
               tabSERVERINFO{"s2", "Media", "", "", "10.0.0.7", 554, 2}),
         {"s1|Alarm|10.0.0.5|alarm||7200|4", "s1|Alarm 2|10.0.0.6|alarm||7201|4", "s2|Media|10.0.0.7|||554|2"},
         "signalAddServer", "signalEditServer", "signalDeleteServer(s1, 4)", {"s1"}},
        {"video grant", BIZORSA_CHANGE_VIDEOREGION, RemoteChange::VideoRegion, "video grants",
         maker(BIZORSA_CHANGE_VIDEOREGION, tabVIDEOREGIONINFO{"ro1", "r1"}, tabVIDEOREGIONINFO{"ro1", "r1"},
               tabVIDEOREGIONINFO{"ro1", "r2"}),
         {"ro1|r1", "ro1|r1", "ro1|r2"}, "", "", "", {"ro1", "r1"}},
        {"alarm grant", BIZORSA_CHANGE_ALARMREGION, RemoteChange::AlarmRegion, "alarm grants",
         maker(BIZORSA_CHANGE_ALARMREGION, tabALARMREGIONINFO{"ro1", "r1"}, tabALARMREGIONINFO{"ro1", "r1"},
               tabALARMREGIONINFO{"ro2", "r1"}),
         {"ro1|r1", "ro1|r1", "ro2|r1"}, "", "", "", {"ro1", "r1"}},
    };
    // clang-format on
    return cases;
}

ScriptedFeed& feed()
{
    return ScriptedFeed::of(&sdk());
}

// Handles what the sink posted, and the batch's end it posted in turn.
void settle()
{
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::sendPostedEvents(EventReceiver::instance());
}

QString text(const RemoteChange& c)
{
    static const char* const operations[] = {"add", "edit", "delete"};
    return QStringLiteral("%1 %2 %3%4")
        .arg(QString::number(uint(c.kind), 16), QLatin1String(operations[c.operation]),
             c.key.join(QLatin1Char('/')), c.cascaded ? QStringLiteral(" cascaded") : QString());
}

// The library's change signals, as texts.
struct ChangeLog : QObject {
    ChangeLog()
    {
        connect(core(), &DATACore::UserManagerCore::signalRemoteChange, this,
                [this](const RemoteChange& c) {
                    changes << text(c);
                    revisions << c.revision;
                });
        connect(core(), &DATACore::UserManagerCore::signalRemoteChanges, this,
                [this](RemoteChange::Kinds k) { batches << uint(k); });
        connect(core(), &DATACore::UserManagerCore::signalResyncNeeded, this,
                [this] { ++resyncs; });
    }
    QStringList changes;
    QList<qint64> revisions;
    QList<uint> batches;
    int resyncs = 0;
};

} // namespace

class tst_RemoteChanges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void appliesEachKind_data();
    void appliesEachKind();
    void ownChangesChangeNothing();
    void oneBatchPerTurn();
    void cascadedDeletesAnnouncedOnce();
    void resyncNeeded();
    void malformedChangesSkipped_data();
    void malformedChangesSkipped();
    void sdkWithoutFeed();
    void reExportDetachesTheSink();
};

void tst_RemoteChanges::initTestCase()
{
    QVERIFY(exportScripted());
    QVERIFY(core()->changeFeedAvailable());
    QVERIFY(feed().sinks().last());
}

void tst_RemoteChanges::init()
{
    ScriptedFeed::offered = true;
    settle();
    clearCache();
}

void tst_RemoteChanges::appliesEachKind_data()
{
    QTest::addColumn<int>("kindCase");
    QTest::addColumn<int>("operation");
    for (int k = 0; k < kindCases().size(); ++k) {
        for (int op : {BIZORSA_CHANGE_ADD, BIZORSA_CHANGE_EDIT, BIZORSA_CHANGE_DELETE}) {
            static const char* const names[] = {"", "add", "edit", "delete"};
            QTest::addRow("%s %s", kindCases()[k].name, names[op]) << k << op;
        }
    }
}

void tst_RemoteChanges::appliesEachKind()
{
    QFETCH(int, kindCase);
    QFETCH(int, operation);
    const KindCase& c = kindCases()[kindCase];

    // The cache holds the record before the change (unless it is new) and another one.
    if (operation == BIZORSA_CHANGE_ADD)
        feed().push({c.make(BIZORSA_CHANGE_ADD, 2)});
    else
        feed().push({c.make(BIZORSA_CHANGE_ADD, 0), c.make(BIZORSA_CHANGE_ADD, 2)});
    settle();
    const CacheState before = cacheState();

    SignalLog facade;
    ChangeLog log;
    const long long revisionBefore = feed().LastRevision();
    // A delete carries the record as it was.
    feed().push({c.make(operation, operation == BIZORSA_CHANGE_DELETE ? 0 : 1)});
    settle();

    CacheState expected = before;
    const QString after = c.texts[1];
    const QString other = c.texts[2];
    if (operation == BIZORSA_CHANGE_ADD)
        expected[c.list] = QStringList{other, after};
    else if (operation == BIZORSA_CHANGE_EDIT)
        expected[c.list] = QStringList{after, other};
    else
        expected[c.list] = QStringList{other};
    QCOMPARE(cacheState(), expected);

    QStringList signalLines;
    if (operation == BIZORSA_CHANGE_ADD && !c.addSignal.isEmpty())
        signalLines << c.addSignal + QLatin1Char('(') + after + QLatin1Char(')');
    if (operation == BIZORSA_CHANGE_EDIT && !c.editSignal.isEmpty())
        signalLines << c.editSignal + QLatin1Char('(') + after + QLatin1Char(')');
    if (operation == BIZORSA_CHANGE_DELETE && !c.deleteLine.isEmpty())
        signalLines << c.deleteLine;
    // Exactly once each: a view shows it as it shows a change of this session.
    QCOMPARE(facade.lines, signalLines);

    static const char* const operations[] = {"", "add", "edit", "delete"};
    QCOMPARE(log.changes, QStringList{QStringLiteral("%1 %2 %3")
                                          .arg(QString::number(uint(c.flag), 16),
                                               QLatin1String(operations[operation]),
                                               c.key.join(QLatin1Char('/')))});
    QCOMPARE(log.revisions, QList<qint64>{revisionBefore + 1});
    QCOMPARE(log.batches, QList<uint>{uint(c.flag)});
    QCOMPARE(log.resyncs, 0);
}

void tst_RemoteChanges::ownChangesChangeNothing()
{
    const KindCase& region = kindCases()[3];
    const KindCase& view = kindCases()[7];
    const CacheState empty = cacheState();
    SignalLog facade;
    ChangeLog log;
    feed().push({region.make(BIZORSA_CHANGE_ADD, 1).ownChange()});
    settle();
    QCOMPARE(cacheState(), empty);
    QVERIFY(facade.lines.isEmpty());
    QVERIFY(log.changes.isEmpty());
    QVERIFY(log.batches.isEmpty());

    // Among changes of others, only theirs count.
    feed().push(
        {region.make(BIZORSA_CHANGE_EDIT, 1).ownChange(), view.make(BIZORSA_CHANGE_ADD, 1)});
    settle();
    QCOMPARE(cacheState()[region.list], QStringList());
    QCOMPARE(cacheState()[view.list], QStringList{view.texts[1]});
    QCOMPARE(facade.lines, QStringList{QStringLiteral("signalAddView(v1|Hall|9)")});
    QCOMPARE(log.batches, QList<uint>{uint(RemoteChange::View)});
}

void tst_RemoteChanges::oneBatchPerTurn()
{
    SignalLog facade;
    ChangeLog log;
    const KindCase& region = kindCases()[3];
    const KindCase& grant = kindCases()[10];
    const KindCase& server = kindCases()[9];
    feed().push({region.make(BIZORSA_CHANGE_ADD, 1), grant.make(BIZORSA_CHANGE_ADD, 1),
                 region.make(BIZORSA_CHANGE_EDIT, 0)});
    settle();
    // In the server's order, one batch for the three.
    QCOMPARE(facade.lines, (QStringList{QStringLiteral("signalAddRegion(r1|top|East|2|new)"),
                                        QStringLiteral("signalEditRegioin(r1|top|东区|2|old)")}));
    QCOMPARE(log.changes.size(), 3);
    QCOMPARE(log.batches, QList<uint>{uint(RemoteChange::Region | RemoteChange::VideoRegion)});
    QCOMPARE(cacheState()[region.list], QStringList{region.texts[0]});

    // Changes that come after the batch was handled make the next one.
    feed().push({server.make(BIZORSA_CHANGE_ADD, 2)});
    settle();
    QCOMPARE(log.batches, (QList<uint>{uint(RemoteChange::Region | RemoteChange::VideoRegion),
                                       uint(RemoteChange::Server)}));
    for (int i = 1; i < log.revisions.size(); ++i)
        QVERIFY(log.revisions[i] > log.revisions[i - 1]);
}

void tst_RemoteChanges::cascadedDeletesAnnouncedOnce()
{
    const CacheState empty = cacheState();
    // A region with two filings, a video and an alarm grant; a view with two placements.
    const tabREGIONINFO region{"r1", "", "Hall", 1, ""};
    const tabREGIONCHANNELINFO filing1{"r1", {"c1", "Gate", "d1", 1}};
    const tabREGIONCHANNELINFO filing2{"r1", {"c2", "Door", "d1", 2}};
    const tabVIDEOREGIONINFO video{"ro1", "r1"};
    const tabALARMREGIONINFO alarm{"ro1", "r1"};
    const tabVIEWINFO view{"v1", "Wall", 4};
    const tabVIEWCHANNELINFO placement1{"v1", {"c1", "Gate", "d1", 1}, 0};
    const tabVIEWCHANNELINFO placement2{"v1", {"c2", "Door", "d1", 2}, 1};
    auto add = [](int kind, const auto& record) {
        return FeedChange::of(kind, BIZORSA_CHANGE_ADD, record);
    };
    auto gone = [](int kind, const auto& record) {
        return FeedChange::of(kind, BIZORSA_CHANGE_DELETE, record);
    };
    feed().push({add(BIZORSA_CHANGE_REGION, region), add(BIZORSA_CHANGE_REGIONCHANNEL, filing1),
                 add(BIZORSA_CHANGE_REGIONCHANNEL, filing2), add(BIZORSA_CHANGE_VIDEOREGION, video),
                 add(BIZORSA_CHANGE_ALARMREGION, alarm), add(BIZORSA_CHANGE_VIEW, view),
                 add(BIZORSA_CHANGE_VIEWCHANNEL, placement1),
                 add(BIZORSA_CHANGE_VIEWCHANNEL, placement2)});
    settle();
    QCOMPARE(cacheState()[QStringLiteral("region channels")].size(), 2);

    SignalLog facade;
    ChangeLog log;
    // The server names each record its delete took along before the record;
    // whatever it leaves unnamed goes by the cascade rules, once as well.
    feed().push(
        {gone(BIZORSA_CHANGE_REGIONCHANNEL, filing1).cascade(),
         gone(BIZORSA_CHANGE_VIDEOREGION, video).cascade(), gone(BIZORSA_CHANGE_REGION, region),
         gone(BIZORSA_CHANGE_VIEWCHANNEL, placement1).cascade(),
         gone(BIZORSA_CHANGE_VIEWCHANNEL, placement2).cascade(), gone(BIZORSA_CHANGE_VIEW, view)});
    settle();
    QCOMPARE(facade.lines, (QStringList{QStringLiteral("signalDeleteRegionChannl(r1, c1)"),
                                        QStringLiteral("signalDeleteRegionChannl(r1, c2)"),
                                        QStringLiteral("signalDeleteRegion(r1)"),
                                        QStringLiteral("signalDelViewChannel(v1, c1)"),
                                        QStringLiteral("signalDelViewChannel(v1, c2)"),
                                        QStringLiteral("signalDeleteView(v1)")}));
    QVERIFY(log.changes.first().endsWith(QLatin1String(" cascaded")));
    QVERIFY(!log.changes[2].endsWith(QLatin1String(" cascaded")));
    QCOMPARE(log.changes.size(), 6);
    // Nothing of the region and the view is left, the unnamed alarm grant included.
    QCOMPARE(cacheState(), empty);
}

void tst_RemoteChanges::resyncNeeded()
{
    SignalLog facade;
    ChangeLog log;
    const KindCase& view = kindCases()[7];
    feed().push({view.make(BIZORSA_CHANGE_ADD, 1)});
    feed().pushResync();
    feed().push({view.make(BIZORSA_CHANGE_EDIT, 2)});
    settle();
    QCOMPARE(log.resyncs, 1);
    // Delivery goes on after the notice.
    QCOMPARE(cacheState()[view.list], (QStringList{view.texts[1], view.texts[2]}));
    QCOMPARE(facade.lines.size(), 2);
}

void tst_RemoteChanges::malformedChangesSkipped_data()
{
    QTest::addColumn<FeedChange>("change");
    const tabREGIONINFO region{"r1", "", "Hall", 1, ""};
    FeedChange ok = FeedChange::of(BIZORSA_CHANGE_REGION, BIZORSA_CHANGE_ADD, region);
    FeedChange c = ok;
    c.kind = 0;
    QTest::newRow("kind 0") << c;
    c.kind = BIZORSA_CHANGE_ALARMREGION + 1;
    QTest::newRow("kind beyond the last") << c;
    c = ok;
    c.operation = 4;
    QTest::newRow("unknown operation") << c;
    c = ok;
    c.record.chop(1);
    QTest::newRow("record too short") << c;
    c = ok;
    c.kind = BIZORSA_CHANGE_VIEW;
    QTest::newRow("record of another kind") << c;
    c = ok;
    c.record.clear();
    QTest::newRow("no record") << c;
}

void tst_RemoteChanges::malformedChangesSkipped()
{
    QFETCH(FeedChange, change);
    const CacheState empty = cacheState();
    SignalLog facade;
    ChangeLog log;
    feed().push({change, kindCases()[0].make(BIZORSA_CHANGE_ADD, 2)});
    settle();
    // The next change still arrives.
    QCOMPARE(log.changes.size(), 1);
    QCOMPARE(cacheState()[QStringLiteral("regions")], empty[QStringLiteral("regions")]);
    QCOMPARE(cacheState()[QStringLiteral("views")], empty[QStringLiteral("views")]);
    QCOMPARE(facade.lines, QStringList{QStringLiteral("signalAddAccount(wang||1|w@x|roleA)")});
}

void tst_RemoteChanges::sdkWithoutFeed()
{
    static ScriptedSdk plain;
    ScriptedFeed::offered = false;
    sdk().nextHub = &plain;
    QVERIFY(core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("plain"), 3, false));
    QVERIFY(!core()->changeFeedAvailable());
    QVERIFY(ScriptedFeed::of(&plain).sinks().isEmpty());
    // Requests work as before.
    plain.script(QStringLiteral("AddView"), Reply::with(0, tabVIEWINFO{"v9", "", 0}));
    QVERIFY(core()->AddView(QStringLiteral("Wall"), 4));
    QCOMPARE(cacheState()[QStringLiteral("views")], QStringList{QStringLiteral("v9|Wall|4")});

    ScriptedFeed::offered = true;
    QVERIFY(exportScripted());
    QVERIFY(core()->changeFeedAvailable());
}

void tst_RemoteChanges::reExportDetachesTheSink()
{
    static ScriptedSdk second;
    const CacheState empty = cacheState();
    SignalLog facade;
    ChangeLog log;
    // A change the old connection delivered but the receiver has not handled yet.
    feed().push({kindCases()[3].make(BIZORSA_CHANGE_ADD, 1)});
    sdk().nextHub = &second;
    QVERIFY(core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("again"), 2, false));
    settle();
    // The old feed was stopped before its hub was released, and its change dropped.
    QCOMPARE(feed().sinks().last(), nullptr);
    QVERIFY(sdk().callNames().contains(QStringLiteral("DestroyOrsa")));
    QCOMPARE(cacheState(), empty);
    QVERIFY(facade.lines.isEmpty());
    QVERIFY(log.changes.isEmpty());

    ScriptedFeed& secondFeed = ScriptedFeed::of(&second);
    QVERIFY(secondFeed.sinks().last());
    QVERIFY(secondFeed.sinks().last() != feed().sinks().first());
    secondFeed.push({kindCases()[7].make(BIZORSA_CHANGE_ADD, 1)});
    settle();
    QCOMPARE(facade.lines, QStringList{QStringLiteral("signalAddView(v1|Hall|9)")});

    // Back on the first hub: the second one is released in turn.
    QVERIFY(exportScripted());
    QCOMPARE(secondFeed.sinks().last(), nullptr);
    QVERIFY(second.callNames().contains(QStringLiteral("DestroyOrsa")));
    QVERIFY(feed().sinks().last());
}

QTEST_GUILESS_MAIN(tst_RemoteChanges)
#include "tst_remotechanges.moc"
