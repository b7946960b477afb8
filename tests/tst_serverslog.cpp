// Servers against the scripted SDK, the log of every operation that carries
// a password, and the refusal when a sub-interface is missing.
#include "support/opsfixture.h"

using namespace DATACore;
using namespace ops;

namespace {
// Distinctive enough that no other logged text contains it.
const char* const kPassword = "Pw-7781-secret";
} // namespace

class tst_ServersLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void singleRequests_data();
    void singleRequests();
    void noPasswordInTheLog_data();
    void noPasswordInTheLog();
    void failedReExportKeepsConnection_data();
    void failedReExportKeepsConnection();
};

void tst_ServersLog::initTestCase()
{
    // A disabled category would hide a logged password.
    QLoggingCategory::setFilterRules(QStringLiteral("orsa.datacenter.debug=true"));
    EventReceiver::instance();
    QVERIFY(exportScripted());
}

void tst_ServersLog::init()
{
    // Also restores the interfaces a row of missingInterfaceRefuses took away.
    QVERIFY(exportScripted());
    clearCache();
    cache()->setList_server_info({{"s1", "Main", "10.0.0.1", "admin", "pw-1", 7000, 1}});
    cache()->setList_device_info(
        {{"d1", "Gate", "NO-1", "admin", "pw-d", "10.0.0.1", 8000, 4, 0, 2, 3, 1}});
}

void tst_ServersLog::cleanup()
{
    QVERIFY(logOut());
}

void tst_ServersLog::singleRequests_data()
{
    addOutcomeColumns();
    auto* c = core();
    const QString cached = "s1|Main|10.0.0.1|admin|pw-1|7000|1";
    // The SDK takes the address after the login.
    addOutcomeRows("add server",
                   {[c] { return c->AddServer("Alarm", "10.0.0.9", "root", "pw-9", 8000, 4); },
                    "AddServer(Alarm|root|pw-9|10.0.0.9|8000|4)",
                    added<tabSERVERINFO>("s9"),
                    "servers",
                    {cached, "s9|Alarm|10.0.0.9|root|pw-9|8000|4"},
                    {"signalAddServer(s9|Alarm|10.0.0.9|root|pw-9|8000|4)"}});
    // The kind is not sent, yet cached and signalled.
    addOutcomeRows(
        "edit server",
        {[c] { return c->EditServer("s1", "Main", "10.0.0.1", "admin", "pw-1", 7000, 4); },
         "EditServer(s1|Main|admin|pw-1|10.0.0.1|7000)",
         Reply(),
         "servers",
         {"s1|Main|10.0.0.1|admin|pw-1|7000|4"},
         {"signalEditServer(s1|Main|10.0.0.1|admin|pw-1|7000|4)"}});
    // The signal carries the kind given, not the cached one.
    addOutcomeRows("delete server", {[c] { return c->DeleteServer("s1", SERVERTYPE(4)); },
                                     "DeleteServer(s1)",
                                     Reply(),
                                     "servers",
                                     {},
                                     {"signalDeleteServer(s1, 4)"}});
}

void tst_ServersLog::singleRequests()
{
    checkOutcome();
}

void tst_ServersLog::noPasswordInTheLog_data()
{
    QTest::addColumn<Operation>("run");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("carrier"); // the signal that keeps the password; empty: none

    auto* c = core();
    const QString pw = QString::fromLatin1(kPassword);
    QTest::addRow("login") << Operation([c, pw] { return c->AccountLogin("alice", pw); })
                           << "password:" << QString();
    QTest::addRow("add account") << Operation([c, pw] {
        return c->AddOneAccount("bob", "1", "m", pw, "r1");
    }) << " param_password:" << QString();
    QTest::addRow("edit account") << Operation([c, pw] {
        return c->EditOneAccount("bob", "1", "m", pw, "r1");
    }) << " param_password:"
                                  << "signalEditAccount";
    QTest::addRow("add device") << Operation([c, pw] {
        return c->AddDevice("Door", "NO-9", "root", pw, "10.0.0.9", 8001, 4, 2, 3, 1);
    }) << " param_dev_password:"
                                << "signalAddDevice";
    QTest::addRow("edit device") << Operation([c, pw] {
        return c->EditDevice("d1", "NO-1", "Gate", "root", pw, "ip", 1);
    }) << " param_password:"
                                 << "signalEditDevice";
    QTest::addRow("add server") << Operation([c, pw] {
        return c->AddServer("Alarm", "ip", "root", pw, 8000, 4);
    }) << " param_word:"
                                << "signalAddServer";
    QTest::addRow("edit server") << Operation([c, pw] {
        return c->EditServer("s1", "Main", "ip", "root", pw, 7000, 4);
    }) << " param_word:"
                                 << "signalEditServer";
}

