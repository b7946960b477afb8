// Devices with their property protocol and channel cascade, views and view
// channels, against the scripted SDK.
#include "support/opsfixture.h"

using namespace DATACore;
using namespace ops;

using Layout = QMap<int, QString>;

namespace {

const char* const kDevice = "d1|Gate|NO-1|admin|pw-1|10.0.0.1|8000|4|5|2|3|1";
const char* const kOther = "d2|Yard|NO-2|admin|pw-2|10.0.0.2|8000|1|0|2|3|0";

QVariantMap properties(const QStringList& names)
{
    QVariantMap out;
    for (const QString& name : names)
        out.insert(name, cache()->dataObj().property(name.toLatin1()));
    return out;
}

} // namespace

class tst_DevicesViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void singleRequests_data();
    void singleRequests();
    void emptyDeviceGuidSendsNothing();
    void deleteDeviceCascade_data();
    void deleteDeviceCascade();
    void devicePropertiesBeforeRequest_data();
    void devicePropertiesBeforeRequest();
    void deviceRecordFromArguments();
    void deleteViewGuidBeforeRequest();
    void saveViewChannel_data();
    void saveViewChannel();
    void deleteChannelFromEveryView_data();
    void deleteChannelFromEveryView();
    void deleteViewAllChannel_data();
    void deleteViewAllChannel();
    void viewNameExists();
};

void tst_DevicesViews::initTestCase()
{
    EventReceiver::instance();
    QVERIFY(exportScripted());
}

void tst_DevicesViews::init()
{
    sdk().reset();
    clearCache();
    cache()->setList_device_info(
        {{"d1", "Gate", "NO-1", "admin", "pw-1", "10.0.0.1", 8000, 4, 5, 2, 3, 1},
         {"d2", "Yard", "NO-2", "admin", "pw-2", "10.0.0.2", 8000, 1, 0, 2, 3, 0}});
    cache()->setList_device_channel_info(
        {{"c1", "Cam 1", "d1", 1}, {"c2", "Cam 2", "d1", 2}, {"c3", "Cam 3", "d2", 1}});
    cache()->setList_view_info({{"v1", "Hall", 4}, {"v2", "Wall", 9}});
    cache()->setViewChannelInfo({{"v1", {"c1", "Cam 1", "d1", 1}, 1}});
}

