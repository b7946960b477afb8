#include "callbackevent_p.h"
#include "eventreceiver.h"
#include "recordkinds.h"
#include "signallog.h"
#include "sinks_p.h"
#include "userdatacache.h"

#include <QtCore/QAbstractEventDispatcher>
#include <QtTest/QtTest>

#include <cstring>
#include <thread>

using namespace recordkinds;
using DATACore::EventReceiver;

namespace {

QObject& dataObj()
{
    return UserDataCache::instance()->dataObj();
}

// What a waiting call reads once the wait ends.
QStringList resultState()
{
    QStringList s{dataObj().property("sid").toString(), dataObj().property("result").toString(),
                  dataObj().property("guid").toString()};
    for (const KindOps& k : kinds())
        s << k.cached();
    return s;
}

void deliver(EventReceiver& r, int type, int sid, int result)
{
    IAccountCallBackEvent ev(static_cast<QEvent::Type>(type));
    ev.sid = sid;
    ev.result = result;
    QCoreApplication::sendEvent(&r, &ev);
}

QList<QAbstractEventDispatcher::TimerInfo> timers(QObject* o)
{
    return QAbstractEventDispatcher::instance()->registeredTimers(o);
}

int firstTimerId(QObject* o)
{
    const auto running = timers(o);
    return running.isEmpty() ? -1 : running.first().timerId;
}

// What the real timer would deliver after 15 s.
void fireTimer(QObject* o, int timerId)
{
    QTimerEvent ev(timerId);
    QCoreApplication::sendEvent(o, &ev);
}

const QString kStale = QStringLiteral("stale|s|1");

} // namespace

class tst_EventReceiver : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void dispatch_data();
    void dispatch();
    void callbackFromAnotherThreadIsHandledOnReceiverThread();
    void timeOutFlag();
    void timeOutEndsWaitOnce();
    void callbackStopsRunningTimer();
    void callbackWhileNoTimerRuns();
    void secondStartStopsFirstTimer();
    void foreignCustomEventIsIgnored_data();
    void foreignCustomEventIsIgnored();
    void singleton();
    void currentGuid();
};

void tst_EventReceiver::init()
{
    clearCache();
    dataObj().setProperty("sid", -99);
    dataObj().setProperty("result", false);
    dataObj().setProperty("guid", QStringLiteral("previous"));
}

