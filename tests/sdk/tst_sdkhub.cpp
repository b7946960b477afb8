// The hub's contract: which addresses make a hub, which requests are refused,
// that every accepted request is answered once on the SDK's own thread by its
// own callback, and that nothing is called back once DestroyOrsa returns.
// Built twice: on the embedded service, and (ORSA_SDKHUB_ORSAD) on an orsad
// started here, reached over loopback TLS.
#include "TestHub.h"
#include "support/orsadprocess.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

using Issue = std::function<int(TestHub&)>;
Q_DECLARE_METATYPE(Issue)

class tst_SdkHub : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_loggedOut.reset(); }
    void createOrsa_data();
    void createOrsa();
    void refusals_data();
    void refusals();
    void everyRequestIsAnsweredOnceOnItsCallback_data();
    void everyRequestIsAnsweredOnceOnItsCallback();
    void login_data();
    void login();
    void failedLoginKeepsSession();
    void tensOfThousandsInOneAnswer();
    void noCallbackAfterDestroy();
    void destroyFromInsideCallback();
    void destroyedHubRefuses_data();
    void destroyedHubRefuses();

private:
    std::unique_ptr<TestHub> m_loggedOut; // shared by the rows that never log in
#ifdef ORSA_SDKHUB_ORSAD
    QTemporaryDir m_config;
    OrsadProcess m_orsad;
#endif
};

void tst_SdkHub::initTestCase()
{
#ifdef ORSA_SDKHUB_ORSAD
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(m_orsad.start());
    QCOMPARE(OrsadProcess::adminPassword(), QByteArray("admin")); // as the rows expect
    defaultTarget() = HubTarget{"127.0.0.1", m_orsad.port()};
#endif
    m_loggedOut = std::make_unique<TestHub>();
    QVERIFY(m_loggedOut->hub);
}

void tst_SdkHub::createOrsa_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("made");
    QTest::addRow("in memory") << QByteArray("embedded") << true;
    QTest::addRow("file") << QByteArray("embedded:%1/a.db") << true;
    QTest::addRow("file in a missing directory") << QByteArray("embedded:%1/no/such/a.db") << false;
    QTest::addRow("empty file name") << QByteArray("embedded:") << false;
    QTest::addRow("server address without a port") << QByteArray("127.0.0.1") << false;
    QTest::addRow("prefix only") << QByteArray("embeddedx") << false;
    QTest::addRow("empty") << QByteArray("") << false;
}

void tst_SdkHub::createOrsa()
{
#ifdef ORSA_SDKHUB_ORSAD
    QSKIP("embedded addresses: the same in both builds; tst_network has the server's");
#endif
    QFETCH(QByteArray, address);
    QFETCH(bool, made);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    address.replace("%1", QFile::encodeName(dir.path()));
    IBizOrsaClient* hub = CreateOrsa(address.constData(), 0, false);
    QCOMPARE(hub != nullptr, made);
    DestroyOrsa(hub); // null is fine too
}

void tst_SdkHub::refusals_data()
{
    QTest::addColumn<Issue>("issue");
    QTest::addColumn<bool>("attachSinks");
    QTest::addRow("null text argument")
        << Issue([](TestHub& t) { return t.role()->QueryRole(nullptr); }) << true;
    QTest::addRow("null among several")
        << Issue([](TestHub& t) { return t.region()->AddRegion("r", nullptr, 1, ""); }) << true;
    QTest::addRow("reserved slot")
        << Issue([](TestHub& t) { return t.device()->Reserved(); }) << true;
    QTest::addRow("no callback registered")
        << Issue([](TestHub& t) { return t.role()->QueryRole(""); }) << false;
}

void tst_SdkHub::refusals()
{
    QFETCH(Issue, issue);
    QFETCH(bool, attachSinks);
    TestHub t;
    QVERIFY(t.hub);
    if (!attachSinks)
        t.hub->SetRoleEvent(nullptr);
    QVERIFY(issue(t) < 0);
    // Answers come in request order: once a later request is answered, a
    // callback for the refused one can no longer be on its way.
    const int later = t.account()->QueryAccount("");
    QVERIFY(later > 0);
    QCOMPARE(t.wait(later).name, QByteArray("OnAccountGet"));
    QCOMPARE(t.sink.all().size(), 1);
}