void tst_DevicesViews::singleRequests_data()
{
    addOutcomeColumns();
    auto* c = core();
    // The online flag reaches the cache, not the server.
    addOutcomeRows(
        "add device",
        {[c] { return c->AddDevice("Door", "NO-9", "root", "pw-9", "10.0.0.9", 8001, 4, 2, 3, 1); },
         "AddDevice(Door|NO-9|root|pw-9|10.0.0.9|8001|4|2|3)",
         added<tabDEVICEINFO>("d9"),
         "devices",
         {kDevice, kOther, "d9|Door|NO-9|root|pw-9|10.0.0.9|8001|4|0|2|3|1"},
         {"signalAddDevice(d9|Door|NO-9|root|pw-9|10.0.0.9|8001|4|0|2|3|1)"}});
    // The number reaches the cache, not the server; the channel count and
    // the codes stay as cached.
    addOutcomeRows(
        "edit device",
        {[c] { return c->EditDevice("d1", "NO-7", "Gate 2", "root", "pw-7", "10.0.0.7", 9000); },
         "EditDevice(d1|Gate 2|root|pw-7|10.0.0.7|9000)",
         Reply(),
         "devices",
         {"d1|Gate 2|NO-7|root|pw-7|10.0.0.7|9000|4|5|2|3|1", kOther},
         {"signalEditDevice(d1|Gate 2|NO-7|root|pw-7|10.0.0.7|9000|4|5|2|3|1)"}});
    addOutcomeRows("edit uncached device",
                   {[c] { return c->EditDevice("dZ", "NO-7", "Z", "root", "pw-7", "10.0.0.7", 1); },
                    "EditDevice(dZ|Z|root|pw-7|10.0.0.7|1)",
                    Reply(),
                    "devices",
                    {kDevice, kOther},
                    {}});
    addOutcomeRows("delete device without channels", {[c] { return c->DeleteDevice("d9"); },
                                                      "DeleteDevice(d9)",
                                                      Reply(),
                                                      "devices",
                                                      {kDevice, kOther},
                                                      {"signalDeleteDevice(d9)"}});
    addOutcomeRows("add view", {[c] { return c->AddView("Lobby", 16); },
                                "AddView(Lobby|16)",
                                added<tabVIEWINFO>("v9"),
                                "views",
                                {"v1|Hall|4", "v2|Wall|9", "v9|Lobby|16"},
                                {"signalAddView(v9|Lobby|16)"}});
    addOutcomeRows("edit view", {[c] { return c->EditView("v1", "Lobby", 1); },
                                 "EditView(v1|Lobby|1)",
                                 Reply(),
                                 "views",
                                 {"v1|Lobby|1", "v2|Wall|9"},
                                 {"signalEditView(v1|Lobby|1)"}});
    // Its placements stay cached.
    addOutcomeRows("delete view", {[c] { return c->DeleteView("v1"); },
                                   "DeleteView(v1)",
                                   Reply(),
                                   "views",
                                   {"v2|Wall|9"},
                                   {"signalDelViewChannel(v1, c1)", "signalDeleteView(v1)"},
                                   {{"view channels", {}}}});
    addOutcomeRows("place a cached channel", {[c] { return c->AddViewChannel("v2", "c2", 3); },
                                              "AddViewChannel(v2|c2|3)",
                                              Reply(),
                                              "view channels",
                                              {"v1|c1|Cam 1|d1|1|1", "v2|c2|Cam 2|d1|2|3"},
                                              {}});
    addOutcomeRows("place an uncached channel", {[c] { return c->AddViewChannel("v2", "cX", 3); },
                                                 "AddViewChannel(v2|cX|3)",
                                                 Reply(),
                                                 "view channels",
                                                 {"v1|c1|Cam 1|d1|1|1", "v2|cX|||0|3"},
                                                 {}});
    addOutcomeRows("place a placed channel again",
                   {[c] { return c->AddViewChannel("v1", "c1", 4); },
                    "AddViewChannel(v1|c1|4)",
                    Reply(),
                    "view channels",
                    {"v1|c1|Cam 1|d1|1|4"},
                    {}});
    addOutcomeRows("move a placed channel", {[c] { return c->EditViewChannel("v1", "c1", 7); },
                                             "EditViewChannel(v1|c1|7)",
                                             Reply(),
                                             "view channels",
                                             {"v1|c1|Cam 1|d1|1|7"},
                                             {}});
    addOutcomeRows("move an uncached channel", {[c] { return c->EditViewChannel("v1", "cX", 7); },
                                                "EditViewChannel(v1|cX|7)",
                                                Reply(),
                                                "view channels",
                                                {"v1|c1|Cam 1|d1|1|1", "v1|cX|||0|7"},
                                                {}});
    addOutcomeRows("remove a placed channel", {[c] { return c->DeleteViewChannel("v1", "c1"); },
                                               "DeleteViewChannel(v1|c1)",
                                               Reply(),
                                               "view channels",
                                               {},
                                               {}});
}

void tst_DevicesViews::singleRequests()
{
    checkOutcome();
}

void tst_DevicesViews::emptyDeviceGuidSendsNothing()
{
    cache()->setList_region_channel_info({{"g1", {"c1", "Door", "d1", 1}}});
    cache()->dataObj().setProperty("guid", QStringLiteral("earlier"));
    const CacheState before = cacheState();
    SignalLog signalLog;
    QVERIFY(!core()->DeleteDevice(QString()));
    QCOMPARE(requestTexts(), QStringList());
    QVERIFY(sameCache(before));
    QCOMPARE(signalLog.lines, QStringList());
}