// The dispatch table of every callback event type, written out by hand.
void tst_EventReceiver::dispatch_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("publishesGuid");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<int>("operatorType");

    struct Row {
        int type;
        const char* callback;
        const char* list;
        bool guid;
        const char* signal;
        int op;
    };
    const Row rows[] = {
        {1015, "OnAccountAdd", "", false, "signal_account", 1},
        {1016, "OnAccountDelete", "", false, "signal_account", 8},
        {1017, "OnAccountEdit", "", false, "signal_account", 15},
        {1018, "OnAccountGet", "accounts", false, "signal_account", 22},
        {1019, "OnAccountLogin", "", false, "", 0},
        {1020, "OnAccountLogout", "", false, "", 0},
        {1021, "OnDeviceAdd", "", true, "signal_device", 3},
        {1022, "OnDeviceDelete", "", false, "signal_device", 10},
        {1023, "OnDeviceEdit", "", false, "signal_device", 17},
        {1024, "OnDeviceGet", "devices", false, "signal_device", 23},
        {1025, "OnDeviceChannelGet", "deviceChannels", false, "signal_device", 24},
        {1026, "OnViewAdd", "", true, "signal_View", 6},
        {1027, "OnViewDelete", "", false, "signal_View", 13},
        {1028, "OnViewEdit", "", false, "signal_View", 20},
        {1029, "OnViewGet", "views", false, "signal_View", 26},
        {1030, "OnViewChannelAdd", "", false, "signal_View", 7},
        {1031, "OnViewChannelDelete", "", false, "signal_View", 14},
        {1032, "OnViewChannelEdit", "", false, "signal_View", 21},
        {1033, "OnViewChannelGet", "viewChannels", false, "signal_View", 27},
        {1034, "OnRegionAdd", "", true, "signal_Region", 4},
        {1035, "OnRegionDelete", "", false, "signal_Region", 11},
        {1036, "OnRegionEdit", "", false, "signal_Region", 18},
        {1037, "OnRegionGet", "regions", false, "signal_Region", 28},
        {1038, "OnRegionChannelAdd", "", false, "signal_Region", 5},
        {1039, "OnRegionChannelDelete", "", false, "signal_Region", 12},
        {1040, "OnRegionChannelEdit", "", false, "signal_Region", 19},
        {1041, "OnRegionChannelGet", "regionChannels", false, "signal_Region", 29},
        {1042, "OnRoleAdd", "", true, "signal_role", 2},
        {1043, "OnRoleDelete", "", false, "signal_role", 9},
        {1044, "OnRoleEdit", "", false, "signal_role", 16},
        {1045, "OnRoleGet", "roles", false, "signal_role", 25},
        {1046, "OnVideoRegionAdd", "", false, "", 0},
        {1047, "OnVideoRegionDelete", "", false, "", 0},
        {1048, "OnVideoRegionGet", "roleRegions", false, "", 0},
        {1049, "OnAlarmRegionAdd", "", false, "", 0},
        {1050, "OnAlarmRegionDelete", "", false, "", 0},
        {1051, "OnAlarmRegionGet", "regionAlarms", false, "", 0},
        {1052, "OnServerAdd", "", true, "", 0},
        {1053, "OnServerDelete", "", false, "", 0},
        {1054, "OnServerEdit", "", false, "", 0},
        {1055, "OnServerGet", "servers", false, "", 0},
        {1056, "OnRolePermissionAdd", "", true, "", 0},
        {1057, "OnRolePermissionDelete", "", false, "", 0},
        {1058, "OnRolePermissionGet", "rolePermissions", false, "", 0},
        {1059, "unused", "", false, "", 0},
        {1060, "unused", "", false, "", 0},
        {1061, "user views", "userViews", false, "", 0},
    };
    QCOMPARE(int(std::size(rows)), 47);
    const struct {
        const char* name;
        int result;
    } outcomes[] = {{"ok", 0}, {"ok positive", 3}, {"failed", -2}};
    for (const Row& row : rows) {
        for (const auto& outcome : outcomes) {
            QTest::addRow("%d %s %s", row.type, row.callback, outcome.name)
                << row.type << outcome.result << QString::fromLatin1(row.list) << row.guid
                << QString::fromLatin1(row.signal) << row.op;
        }
    }
}

void tst_EventReceiver::dispatch()
{
    QFETCH(int, type);
    QFETCH(int, result);
    QFETCH(QString, list);
    QFETCH(bool, publishesGuid);
    QFETCH(QString, signal);
    QFETCH(int, operatorType);
    const bool ok = result >= 0;
    dataObj().setProperty("result", !ok);
    for (const KindOps& k : kinds())
        k.setCached({k.normalise(kStale)});

    // As a sink builds it: a failed answer carries nothing but sid and result.
    IAccountCallBackEvent ev(static_cast<QEvent::Type>(type));
    ev.sid = 42;
    ev.result = result;
    if (ok) {
        ev.guid = QStringLiteral("new-guid");
        for (const KindOps& k : kinds())
            k.fillEvent(ev, {QStringLiteral("fresh-%1|x|2").arg(k.name)});
    }
    EventReceiver receiver;
    SignalLog log(&receiver);
    QStringList stateAtCompletion;
    log.onCompletion = [&stateAtCompletion] { stateAtCompletion = resultState(); };
    QCoreApplication::sendEvent(&receiver, &ev);

    QCOMPARE(dataObj().property("sid"), QVariant(42));
    QCOMPARE(dataObj().property("result"), QVariant(ok));
    const QString guid = !publishesGuid ? QStringLiteral("previous")
                         : ok           ? QStringLiteral("new-guid")
                                        : QString();
    QCOMPARE(dataObj().property("guid").toString(), guid);
    for (const KindOps& k : kinds()) {
        QStringList expected{k.normalise(kStale)};
        if (k.name == list)
            expected = ok ? QStringList{k.normalise(QStringLiteral("fresh-%1|x|2").arg(k.name))}
                          : QStringList{};
        QCOMPARE(k.cached(), expected);
    }

    QStringList expectedSignals;
    if (!signal.isEmpty())
        expectedSignals << QStringLiteral("%1(%2,42,%3)").arg(signal).arg(operatorType).arg(result);
    expectedSignals << QStringLiteral("signal_least_callback_coming()");
    QCOMPARE(log.lines, expectedSignals);
    // The waiting call must find everything in place when its wait ends.
    QCOMPARE(stateAtCompletion, resultState());
}

