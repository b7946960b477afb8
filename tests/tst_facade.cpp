// The facade's connection set-up, its synchronous request and the fetches,
// against the scripted SDK.
#include "support/scriptedsdk.h"

#include "orsadatacenter.h"
#include "support/singletons.h"

#include <QTextCodec>
#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QScopeGuard>
#include <QtTest/QtTest>

#include <functional>

using namespace DATACore;

namespace {

tabREGIONCHANNELINFO regionChannel(const char* region, const char* channel, const char* dev)
{
    tabREGIONCHANNELINFO r{};
    ScriptedSdk::setText(r.regionGuid, region);
    ScriptedSdk::setText(r.channelInfo.channelGuid, channel);
    ScriptedSdk::setText(r.channelInfo.devGuid, dev);
    return r;
}

tabCHANNELINFO deviceChannel(const char* channel, const char* dev, int no)
{
    tabCHANNELINFO c{};
    ScriptedSdk::setText(c.channelGuid, channel);
    ScriptedSdk::setText(c.devGuid, dev);
    c.channelNo = no;
    return c;
}

// One fetch, seen from outside: it runs the fetch with key and returns the
// number of records and ok.
struct Fetch {
    QString sdkOp;
    std::function<int(const QString& key, bool& ok)> run;
};

template <typename List>
std::function<int(const QString&, bool&)> counting(List (UserManagerCore::*fetch)(const QString&,
                                                                                  bool&))
{
    return [fetch](const QString& key, bool& ok) { return int((core()->*fetch)(key, ok).size()); };
}

} // namespace

Q_DECLARE_METATYPE(Fetch)
Q_DECLARE_METATYPE(Reply)

class tst_Facade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void exportFailsWithoutHub();
    void exportFailsWithoutSubInterface_data();
    void exportFailsWithoutSubInterface();
    void exportAsksAndRegistersInOrder();

    void fetchOutcome_data();
    void fetchOutcome();
    void fetchSendsKey_data();
    void fetchSendsKey();
    void refusedFetchStartsNoWait();
    void requestNumberZeroIsAccepted();
    void answerOnCallerThreadToo();
    void filteredFetches_data();
    void filteredFetches();
    void viewFetchDropsListOnFailure();
    void viewDataAfterRefusal();
    void bulkLoadOrderAndOutcome_data();
    void bulkLoadOrderAndOutcome();
    void realTimeOutEndsTheWait();

private:
    void exportScripted();
};

void tst_Facade::initTestCase()
{
    EventReceiver::instance();
}

void tst_Facade::init()
{
    sdk().reset();
    cache()->setList_account_Info({});
    cache()->setList_region_channel_info({});
    cache()->setList_device_channel_info({});
    cache()->setList_view_info({});
}

void tst_Facade::exportScripted()
{
    QVERIFY(
        core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("scripted"), 1, false));
    sdk().reset();
}

void tst_Facade::exportFailsWithoutHub()
{
    sdk().createFails = true;
    QVERIFY(
        !core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("nowhere"), 7, true));
    QVERIFY(!core()->BizOrsaClient_Create_Success());
    QCOMPARE(sdk().callNames(), QStringList{QStringLiteral("CreateOrsa")});
    QCOMPARE(sdk().calls().first().args,
             (QStringList{QStringLiteral("nowhere"), QStringLiteral("7"), QStringLiteral("1")}));
}

void tst_Facade::exportFailsWithoutSubInterface_data()
{
    QTest::addColumn<QString>("missing");
    for (const char* getter :
         {"GetAccountInterface", "GetViewInterface", "GetAlarmRegionInterface"})
        QTest::newRow(getter) << QString::fromLatin1(getter);
}

void tst_Facade::exportFailsWithoutSubInterface()
{
    QFETCH(QString, missing);
    sdk().nullInterface = missing;
    QVERIFY(
        !core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("scripted"), 1, false));
    QVERIFY(core()->BizOrsaClient_Create_Success());
    const QStringList names = sdk().callNames();
    // All nine are asked for before any is tested; no sink is registered.
    QCOMPARE(names.filter(QRegularExpression(QStringLiteral("^Get"))).size(), 9);
    QVERIFY(names.filter(QRegularExpression(QStringLiteral("^Set"))).isEmpty());
}