void tst_DevicesViews::deleteDeviceCascade_data()
{
    QTest::addColumn<Scripts>("scripts");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("filings");
    QTest::addColumn<QStringList>("placements");
    QTest::addColumn<bool>("deviceGone");

    // For each channel of d1 in cache order: its regions, then its views.
    const QStringList cascade = {"DeleteRegionChannel(g1|c1)",
                                 "DeleteRegionChannel(g3|c1)",
                                 "DeleteViewChannel(v1|c1)",
                                 "DeleteViewChannel(v2|c1)",
                                 "DeleteRegionChannel(g2|c2)",
                                 "DeleteViewChannel(v1|c2)",
                                 "DeleteDevice(d1)"};
    const QString otherFiling = "g1|c3|Cam 3|d2|1";
    const QString otherPlacement = "v1|c3|Cam 3|d2|1|3";
    QTest::addRow("everything confirmed")
        << Scripts() << true << cascade << QStringList{otherFiling} << QStringList{otherPlacement}
        << true;
    QTest::addRow("device refused after the cascade")
        << Scripts{{"DeleteDevice", Reply::refuse()}} << false << cascade
        << QStringList{otherFiling} << QStringList{otherPlacement} << false;
    QTest::addRow("device times out after the cascade")
        << Scripts{{"DeleteDevice", Reply::timeOut()}} << false << cascade
        << QStringList{otherFiling} << QStringList{otherPlacement} << false;
    QTest::addRow("first region removal fails: that channel's other regions wait")
        << Scripts{{"DeleteRegionChannel", Reply::code(-1)}} << true
        << QStringList(QStringList{cascade[0]} + cascade.mid(2))
        << QStringList{"g1|c1|Cam 1|d1|1", otherFiling, "g3|c1|Cam 1|d1|1"}
        << QStringList{otherPlacement} << true;
    QTest::addRow("first view removal refused: that channel's other views wait")
        << Scripts{{"DeleteViewChannel", Reply::refuse()}} << true
        << QStringList(cascade.mid(0, 3) + cascade.mid(4)) << QStringList{otherFiling}
        << QStringList{"v1|c1|Cam 1|d1|1|1", "v2|c1|Cam 1|d1|1|2", otherPlacement} << true;
}

void tst_DevicesViews::deleteDeviceCascade()
{
    QFETCH(Scripts, scripts);
    QFETCH(bool, ok);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, filings);
    QFETCH(QStringList, placements);
    QFETCH(bool, deviceGone);
    const DeviceChancelInfo c1{"c1", "Cam 1", "d1", 1}, c2{"c2", "Cam 2", "d1", 2},
        c3{"c3", "Cam 3", "d2", 1};
    cache()->setList_region_channel_info({{"g1", c1}, {"g2", c2}, {"g1", c3}, {"g3", c1}});
    cache()->setViewChannelInfo({{"v1", c2, 4}, {"v1", c1, 1}, {"v2", c1, 2}, {"v1", c3, 3}});
    scriptAll(scripts);
    SignalLog signalLog;

    QCOMPARE(core()->DeleteDevice("d1"), ok);
    QCOMPARE(requestTexts(), sent);
    QCOMPARE(texts(cache()->list_region_channel_info()), filings);
    QCOMPARE(texts(cache()->viewChannelInfo()), placements);
    QCOMPARE(texts(cache()->list_device_info()).contains(kDevice), !deviceGone);
    QCOMPARE(signalLog.lines.contains("signalDeleteDevice(d1)"), deviceGone);
    // The server deletes the device's channels with it.
    QCOMPARE(texts(cache()->list_device_channel_info()).size(), deviceGone ? 1 : 3);
    QCOMPARE(cache()->dataObj().property("guid").toString(), QStringLiteral("d1"));
}