void tst_SdkHub::everyRequestIsAnsweredOnceOnItsCallback_data()
{
    QTest::addColumn<Issue>("issue");
    QTest::addColumn<QByteArray>("callback");
    QTest::addColumn<bool>("withRecords");
    const auto row = [](const char* callback, bool withRecords, Issue issue) {
        QTest::addRow("%s", callback) << issue << QByteArray(callback) << withRecords;
    };
    // clang-format off
    row("OnAccountAdd", false, [](TestHub& t) { return t.account()->AddAccount("u", "", "", "p", ""); });
    row("OnAccountEdit", false, [](TestHub& t) { return t.account()->EditAccount("u", "", "", "", ""); });
    row("OnAccountDelete", false, [](TestHub& t) { return t.account()->DeleteAccount("u"); });
    row("OnAccountGet", true, [](TestHub& t) { return t.account()->QueryAccount(""); });
    row("OnAccountLogin", false, [](TestHub& t) { return t.account()->Login("admin", "wrong"); });
    row("OnAccountLogout", false, [](TestHub& t) { return t.account()->Logout(); });
    row("OnDeviceAdd", true, [](TestHub& t) { return t.device()->AddDevice("d", "", "", "", "", 1, 1, 0, 0); });
    row("OnDeviceEdit", false, [](TestHub& t) { return t.device()->EditDevice("g", "d", "", "", "", 1); });
    row("OnDeviceDelete", false, [](TestHub& t) { return t.device()->DeleteDevice("g"); });
    row("OnDeviceGet", true, [](TestHub& t) { return t.device()->QueryDevice(""); });
    row("OnDeviceChannelGet", true, [](TestHub& t) { return t.device()->QueryDeviceChannel(""); });
    row("OnViewAdd", true, [](TestHub& t) { return t.view()->AddView("v", 4); });
    row("OnViewEdit", false, [](TestHub& t) { return t.view()->EditView("g", "v", 4); });
    row("OnViewDelete", false, [](TestHub& t) { return t.view()->DeleteView("g"); });
    row("OnViewGet", true, [](TestHub& t) { return t.view()->QueryView(""); });
    row("OnViewChannelAdd", true, [](TestHub& t) { return t.view()->AddViewChannel("g", "c", 1); });
    row("OnViewChannelEdit", false, [](TestHub& t) { return t.view()->EditViewChannel("g", "c", 1); });
    row("OnViewChannelDelete", false, [](TestHub& t) { return t.view()->DeleteViewChannel("g", "c"); });
    row("OnViewChannelGet", true, [](TestHub& t) { return t.view()->QueryViewChannel(""); });
    row("OnRegionAdd", true, [](TestHub& t) { return t.region()->AddRegion("r", "", 1, ""); });
    row("OnRegionEdit", false, [](TestHub& t) { return t.region()->EditRegion("g", "r", ""); });
    row("OnRegionDelete", false, [](TestHub& t) { return t.region()->DeleteRegion("g"); });
    row("OnRegionGet", true, [](TestHub& t) { return t.region()->QueryRegion(""); });
    row("OnRegionChannelAdd", true, [](TestHub& t) { return t.region()->AddRegionChannel("g", "c", "n"); });
    row("OnRegionChannelEdit", false, [](TestHub& t) { return t.region()->EditRegionChannel("g", "c", "n"); });
    row("OnRegionChannelDelete", false, [](TestHub& t) { return t.region()->DeleteRegionChannel("g", "c"); });
    row("OnRegionChannelGet", true, [](TestHub& t) { return t.region()->QueryRegionChannel(""); });
    row("OnRoleAdd", true, [](TestHub& t) { return t.role()->AddRole("r", ""); });
    row("OnRoleEdit", false, [](TestHub& t) { return t.role()->EditRole("g", "r", ""); });
    row("OnRoleDelete", false, [](TestHub& t) { return t.role()->DeleteRole("g"); });
    row("OnRoleGet", true, [](TestHub& t) { return t.role()->QueryRole(""); });
    row("OnVideoRegionAdd", true, [](TestHub& t) { return t.video()->AddVideoRegion("r", "g"); });
    row("OnVideoRegionDelete", false, [](TestHub& t) { return t.video()->DeleteVideoRegion("r", "g"); });
    row("OnVideoRegionGet", true, [](TestHub& t) { return t.video()->QueryVideoRegion(""); });
    row("OnAlarmRegionAdd", true, [](TestHub& t) { return t.alarm()->AddAlarmRegion("r", "g"); });
    row("OnAlarmRegionDelete", false, [](TestHub& t) { return t.alarm()->DeleteAlarmRegion("r", "g"); });
    row("OnAlarmRegionGet", true, [](TestHub& t) { return t.alarm()->QueryAlarmRegion(""); });
    row("OnServerAdd", true, [](TestHub& t) { return t.server()->AddServer("s", "", "", "", 1, 0); });
    row("OnServerEdit", false, [](TestHub& t) { return t.server()->EditServer("g", "s", "", "", "", 1); });
    row("OnServerDelete", false, [](TestHub& t) { return t.server()->DeleteServer("g"); });
    row("OnServerGet", true, [](TestHub& t) { return t.server()->QueryServer(""); });
    row("OnRolePermissionAdd", true, [](TestHub& t) { return t.permission()->AddRolePermission("r", "t", "v"); });
    row("OnRolePermissionDelete", false, [](TestHub& t) { return t.permission()->DeleteRolePermission("g"); });
    row("OnRolePermissionGet", true, [](TestHub& t) { return t.permission()->QueryRolePermission(""); });
    // clang-format on
}