void tst_Facade::exportAsksAndRegistersInOrder()
{
    QVERIFY(
        core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("scripted"), 1, false));
    QVERIFY(core()->BizOrsaClient_Create_Success());
    const QStringList expected = {
        QStringLiteral("CreateOrsa"),
        QStringLiteral("GetAccountInterface"),
        QStringLiteral("GetDeviceInterface"),
        QStringLiteral("GetViewInterface"),
        QStringLiteral("GetRegionInterface"),
        QStringLiteral("GetRoleInterface"),
        QStringLiteral("GetServerInterface"),
        QStringLiteral("GetRolePermissionInterface"),
        QStringLiteral("GetVideoRegionInterface"),
        QStringLiteral("GetAlarmRegionInterface"),
        QStringLiteral("SetAccountEvent"),
        QStringLiteral("SetDeviceEvent"),
        QStringLiteral("SetViewEvent"),
        QStringLiteral("SetRegionEvent"),
        QStringLiteral("SetRoleEvent"),
        QStringLiteral("SetServerEvent"),
        QStringLiteral("SetRolePermissionEvent"),
        QStringLiteral("SetVideoRegionEvent"),
        QStringLiteral("SetAlarmRegionEvent"),
    };
    QCOMPARE(sdk().callNames(), expected);
    QVERIFY(sdk().accountSink && sdk().deviceSink && sdk().viewSink && sdk().regionSink &&
            sdk().roleSink && sdk().serverSink && sdk().permissionSink && sdk().videoSink &&
            sdk().alarmSink);
}

void tst_Facade::fetchOutcome_data()
{
    QTest::addColumn<Fetch>("fetch");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("ok");

    tabACCOUNT a{}, b{};
    ScriptedSdk::setText(a.userName, "alice");
    ScriptedSdk::setText(b.userName, "bob");
    const Fetch accounts{QStringLiteral("QueryAccount"),
                         counting(&UserManagerCore::getAccountFromSDK)};
    QTest::addRow("answered with records")
        << accounts << Reply::with(0, QVector<tabACCOUNT>{a, b}) << 2 << true;
    QTest::addRow("answered with none") << accounts << Reply::code(0) << 0 << true;
    QTest::addRow("answered with failure")
        << accounts << Reply::with(-3, QVector<tabACCOUNT>{a}) << 0 << true;
    QTest::addRow("refused") << accounts << Reply::refuse() << 0 << false;
    QTest::addRow("timed out") << accounts << Reply::timeOut() << 0 << false;

    tabROLEINFO role{};
    tabSERVERINFO server{};
    tabVIDEOREGIONINFO video{};
    QTest::addRow("roles") << Fetch{QStringLiteral("QueryRole"),
                                    counting(&UserManagerCore::getRoleFromSDK)}
                           << Reply::with(0, QVector<tabROLEINFO>{role, role}) << 2 << true;
    QTest::addRow("servers") << Fetch{QStringLiteral("QueryServer"),
                                      counting(&UserManagerCore::getServersFromSDK)}
                             << Reply::with(1, QVector<tabSERVERINFO>{server}) << 1 << true;
    QTest::addRow("video grants") << Fetch{QStringLiteral("QueryVideoRegion"),
                                           counting(&UserManagerCore::getRegionVideoFromSDK)}
                                  << Reply::with(0,
                                                 QVector<tabVIDEOREGIONINFO>{video, video, video})
                                  << 3 << true;
    QTest::addRow("regions, failed")
        << Fetch{QStringLiteral("QueryRegion"), counting(&UserManagerCore::getOneRegionFromSDK)}
        << Reply::code(-1) << 0 << true;
}

void tst_Facade::fetchOutcome()
{
    QFETCH(Fetch, fetch);
    QFETCH(Reply, reply);
    QFETCH(int, records);
    QFETCH(bool, ok);
    exportScripted();
    sdk().script(fetch.sdkOp, reply);
    bool gotOk = !ok;
    QCOMPARE(fetch.run(QString(), gotOk), records);
    QCOMPARE(gotOk, ok);
    QCOMPARE(sdk().callNames(true), QStringList{fetch.sdkOp});
    QVERIFY(!receiverTimerRuns());
}