void tst_DevicesViews::devicePropertiesBeforeRequest_data()
{
    QTest::addColumn<Operation>("run");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QVariantMap>("expected");

    auto* c = core();
    QTest::addRow("add") << Operation([c] {
        return c->AddDevice("Door", "NO-9", "root", "pw-9", "10.0.0.9", 8001, 4, 2, 3, 1);
    }) << "AddDevice" << QVariantMap{{"devName", "Door"},   {"devNO", "NO-9"},
                                     {"devUser", "root"},   {"devPassword", "pw-9"},
                                     {"devIP", "10.0.0.9"}, {"devPort", 8001},
                                     {"devChannelNum", 4},  {"devVender", 2},
                                     {"devType", 3},        {"devBonline", 1}};
    QTest::addRow("edit") << Operation([c] {
        return c->EditDevice("d1", "NO-7", "Gate 2", "root", "pw-7", "10.0.0.7", 9000);
    }) << "EditDevice" << QVariantMap{{"devName", "Gate 2"},   {"devUser", "root"},
                                      {"devPassword", "pw-7"}, {"devIP", "10.0.0.7"},
                                      {"devPort", 9000},       {"guid", "d1"},
                                      {"devNO", "NO-7"}};
}

void tst_DevicesViews::devicePropertiesBeforeRequest()
{
    QFETCH(Operation, run);
    QFETCH(QString, op);
    QFETCH(QVariantMap, expected);
    for (const QString& name : expected.keys())
        cache()->dataObj().setProperty(name.toLatin1(), QStringLiteral("stale"));
    QVariantMap seen;
    sdk().onRequest = [&](const SdkCall& call) {
        if (call.op == op)
            seen = properties(expected.keys());
    };
    QVERIFY(run());
    QCOMPARE(seen, expected);
    // Numbers are int variants, texts string variants.
    for (const QString& name : expected.keys())
        QCOMPARE(seen.value(name).userType(), expected.value(name).userType());
}

void tst_DevicesViews::deviceRecordFromArguments()
{
    // The properties are for applications to read: whatever they hold when
    // the answer has come, the record is built from the arguments.
    connect(EventReceiver::instance(), &EventReceiver::signal_least_callback_coming, this,
            [] { cache()->dataObj().setProperty("devName", QStringLiteral("Renamed")); });
    sdk().script("AddDevice", added<tabDEVICEINFO>("d9"));
    SignalLog signalLog;
    const bool ok = core()->AddDevice("Door", "NO-9", "root", "pw-9", "10.0.0.9", 8001, 4, 2, 3, 1);
    disconnect(EventReceiver::instance(), nullptr, this, nullptr);
    QVERIFY(ok);
    const QString record = "d9|Door|NO-9|root|pw-9|10.0.0.9|8001|4|0|2|3|1";
    QCOMPARE(texts(cache()->list_device_info()).last(), record);
    QCOMPARE(signalLog.lines, QStringList{"signalAddDevice(" + record + ")"});
}

void tst_DevicesViews::deleteViewGuidBeforeRequest()
{
    cache()->dataObj().setProperty("guid", QStringLiteral("stale"));
    QVariant seen;
    sdk().onRequest = [&](const SdkCall&) { seen = cache()->dataObj().property("guid"); };
    QVERIFY(core()->DeleteView("v2"));
    QCOMPARE(seen, QVariant(QStringLiteral("v2")));
}

void tst_DevicesViews::saveViewChannel_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<Scripts>("scripts");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("placements");

    const Layout layout{{3, "c3"}, {1, "c1"}, {2, "c2"}};
    const QStringList ascending = {"AddViewChannel(v2|c1|1)", "AddViewChannel(v2|c2|2)",
                                   "AddViewChannel(v2|c3|3)"};
    const QString kept = "v1|c1|Cam 1|d1|1|1";
    QTest::addRow("ascending positions")
        << layout << Scripts() << true << ascending
        << QStringList{kept, "v2|c1|Cam 1|d1|1|1", "v2|c2|Cam 2|d1|2|2", "v2|c3|Cam 3|d2|1|3"};
    QTest::addRow("second fails: third never sent, first stays")
        << layout << Scripts{{"AddViewChannel", Reply()}, {"AddViewChannel", Reply::code(-1)}}
        << false << QStringList(ascending.mid(0, 2)) << QStringList{kept, "v2|c1|Cam 1|d1|1|1"};
    QTest::addRow("first refused")
        << layout << Scripts{{"AddViewChannel", Reply::refuse()}} << false
        << QStringList(ascending.mid(0, 1)) << QStringList{kept};
    QTest::addRow("empty layout") << Layout() << Scripts() << true << QStringList()
                                  << QStringList{kept};
}