// Nobody is logged in, so every request (a login with a wrong password too)
// is answered "not logged in"; three in a row show the numbering.
void tst_SdkHub::everyRequestIsAnsweredOnceOnItsCallback()
{
    QFETCH(Issue, issue);
    QFETCH(QByteArray, callback);
    QFETCH(bool, withRecords);
    TestHub& t = *m_loggedOut;
    const int before = t.sink.all().size();
    const int sids[] = {issue(t), issue(t), issue(t)};
    QVERIFY(sids[0] > 0);
    QVERIFY(sids[1] > sids[0]);
    QVERIFY(sids[2] > sids[1]);
    for (int sid : sids) {
        const Callback c = t.wait(sid);
        QCOMPARE(c.name, callback);
        QCOMPARE(c.result, int(BIZORSA_E_NOT_LOGGED_IN));
        QCOMPARE(c.hasRecords, withRecords);
        QVERIFY(c.thread != std::this_thread::get_id());
    }
    QCOMPARE(t.sink.all().size(), before + 3);
}

void tst_SdkHub::login_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<int>("result");
    QTest::addRow("first account") << QByteArray("admin") << QByteArray("admin") << 0;
    QTest::addRow("wrong password")
        << QByteArray("admin") << QByteArray("Admin") << int(BIZORSA_E_NOT_LOGGED_IN);
    QTest::addRow("unknown user") << QByteArray("nobody") << QByteArray("admin")
                                  << int(BIZORSA_E_NOT_LOGGED_IN);
    QTest::addRow("name too long")
        << QByteArray(64, 'a') << QByteArray("admin") << int(BIZORSA_E_INVALID_ARGUMENT);
}

// A request after the login shows whether the hub is logged in; after a
// logout it is not.
void tst_SdkHub::login()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    QFETCH(int, result);
    TestHub t;
    QCOMPARE(t.result(t.account()->Login(user.constData(), password.constData())), result);
    const int expected = result == 0 ? 0 : int(BIZORSA_E_NOT_LOGGED_IN);
    QCOMPARE(t.result(t.role()->QueryRole("")), expected);
    QCOMPARE(t.result(t.account()->Logout()), expected);
    QCOMPARE(t.result(t.role()->QueryRole("")), int(BIZORSA_E_NOT_LOGGED_IN));
}

// Only a successful login replaces the session: a failed one, even for
// another name, leaves the logged-in session serving requests.
void tst_SdkHub::failedLoginKeepsSession()
{
    TestHub t;
    QCOMPARE(t.result(t.account()->Login("admin", "admin")), 0);
    QCOMPARE(t.result(t.account()->Login("admin", "wrong")), int(BIZORSA_E_NOT_LOGGED_IN));
    QCOMPARE(t.result(t.account()->Login("nobody", "admin")), int(BIZORSA_E_NOT_LOGGED_IN));
    QCOMPARE(t.result(t.role()->QueryRole("")), 0);
}

// A whole kind of a large site arrives in one answer: 40,000 channels.
void tst_SdkHub::tensOfThousandsInOneAnswer()
{
    TestHub t;
    QVERIFY(t.login());
    constexpr int kDevices = 40, kChannels = 1000;
    QSet<QByteArray> devices;
    for (int d = 0; d < kDevices; ++d)
        devices.insert(
            t.addDevice(QByteArray("large " + QByteArray::number(d)).constData(), kChannels));
    QVERIFY(!devices.contains(QByteArray()));
    const Callback all = t.wait(t.device()->QueryDeviceChannel(""));
    QCOMPARE(all.result, 0);
    QHash<QByteArray, int> perDevice;
    for (int i = 0; i < all.count; ++i) {
        const QByteArray device = text(all.record<tabCHANNELINFO>(i).devGuid);
        if (devices.contains(device))
            ++perDevice[device];
    }
    QCOMPARE(perDevice.size(), kDevices);
    for (int n : perDevice)
        QCOMPARE(n, kChannels);
}

