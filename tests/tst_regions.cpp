// Regions, the grants made when one is created, and region channels, against
// the scripted SDK.
#include "support/opsfixture.h"

using namespace DATACore;
using namespace ops;

namespace {
const char* const kAdmins = "88341189";
}

class tst_Regions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void singleRequests_data();
    void singleRequests();
    void addRegionGrants_data();
    void addRegionGrants();
    void addRegionPropertiesBeforeRequest();
    void editRegionKeepsParentAndLevel_data();
    void editRegionKeepsParentAndLevel();
    void deleteChannelFromEveryRegion_data();
    void deleteChannelFromEveryRegion();
};

void tst_Regions::initTestCase()
{
    EventReceiver::instance();
    QVERIFY(exportScripted());
}

void tst_Regions::init()
{
    sdk().reset();
    clearCache();
    cache()->setList_region_info({{"g1", "g0", "North", 1, "n"}, {"g2", "g0", "South", 1, "s"}});
    cache()->setList_region_channel_info({{"g1", {"c1", "Door", "d1", 1}}});
    cache()->setList_device_channel_info({{"c1", "Cam 1", "d1", 1}, {"c2", "Cam 2", "d1", 2}});
    cache()->setList_role_region_info({{"r1", "g1"}, {"r1", "g2"}, {"r2", "g1"}});
    cache()->setList_role_alarm_info({{"r2", "g1"}, {"r1", "g2"}});
}

void tst_Regions::cleanup()
{
    QVERIFY(logOut());
}

void tst_Regions::singleRequests_data()
{
    addOutcomeColumns();
    auto* c = core();
    const QStringList regions = {"g1|g0|North|1|n", "g2|g0|South|1|s"};
    // Nobody is logged in: no grant follows.
    addOutcomeRows("add region", {[c] { return c->AddOneRegion("East", "g0", 2, "e"); },
                                  "AddRegion(East|g0|2|e)",
                                  added<tabREGIONINFO>("g9"),
                                  "regions",
                                  regions + QStringList{"g9|g0|East|2|e"},
                                  {"signalAddRegion(g9|g0|East|2|e)"}});
    addOutcomeRows("edit region", {[c] { return c->EditOneRegion("g1", "Upper", "u"); },
                                   "EditRegion(g1|Upper|u)",
                                   Reply(),
                                   "regions",
                                   {"g1|g0|Upper|1|u", "g2|g0|South|1|s"},
                                   {"signalEditRegioin(g1|g0|Upper|1|u)"}});
    addOutcomeRows("edit uncached region", {[c] { return c->EditOneRegion("gZ", "Upper", "u"); },
                                            "EditRegion(gZ|Upper|u)",
                                            Reply(),
                                            "regions",
                                            regions,
                                            {}});
    // Its channels stay filed.
    addOutcomeRows(
        "delete region",
        {[c] { return c->DeleteOneRegion("g1"); },
         "DeleteRegion(g1)",
         Reply(),
         "regions",
         {"g2|g0|South|1|s"},
         {"signalDeleteRegionChannl(g1, c1)", "signalDeleteRegion(g1)"},
         {{"region channels", {}}, {"video grants", {"r1|g2"}}, {"alarm grants", {"r1|g2"}}}});
    addOutcomeRows("file a cached channel",
                   {[c] { return c->AddRegionChannel("g2", "c2", "Gate"); },
                    "AddRegionChannel(g2|c2|Gate)",
                    Reply(),
                    "region channels",
                    {"g1|c1|Door|d1|1", "g2|c2|Gate|d1|2"},
                    {"signalAddRegionChannel(g2|c2|Gate|d1|2)"}});
    addOutcomeRows("file an uncached channel",
                   {[c] { return c->AddRegionChannel("g2", "cX", "Gate"); },
                    "AddRegionChannel(g2|cX|Gate)",
                    Reply(),
                    "region channels",
                    {"g1|c1|Door|d1|1", "g2|cX|Gate||0"},
                    {"signalAddRegionChannel(g2|cX|Gate||0)"}});
    addOutcomeRows("rename a filing", {[c] { return c->EditRegionChannel("g1", "c1", "Porch"); },
                                       "EditRegionChannel(g1|c1|Porch)",
                                       Reply(),
                                       "region channels",
                                       {"g1|c1|Porch|d1|1"},
                                       {"signalEditRegionChannel(g1|c1|Porch|d1|1)"}});
    addOutcomeRows("rename a filing of an uncached channel",
                   {[c] { return c->EditRegionChannel("g1", "cX", "Porch"); },
                    "EditRegionChannel(g1|cX|Porch)",
                    Reply(),
                    "region channels",
                    {"g1|c1|Door|d1|1", "g1|cX|Porch||0"},
                    {"signalEditRegionChannel(g1|cX|Porch||0)"}});
    addOutcomeRows("unfile a channel", {[c] { return c->DeleteRegionChannel("g1", "c1"); },
                                        "DeleteRegionChannel(g1|c1)",
                                        Reply(),
                                        "region channels",
                                        {},
                                        {"signalDeleteRegionChannl(g1, c1)"}});
}