void tst_DevicesViews::saveViewChannel()
{
    QFETCH(Layout, layout);
    QFETCH(Scripts, scripts);
    QFETCH(bool, ok);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, placements);
    scriptAll(scripts);
    QCOMPARE(core()->saveViewChannel("v2", layout), ok);
    QCOMPARE(requestTexts(), sent);
    QCOMPARE(texts(cache()->viewChannelInfo()), placements);
}

void tst_DevicesViews::deleteChannelFromEveryView_data()
{
    addCompoundColumns();
    const QStringList three = {"DeleteViewChannel(v1|c1)", "DeleteViewChannel(v2|c1)",
                               "DeleteViewChannel(v3|c1)"};
    const QStringList all = {"v1|c1|Cam 1|d1|1|1", "v2|c1|Cam 1|d1|1|2", "v3|c1|Cam 1|d1|1|3",
                             "v1|c2|Cam 2|d1|2|4"};
    QTest::addRow("placed in three views")
        << "c1" << Scripts() << true << three << QStringList{all[3]};
    QTest::addRow("second removal fails, third never sent")
        << "c1" << Scripts{{"DeleteViewChannel", Reply()}, {"DeleteViewChannel", Reply::code(-1)}}
        << false << QStringList(three.mid(0, 2)) << QStringList(all.mid(1));
    QTest::addRow("placed nowhere") << "c7" << Scripts() << true << QStringList() << all;
    QTest::addRow("guid differing in case") << "C1" << Scripts() << true << QStringList() << all;
}

void tst_DevicesViews::deleteChannelFromEveryView()
{
    const DeviceChancelInfo c1{"c1", "Cam 1", "d1", 1};
    cache()->setViewChannelInfo(
        {{"v1", c1, 1}, {"v2", c1, 2}, {"v3", c1, 3}, {"v1", {"c2", "Cam 2", "d1", 2}, 4}});
    checkCompound([](const QString& channel) { return core()->deleteViewChannel(channel); },
                  [] { return texts(cache()->viewChannelInfo()); });
}

void tst_DevicesViews::deleteViewAllChannel_data()
{
    addCompoundColumns(); // ok: it returns nothing, the row expects true
    const QString other = "v2|c1|Cam 1|d1|1|1";
    const QStringList both = {"DeleteViewChannel(v1|c1)", "DeleteViewChannel(v1|c2)"};
    QTest::addRow("every placement of the view")
        << "v1" << Scripts() << true << both << QStringList{other};
    QTest::addRow("a failure does not stop the rest")
        << "v1" << Scripts{{"DeleteViewChannel", Reply::code(-1)}} << true << both
        << QStringList{"v1|c1|Cam 1|d1|1|1", other};
    QTest::addRow("no view guid: nothing sent")
        << QString() << Scripts() << true << QStringList()
        << QStringList{"v1|c1|Cam 1|d1|1|1", "v1|c2|Cam 2|d1|2|2", other};
}

void tst_DevicesViews::deleteViewAllChannel()
{
    const DeviceChancelInfo c1{"c1", "Cam 1", "d1", 1};
    cache()->setViewChannelInfo(
        {{"v1", c1, 1}, {"v1", {"c2", "Cam 2", "d1", 2}, 2}, {"v2", c1, 1}});
    checkCompound(
        [](const QString& view) {
            core()->deleteViewAllChannel(view);
            return true;
        },
        [] { return texts(cache()->viewChannelInfo()); });
}

void tst_DevicesViews::viewNameExists()
{
    QVERIFY(core()->viewNameExists("Wall"));
    QVERIFY(!core()->viewNameExists("wall"));
    QVERIFY(!core()->viewNameExists("v2"));
    QCOMPARE(requestTexts(), QStringList());
}

QTEST_GUILESS_MAIN(tst_DevicesViews)
#include "tst_devicesviews.moc"