void tst_SdkHub::noCallbackAfterDestroy()
{
    RecordingSink sink;
    std::atomic<bool> destroyed{false};
    std::atomic<int> late{0};
    sink.afterEach = [&](const Callback&) {
        if (destroyed)
            ++late;
    };
    IBizOrsaClient* hub = defaultTarget().create();
    QVERIFY(hub);
    sink.attach(hub);
    const int first = hub->GetRoleInterface()->QueryRole("");
    for (int i = 0; i < 200; ++i)
        QVERIFY(hub->GetRoleInterface()->QueryRole("") > 0);
    QVERIFY(!sink.await(first).name.isEmpty()); // the thread is busy answering
    DestroyOrsa(hub);
    destroyed = true;
    const int answered = sink.all().size();
    QVERIFY(answered >= 1);
    QVERIFY(answered <= 201);
    // The hub's thread has been joined: a callback now would count as late.
    QCOMPARE(late.load(), 0);
    QCOMPARE(sink.all().size(), answered);
}

// DestroyOrsa inside a callback returns at once; the hub then refuses every
// request and answers nothing more.
void tst_SdkHub::destroyFromInsideCallback()
{
    // The callback is still finishing when the test learns its outcome, so
    // what it touches lives until the process ends.
    static struct {
        RecordingSink sink;
        std::mutex mutex;
        std::condition_variable done;
        bool returned = false;
        int refused = 0;
    } s;
    IBizOrsaClient* hub = defaultTarget().create();
    QVERIFY(hub);
    s.sink.attach(hub);
    s.sink.afterEach = [hub](const Callback&) {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.returned)
            return;
        DestroyOrsa(hub);
        s.refused = hub->GetRoleInterface()->QueryRole("");
        s.returned = true;
        s.done.notify_all();
    };
    QVERIFY(hub->GetRoleInterface()->QueryRole("") > 0);
    // The first answer may destroy the hub while these are made: the later
    // ones are then refused, and the remnant is there to refuse them.
    for (int i = 0; i < 19; ++i)
        hub->GetRoleInterface()->QueryRole("");
    std::unique_lock<std::mutex> lock(s.mutex);
    QVERIFY(s.done.wait_for(lock, std::chrono::seconds(20), [] { return s.returned; }));
    QVERIFY(s.refused < 0);
    // Queued requests are dropped: a 2nd callback would have to come from a freed hub.
    QCOMPARE(s.sink.all().size(), 1);
}

using KeptRequest = std::function<int(IBizOrsaClient* hub)>;
Q_DECLARE_METATYPE(KeptRequest)

void tst_SdkHub::destroyedHubRefuses_data()
{
    QTest::addColumn<KeptRequest>("request");
    QTest::addRow("account") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetAccountInterface()->QueryAccount(""); });
    QTest::addRow("login") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetAccountInterface()->Login("admin", "admin"); });
    QTest::addRow("device") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetDeviceInterface()->DeleteDevice("d"); });
    QTest::addRow("view") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetViewInterface()->AddView("v", 4); });
    QTest::addRow("region") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetRegionInterface()->QueryRegion(""); });
    QTest::addRow("role") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetRoleInterface()->QueryRole(""); });
    QTest::addRow("server") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetServerInterface()->QueryServer(""); });
    QTest::addRow("permission") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetRolePermissionInterface()->QueryRolePermission(""); });
    QTest::addRow("video grant") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetVideoRegionInterface()->QueryVideoRegion(""); });
    QTest::addRow("alarm grant") << KeptRequest(
        [](IBizOrsaClient* h) { return h->GetAlarmRegionInterface()->QueryAlarmRegion(""); });
}

// A pointer kept after DestroyOrsa reaches a remnant that refuses, never
// freed memory (the sanitizer build would tell).
void tst_SdkHub::destroyedHubRefuses()
{
    QFETCH(KeptRequest, request);
    RecordingSink sink;
    IBizOrsaClient* hub = defaultTarget().create();
    QVERIFY(hub);
    sink.attach(hub);
    QVERIFY(request(hub) > 0);
    QVERIFY(sink.await(1).name.size() > 0);
    DestroyOrsa(hub);
    QCOMPARE(request(hub), int(BIZORSA_REFUSED));
    hub->SetRoleEvent(&sink); // registering again changes nothing
    QCOMPARE(request(hub), int(BIZORSA_REFUSED));
    QCOMPARE(sink.all().size(), 1);
}

QTEST_GUILESS_MAIN(tst_SdkHub)
#include "tst_sdkhub.moc"