void tst_ServersLog::noPasswordInTheLog()
{
    QFETCH(Operation, run);
    QFETCH(QString, label);
    QFETCH(QString, carrier);
    SignalLog signalLog;
    QStringList log;
    {
        LogCapture capture;
        LogCapture::clear();
        QVERIFY(run());
        log = LogCapture::lines();
    }
    const QString pw = QString::fromLatin1(kPassword);
    for (const QString& line : log)
        QVERIFY2(!line.contains(pw), qPrintable(line));
    // The label stays, with the mask for its value.
    const QString masked = label + QLatin1String(" \"******\"");
    QVERIFY2(std::any_of(log.cbegin(), log.cend(),
                         [&](const QString& line) { return line.contains(masked); }),
             qPrintable(log.join(QLatin1Char('\n'))));
    // Only the log is masked: the SDK, the records and the signals keep it.
    const QList<SdkCall> requests = sdk().requests();
    QVERIFY(std::any_of(requests.cbegin(), requests.cend(),
                        [&](const SdkCall& call) { return call.args.contains(pw); }));
    if (!carrier.isEmpty()) {
        QCOMPARE(signalLog.lines.size(), 1);
        QVERIFY(signalLog.lines.first().startsWith(carrier + QLatin1Char('(')));
        QVERIFY(signalLog.lines.first().contains(QLatin1Char('|') + pw + QLatin1Char('|')));
    }
    const CacheState state = cacheState();
    QCOMPARE(std::any_of(state.cbegin(), state.cend(),
                         [&](const QStringList& list) {
                             return list.join(QLatin1Char('\n')).contains(pw);
                         }),
             !carrier.isEmpty());
}

void tst_ServersLog::failedReExportKeepsConnection_data()
{
    QTest::addColumn<QString>("getter");
    QTest::addColumn<Operation>("run");

    auto* c = core();
    QTest::addRow("servers") << "GetServerInterface"
                             << Operation([c] { return c->AddServer("A", "ip", "u", "p", 1, 4); });
    QTest::addRow("devices") << "GetDeviceInterface" << Operation([c] {
        return c->EditDevice("d1", "n", "n", "u", "p", "ip", 1);
    });
    QTest::addRow("views") << "GetViewInterface" << Operation([c] { return c->AddView("V", 4); });
    QTest::addRow("role permissions")
        << "GetRolePermissionInterface"
        << Operation([c] { return c->addRolePermission("r1", "video", "true"); });
    QTest::addRow("alarm grants") << "GetAlarmRegionInterface"
                                  << Operation([c] { return c->addAlarmRegion("r1", "g1"); });
}

// A new connection that lacks a sub-interface is not taken: the working one
// stays, and the operations keep using it.
void tst_ServersLog::failedReExportKeepsConnection()
{
    QFETCH(QString, getter);
    QFETCH(Operation, run);
    sdk().nullInterface = getter;
    QVERIFY(
        !core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("scripted"), 1, false));
    QVERIFY(core()->BizOrsaClient_Create_Success());
    sdk().reset();
    QVERIFY(run());
    QCOMPARE(requestTexts().size(), 1);
}

QTEST_GUILESS_MAIN(tst_ServersLog)
#include "tst_serverslog.moc"