void tst_EventReceiver::callbackFromAnotherThreadIsHandledOnReceiverThread()
{
    EventReceiver receiver;
    auto* sink = DATACore::IAccountEvent::instance();
    sink->setTarget(&receiver);
    QThread* handledOn = nullptr;
    connect(&receiver, &EventReceiver::signal_account,
            [&handledOn] { handledOn = QThread::currentThread(); });
    QSignalSpy done(&receiver, &EventReceiver::signal_least_callback_coming);

    tabACCOUNT accounts[2] = {};
    std::strcpy(accounts[0].userName, "alice");
    std::strcpy(accounts[1].userName, "bob");
    QThread* sdkThread = nullptr;
    int returned = -1;
    std::thread sdk([&] {
        sdkThread = QThread::currentThread();
        returned = sink->OnAccountGet(9, 0, accounts, 2);
    });
    sdk.join();
    sink->setTarget(nullptr);

    QCOMPARE(returned, 0);
    QCOMPARE(done.count(), 0); // posted, not handled on the SDK's thread
    QTRY_COMPARE(done.count(), 1);
    QVERIFY(sdkThread != QThread::currentThread());
    QCOMPARE(handledOn, QThread::currentThread());
    QCOMPARE(dataObj().property("sid"), QVariant(9));
    QCOMPARE(kind(QStringLiteral("accounts")).cached(),
             (QStringList{QStringLiteral("alice||"), QStringLiteral("bob||")}));
}

void tst_EventReceiver::timeOutFlag()
{
    EventReceiver receiver;
    QVERIFY(receiver.timeOutFlag());
    receiver.startTimeOut();
    QVERIFY(receiver.timeOutFlag());
    fireTimer(&receiver, firstTimerId(&receiver));
    QVERIFY(!receiver.timeOutFlag());
    deliver(receiver, 1015, 1, 0); // an answer does not clear it ...
    QVERIFY(!receiver.timeOutFlag());
    receiver.startTimeOut(); // ... the next wait does
    QVERIFY(receiver.timeOutFlag());
    deliver(receiver, 1015, 2, 0);
    QVERIFY(receiver.timeOutFlag());
}

void tst_EventReceiver::timeOutEndsWaitOnce()
{
    EventReceiver receiver;
    SignalLog log(&receiver);
    dataObj().setProperty("sid", 5);
    receiver.startTimeOut();
    const auto running = timers(&receiver);
    QCOMPARE(running.size(), 1);
    QCOMPARE(running.first().interval, 15000);
    QCOMPARE(running.first().timerType, Qt::CoarseTimer);

    fireTimer(&receiver, running.first().timerId);
    QCOMPARE(log.lines, QStringList{QStringLiteral("signal_least_callback_coming()")});
    QCOMPARE(dataObj().property("result"), QVariant(false));
    QCOMPARE(dataObj().property("sid"), QVariant(5));
    QVERIFY(!receiver.timeOutFlag());
    QVERIFY(timers(&receiver).isEmpty());
}