// Texts reach the SDK in the locale's encoding, also one the application set,
// where the SDK (decoding the same way) reads them back unchanged.
void tst_Facade::fetchSendsKey_data()
{
    QTest::addColumn<QByteArray>("localeCodec");
    QTest::addRow("UTF-8") << QByteArray("UTF-8");
    QTest::addRow("GB18030") << QByteArray("GB18030");
}

void tst_Facade::fetchSendsKey()
{
    QFETCH(QByteArray, localeCodec);
    QTextCodec* const previous = QTextCodec::codecForLocale();
    const auto restore = qScopeGuard([previous] { QTextCodec::setCodecForLocale(previous); });
    QTextCodec::setCodecForLocale(QTextCodec::codecForName(localeCodec));
    QVERIFY(QTextCodec::codecForLocale()->name() == localeCodec);

    exportScripted();
    bool ok = false;
    core()->getDevChannelInfoFromSDK(QStringLiteral("dev-\u4e2d"), ok);
    QVERIFY(ok);
    QCOMPARE(sdk().calls().first().op, QStringLiteral("QueryDeviceChannel"));
    QCOMPARE(sdk().calls().first().args, QStringList{QStringLiteral("dev-\u4e2d")});
}

void tst_Facade::refusedFetchStartsNoWait()
{
    exportScripted();
    cache()->dataObj().setProperty("result", true);
    sdk().script(QStringLiteral("QueryDevice"), Reply::refuse(-7));
    QSignalSpy done(EventReceiver::instance(), &EventReceiver::signal_least_callback_coming);
    bool ok = true;
    QVERIFY(core()->getDeviceFromSDK(QString(), ok).isEmpty());
    QVERIFY(!ok);
    QVERIFY(!receiverTimerRuns());
    QCOMPARE(done.count(), 0);
    // No wait began: the result of the previous request was not reset.
    QCOMPARE(cache()->dataObj().property("result").toBool(), true);
}

void tst_Facade::requestNumberZeroIsAccepted()
{
    exportScripted();
    Reply reply = Reply::with(0, QVector<tabCHANNELINFO>{deviceChannel("c1", "d1", 1)});
    reply.sid = 0;
    sdk().script(QStringLiteral("QueryDeviceChannel"), reply);
    bool ok = false;
    QCOMPARE(core()->getDevChannelInfoFromSDK(QString(), ok).size(), 1);
    QVERIFY(ok);
}

void tst_Facade::answerOnCallerThreadToo()
{
    exportScripted();
    Reply reply = Reply::with(0, QVector<tabCHANNELINFO>{deviceChannel("c1", "d1", 1)});
    reply.fromThread = false;
    sdk().script(QStringLiteral("QueryDeviceChannel"), reply);
    bool ok = false;
    QCOMPARE(core()->getDevChannelInfoFromSDK(QString(), ok).size(), 1);
    QVERIFY(ok);
}

void tst_Facade::filteredFetches_data()
{
    QTest::addColumn<bool>("regionChannels");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("channels");

    QTest::addRow("region channels, every region")
        << true << QString() << QStringList{"c1", "c2", "c3"};
    QTest::addRow("region channels of r1")
        << true << QStringLiteral("r1") << QStringList{"c1", "c3"};
    QTest::addRow("region channels, other case") << true << QStringLiteral("R1") << QStringList{};
    QTest::addRow("device channels, every device")
        << false << QString() << QStringList{"c1", "c2", "c3"};
    QTest::addRow("device channels of d2") << false << QStringLiteral("d2") << QStringList{"c2"};
    QTest::addRow("device channels, other case") << false << QStringLiteral("D2") << QStringList{};
}

void tst_Facade::filteredFetches()
{
    QFETCH(bool, regionChannels);
    QFETCH(QString, key);
    QFETCH(QStringList, channels);
    exportScripted();
    // The server delivers more than the key asks for; the fetch filters the cache.
    QList<DeviceChancelInfo> got;
    bool ok = false;
    if (regionChannels) {
        sdk().script(
            QStringLiteral("QueryRegionChannel"),
            Reply::with(0, QVector<tabREGIONCHANNELINFO>{regionChannel("r1", "c1", "d1"),
                                                         regionChannel("r2", "c2", "d2"),
                                                         regionChannel("r1", "c3", "d1")}));
        got = core()->getRegionChannelFromSDK(key, ok);
    } else {
        sdk().script(QStringLiteral("QueryDeviceChannel"),
                     Reply::with(0, QVector<tabCHANNELINFO>{deviceChannel("c1", "d1", 1),
                                                            deviceChannel("c2", "d2", 1),
                                                            deviceChannel("c3", "d1", 2)}));
        got = core()->getDevChannelInfoFromSDK(key, ok);
    }
    QVERIFY(ok);
    QStringList gotGuids;
    for (const DeviceChancelInfo& c : got)
        gotGuids << c.channelGuid;
    QCOMPARE(gotGuids, channels);
}