void tst_Regions::singleRequests()
{
    checkOutcome();
}

void tst_Regions::addRegionGrants_data()
{
    QTest::addColumn<QString>("role"); // empty: nobody logged in
    QTest::addColumn<Scripts>("scripts");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("grants"); // the grant requests after AddRegion
    QTest::addColumn<bool>("regionCreated");

    const QStringList all = {"AddVideoRegion(r1|g9)", "AddAlarmRegion(r1|g9)",
                             "AddVideoRegion(88341189|g9)", "AddAlarmRegion(88341189|g9)"};
    QTest::addRow("nobody logged in") << QString() << Scripts() << true << QStringList() << true;
    QTest::addRow("own role, then the administrators'") << "r1" << Scripts() << true << all << true;
    QTest::addRow("the administrators' own role")
        << kAdmins << Scripts() << true
        << QStringList{"AddVideoRegion(88341189|g9)", "AddAlarmRegion(88341189|g9)"} << true;
    QTest::addRow("first grant refused stops the rest")
        << "r1" << Scripts{{"AddVideoRegion", Reply::refuse()}} << false
        << QStringList(all.mid(0, 1)) << true;
    QTest::addRow("own alarm grant fails") << "r1" << Scripts{{"AddAlarmRegion", Reply::code(-1)}}
                                           << false << QStringList(all.mid(0, 2)) << true;
    QTest::addRow("administrators' video grant times out")
        << "r1" << Scripts{{"AddVideoRegion", Reply()}, {"AddVideoRegion", Reply::timeOut()}}
        << false << QStringList(all.mid(0, 3)) << true;
    QTest::addRow("last grant fails")
        << "r1" << Scripts{{"AddAlarmRegion", Reply()}, {"AddAlarmRegion", Reply::code(-2)}}
        << false << all << true;
    QTest::addRow("region refused: no grant")
        << "r1" << Scripts{{"AddRegion", Reply::refuse()}} << false << QStringList() << false;
    QTest::addRow("region failed: no grant")
        << "r1" << Scripts{{"AddRegion", Reply::code(-1)}} << false << QStringList() << false;
}

void tst_Regions::addRegionGrants()
{
    QFETCH(QString, role);
    QFETCH(Scripts, scripts);
    QFETCH(bool, ok);
    QFETCH(QStringList, grants);
    QFETCH(bool, regionCreated);
    if (!role.isEmpty())
        QVERIFY(logIn("user", role));
    cache()->setList_role_region_info({});
    cache()->setList_role_alarm_info({});
    scriptAll(scripts); // before the region's answer: a row may script the region first
    sdk().script("AddRegion", added<tabREGIONINFO>("g9"));
    SignalLog signalLog;

    QCOMPARE(core()->AddOneRegion("East", "g0", 2, "e"), ok);
    QCOMPARE(requestTexts(), QStringList{"AddRegion(East|g0|2|e)"} + grants);
    const QString region = "g9|g0|East|2|e";
    QCOMPARE(texts(cache()->list_region_info()).contains(region), regionCreated);
    QCOMPARE(signalLog.lines,
             regionCreated ? QStringList{"signalAddRegion(" + region + ")"} : QStringList());
    // Exactly the grants the server confirmed are cached.
    QStringList confirmed = ok ? grants : QStringList(grants.mid(0, grants.size() - 1));
    QStringList cachedGrants;
    for (const QString& g : texts(cache()->list_role_region_info()))
        cachedGrants << "AddVideoRegion(" + g + ")";
    for (const QString& g : texts(cache()->list_region_alarm_info()))
        cachedGrants << "AddAlarmRegion(" + g + ")";
    std::sort(confirmed.begin(), confirmed.end());
    std::sort(cachedGrants.begin(), cachedGrants.end());
    QCOMPARE(cachedGrants, confirmed);
}