void tst_EventReceiver::callbackStopsRunningTimer()
{
    EventReceiver receiver;
    QSignalSpy done(&receiver, &EventReceiver::signal_least_callback_coming);
    receiver.startTimeOut();
    QCOMPARE(timers(&receiver).size(), 1);

    deliver(receiver, 1024, 7, 0);
    QVERIFY(timers(&receiver).isEmpty());
    QCOMPARE(done.count(), 1);
    QVERIFY(receiver.timeOutFlag());
    QCOMPARE(dataObj().property("result"), QVariant(true));
}

void tst_EventReceiver::callbackWhileNoTimerRuns()
{
    EventReceiver receiver;
    SignalLog log(&receiver);
    deliver(receiver, 1043, 8, -1);
    QCOMPARE(log.lines, (QStringList{QStringLiteral("signal_role(9,8,-1)"),
                                     QStringLiteral("signal_least_callback_coming()")}));
    QCOMPARE(dataObj().property("sid"), QVariant(8));
    QCOMPARE(dataObj().property("result"), QVariant(false));
    QVERIFY(receiver.timeOutFlag());
    QVERIFY(timers(&receiver).isEmpty());
}

void tst_EventReceiver::secondStartStopsFirstTimer()
{
    EventReceiver receiver;
    QSignalSpy done(&receiver, &EventReceiver::signal_least_callback_coming);
    receiver.startTimeOut();
    receiver.startTimeOut();
    QCOMPARE(timers(&receiver).size(), 1);

    deliver(receiver, 1015, 1, 0);
    QVERIFY(timers(&receiver).isEmpty());
    QCOMPARE(done.count(), 1);
    QVERIFY(receiver.timeOutFlag());
}

void tst_EventReceiver::foreignCustomEventIsIgnored_data()
{
    QTest::addColumn<int>("type");
    QTest::addRow("QEvent::User") << int(QEvent::User);
    QTest::addRow("just below the callback range") << 1014;
    QTest::addRow("just above the callback range") << 1062;
    QTest::addRow("QEvent::MaxUser") << int(QEvent::MaxUser);
    // The application may post its own events with the callback numbers.
    QTest::addRow("first callback number") << 1015;
    QTest::addRow("a fetch's number") << 1024;
    QTest::addRow("last callback number") << 1061;
}

void tst_EventReceiver::foreignCustomEventIsIgnored()
{
    QFETCH(int, type);
    EventReceiver receiver;
    SignalLog log(&receiver);
    dataObj().setProperty("sid", 5);
    dataObj().setProperty("result", true);
    receiver.startTimeOut();
    const int timerId = firstTimerId(&receiver);

    QEvent foreign(static_cast<QEvent::Type>(type));
    QCoreApplication::sendEvent(&receiver, &foreign);

    QVERIFY(log.lines.isEmpty());
    QCOMPARE(dataObj().property("sid"), QVariant(5));
    QCOMPARE(dataObj().property("result"), QVariant(true));
    const auto running = timers(&receiver);
    QCOMPARE(running.size(), 1);
    QCOMPARE(running.first().timerId, timerId);
    QVERIFY(receiver.timeOutFlag());
}

void tst_EventReceiver::singleton()
{
    EventReceiver* first = EventReceiver::instance();
    QVERIFY(first);
    QCOMPARE(EventReceiver::instance(), first);
    QVERIFY(!first->parent());
    QCOMPARE(first->thread(), QThread::currentThread());
}

void tst_EventReceiver::currentGuid()
{
    EventReceiver receiver;
    QVERIFY(receiver.current_guid().isEmpty());
    receiver.setCurrent_guid(QStringLiteral("g-1"));
    QCOMPARE(receiver.current_guid(), QStringLiteral("g-1"));
    receiver.setCurrent_guid(QString());
    QVERIFY(receiver.current_guid().isEmpty());
}

QTEST_GUILESS_MAIN(tst_EventReceiver)
#include "tst_eventreceiver.moc"