void tst_Facade::viewFetchDropsListOnFailure()
{
    exportScripted();
    tabVIEWINFO v{};
    ScriptedSdk::setText(v.guid, "v1");
    sdk().script(QStringLiteral("QueryView"), Reply::with(0, QVector<tabVIEWINFO>{v}));
    bool ok = false;
    QCOMPARE(core()->getViewFromSDK(QString(), ok).size(), 1);
    cache()->setList_view_info({UViewInfo{QStringLiteral("kept"), QString(), 0}});
    sdk().script(QStringLiteral("QueryView"), Reply::code(-2));
    QVERIFY(core()->getViewFromSDK(QString(), ok).isEmpty());
    QVERIFY(ok);
}

void tst_Facade::viewDataAfterRefusal()
{
    exportScripted();
    cache()->setList_view_info({UViewInfo{QStringLiteral("cached"), QStringLiteral("v"), 4}});
    sdk().script(QStringLiteral("QueryView"), Reply::refuse());
    const QList<UViewInfo> views = core()->getViewData(QString());
    QCOMPARE(views.size(), 1);
    QCOMPARE(views.first().guid, QStringLiteral("cached"));
    QVERIFY(!receiverTimerRuns());

    // Answered with failure: the installed (empty) list comes back whatever the result.
    sdk().script(QStringLiteral("QueryView"), Reply::code(-1));
    QVERIFY(core()->getViewData(QString()).isEmpty());
}

void tst_Facade::bulkLoadOrderAndOutcome_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<Reply>("failure");
    QTest::addColumn<bool>("allFail");
    QTest::addRow("all succeed") << QString() << Reply() << false;
    QTest::addRow("one refused") << QStringLiteral("QueryDevice") << Reply::refuse() << false;
    QTest::addRow("one answered with failure")
        << QStringLiteral("QueryServer") << Reply::code(-5) << false;
    QTest::addRow("one timed out")
        << QStringLiteral("QueryRegionChannel") << Reply::timeOut() << false;
    QTest::addRow("every one refused") << QString() << Reply::refuse() << true;
}

void tst_Facade::bulkLoadOrderAndOutcome()
{
    QFETCH(QString, failing);
    QFETCH(Reply, failure);
    QFETCH(bool, allFail);
    exportScripted();
    const QStringList order = {
        QStringLiteral("QueryVideoRegion"),   QStringLiteral("QueryRegion"),
        QStringLiteral("QueryRegionChannel"), QStringLiteral("QueryDevice"),
        QStringLiteral("QueryDeviceChannel"), QStringLiteral("QueryView"),
        QStringLiteral("QueryViewChannel"),   QStringLiteral("QueryServer"),
        QStringLiteral("QueryAlarmRegion"),
    };
    if (allFail) {
        for (const QString& op : order)
            sdk().script(op, failure);
    } else if (!failing.isEmpty()) {
        sdk().script(failing, failure);
    }
    const bool expected = failing.isEmpty() && !allFail;
    QCOMPARE(core()->getCacheFromSDK(), expected);
    QCOMPARE(sdk().callNames(true), order);
    for (const SdkCall& call : sdk().calls())
        QCOMPARE(call.args, QStringList{QString()});
}

void tst_Facade::realTimeOutEndsTheWait()
{
    // The one test of the suite that sits through the receiver's real time-out.
    exportScripted();
    sdk().script(QStringLiteral("QueryRole"), Reply::silent());
    QSignalSpy done(EventReceiver::instance(), &EventReceiver::signal_least_callback_coming);
    bool ok = true;
    QVERIFY(core()->getRoleFromSDK(QString(), ok).isEmpty());
    QVERIFY(!ok);
    QCOMPARE(done.count(), 1);
    QVERIFY(!EventReceiver::instance()->timeOutFlag());
}

QTEST_GUILESS_MAIN(tst_Facade)
#include "tst_facade.moc"