void tst_Regions::addRegionPropertiesBeforeRequest()
{
    QObject& result = cache()->dataObj();
    for (const char* name : {"regionname", "regionparentuid", "regionlevel", "describe"})
        result.setProperty(name, QStringLiteral("stale"));
    QVariantList seen;
    sdk().onRequest = [&](const SdkCall& call) {
        if (call.op == QLatin1String("AddRegion"))
            seen = {result.property("regionname"), result.property("regionparentuid"),
                    result.property("regionlevel"), result.property("describe")};
    };
    sdk().script("AddRegion", added<tabREGIONINFO>("g9"));
    QVERIFY(core()->AddOneRegion("East", "g0", 2, "e"));
    QCOMPARE(seen,
             (QVariantList{QStringLiteral("East"), QStringLiteral("g0"), 2, QStringLiteral("e")}));
    QCOMPARE(seen.value(2).userType(), int(QMetaType::Int));
}

void tst_Regions::editRegionKeepsParentAndLevel_data()
{
    QTest::addColumn<QString>("guid");
    QTest::addColumn<QStringList>("regions");
    QTest::addColumn<QStringList>("emitted");
    // The role may watch g1 only.
    QTest::addRow("region the role sees")
        << "g1" << QStringList{"g1|g0|Upper|1|u", "g2|g0|South|1|s"}
        << QStringList{"signalEditRegioin(g1|g0|Upper|1|u)"};
    QTest::addRow("region hidden from the role")
        << "g2" << QStringList{"g1|g0|North|1|n", "g2|g0|Upper|1|u"}
        << QStringList{"signalEditRegioin(g2|g0|Upper|1|u)"};
    QTest::addRow("region in no cached list")
        << "gZ" << QStringList{"g1|g0|North|1|n", "g2|g0|South|1|s"} << QStringList();
}

void tst_Regions::editRegionKeepsParentAndLevel()
{
    QFETCH(QString, guid);
    QFETCH(QStringList, regions);
    QFETCH(QStringList, emitted);
    QVERIFY(logIn("user", "r1"));
    cache()->setList_role_region_info({{"r1", "g1"}});
    SignalLog signalLog;
    QVERIFY(core()->EditOneRegion(guid, "Upper", "u"));
    QCOMPARE(requestTexts(), QStringList{"EditRegion(" + guid + "|Upper|u)"});
    QCOMPARE(texts(cache()->list_region_info()), regions);
    QCOMPARE(signalLog.lines, emitted);
}

void tst_Regions::deleteChannelFromEveryRegion_data()
{
    addCompoundColumns();
    const QStringList three = {"DeleteRegionChannel(g1|c1)", "DeleteRegionChannel(g2|c1)",
                               "DeleteRegionChannel(g3|c1)"};
    QTest::addRow("filed in three regions")
        << "c1" << Scripts() << true << three << QStringList{"g1|c2|Cam 2|d1|2"};
    QTest::addRow("second removal fails, third never sent")
        << "c1"
        << Scripts{{"DeleteRegionChannel", Reply()}, {"DeleteRegionChannel", Reply::code(-1)}}
        << false << QStringList(three.mid(0, 2))
        << QStringList{"g2|c1|Cam 1|d1|1", "g3|c1|Cam 1|d1|1", "g1|c2|Cam 2|d1|2"};
    QTest::addRow("first removal refused")
        << "c1" << Scripts{{"DeleteRegionChannel", Reply::refuse()}} << false
        << QStringList(three.mid(0, 1))
        << QStringList{"g1|c1|Cam 1|d1|1", "g2|c1|Cam 1|d1|1", "g3|c1|Cam 1|d1|1",
                       "g1|c2|Cam 2|d1|2"};
    QTest::addRow("filed nowhere") << "c7" << Scripts() << true << QStringList()
                                   << QStringList{"g1|c1|Cam 1|d1|1", "g2|c1|Cam 1|d1|1",
                                                  "g3|c1|Cam 1|d1|1", "g1|c2|Cam 2|d1|2"};
    QTest::addRow("guid differing in case") << "C1" << Scripts() << true << QStringList()
                                            << QStringList{"g1|c1|Cam 1|d1|1", "g2|c1|Cam 1|d1|1",
                                                           "g3|c1|Cam 1|d1|1", "g1|c2|Cam 2|d1|2"};
}

void tst_Regions::deleteChannelFromEveryRegion()
{
    const DeviceChancelInfo c1{"c1", "Cam 1", "d1", 1};
    cache()->setList_region_channel_info(
        {{"g1", c1}, {"g2", c1}, {"g3", c1}, {"g1", {"c2", "Cam 2", "d1", 2}}});
    checkCompound([](const QString& channel) { return core()->deleteRegionChannel(channel); },
                  [] { return texts(cache()->list_region_channel_info()); });
}

QTEST_GUILESS_MAIN(tst_Regions)
#include "tst_regions.moc"
