// Answers matched to their requests: late and foreign answers, nested waits,
// and the outcome each request reports, against the scripted SDK.
#include "support/opsfixture.h"

#include "BizOrsaResultCodes.h"

#include <QtCore/QTimer>
#include <QtTest/QtTest>

using namespace DATACore;
using namespace ops;

namespace {

tabDEVICEINFO deviceRecord(const char* guid, const char* name)
{
    tabDEVICEINFO d{};
    ScriptedSdk::setText(d.guid, guid);
    ScriptedSdk::setText(d.devName, name);
    return d;
}

} // namespace

Q_DECLARE_METATYPE(RequestOutcome::Status)

class tst_Matching : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void foreignAnswerDuringWait_data();
    void foreignAnswerDuringWait();
    void lateAnswerReachesNoLaterRequest();
    void nestedWaitGetsItsOwnAnswer();
    void answerThatCameDuringNestedWaitEndsAtOnce();
    void requestNumberZeroIsMatched();
    void outcomeOfLastRequest_data();
    void outcomeOfLastRequest();
};

void tst_Matching::initTestCase()
{
    EventReceiver::instance();
    QVERIFY(exportScripted());
}

void tst_Matching::init()
{
    sdk().reset();
    clearCache();
    cache()->setList_device_info(
        {{"dev-A", "Old", "NO-1", "u", "p", "10.0.0.1", 80, 4, 0, 0, 0, 1}});
}

void tst_Matching::foreignAnswerDuringWait_data()
{
    QTest::addColumn<int>("ownResult");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("devices");
    QTest::addRow("own answer fails") << int(BIZORSA_E_NOT_FOUND) << false
                                      << QStringList{"dev-A|Old|NO-1|u|p|10.0.0.1|80|4|0|0|0|1"};
    QTest::addRow("own answer succeeds")
        << 0 << true << QStringList{"dev-A|New|NO-1|u2|p2|10.0.0.2|81|4|0|0|0|1"};
}

// An add's answer of another request (a late one, say) arrives first: it ends
// nothing, and what the edit caches comes from its own answer and arguments.
void tst_Matching::foreignAnswerDuringWait()
{
    QFETCH(int, ownResult);
    QFETCH(bool, ok);
    QFETCH(QStringList, devices);
    const tabDEVICEINFO late = deviceRecord("dev-LATE", "Late");
    sdk().onRequest = [&](const SdkCall&) { sdk().deviceSink->OnDeviceAdd(999, 0, &late); };
    sdk().script("EditDevice", Reply::code(ownResult));
    SignalLog signalLog;
    QSignalSpy deviceAnswers(EventReceiver::instance(), &EventReceiver::signal_device);

    QCOMPARE(core()->EditDevice("dev-A", "NO-1", "New", "u2", "p2", "10.0.0.2", 81), ok);
    QCOMPARE(texts(cache()->list_device_info()), devices);
    QCOMPARE(signalLog.lines.size(), ok ? 1 : 0);
    // Both answers were handled in full: the application saw both.
    QCOMPARE(deviceAnswers.count(), 2);
    QCOMPARE(cache()->dataObj().property("guid").toString(), QStringLiteral("dev-LATE"));
    QCOMPARE(core()->lastRequestOutcome().resultCode, ownResult);
    QVERIFY(!receiverTimerRuns());

    // The next request is not shifted by one answer.
    sdk().onRequest = nullptr;
    sdk().script("AddDevice", added<tabDEVICEINFO>("dev-NEXT"));
    QVERIFY(core()->AddDevice("Next", "NO-2", "u", "p", "10.0.0.3", 80, 1, 0, 0, 1));
    QCOMPARE(texts(cache()->list_device_info()).last().section(QLatin1Char('|'), 0, 1),
             QStringLiteral("dev-NEXT|Next"));
}

void tst_Matching::lateAnswerReachesNoLaterRequest()
{
    sdk().script("AddRole", Reply::late(added<tabROLEINFO>("role-LATE")));
    QVERIFY(!core()->AddOneRole("Late", "answered after the time-out"));
    QCOMPARE(core()->lastRequestOutcome().status, RequestOutcome::TimedOut);

    // The late answer arrives while the next request waits for its own.
    sdk().onRequest = [](const SdkCall&) { sdk().releaseHeld(); };
    sdk().script("AddView", added<tabVIEWINFO>("view-OWN"));
    QSignalSpy roleAnswers(EventReceiver::instance(), &EventReceiver::signal_role);
    QVERIFY(core()->AddView("Hall", 4));
    QCOMPARE(roleAnswers.count(), 1);
    QCOMPARE(texts(cache()->list_view_info()), QStringList{"view-OWN|Hall|4"});
    QVERIFY(cache()->list_role_info().isEmpty());
    const RequestOutcome outcome = core()->lastRequestOutcome();
    QCOMPARE(outcome.status, RequestOutcome::Answered);
    QVERIFY(outcome.succeeded());
}

// A slot that runs during a wait starts another blocking operation; the outer
// one's answer arrives while the inner one waits.
void tst_Matching::nestedWaitGetsItsOwnAnswer()
{
    sdk().script("AddRole", Reply::held(added<tabROLEINFO>("role-OUTER")));
    sdk().script("AddView", added<tabVIEWINFO>("view-INNER"));
    sdk().onRequest = [](const SdkCall& call) {
        if (call.op == QLatin1String("AddView"))
            sdk().releaseHeld();
    };
    bool innerOk = false;
    QTimer::singleShot(0, [&innerOk] { innerOk = core()->AddView("Inner", 9); });

    QVERIFY(core()->AddOneRole("Outer", "waits around the inner request"));
    QVERIFY(innerOk);
    QCOMPARE(sdk().callNames(true), (QStringList{"AddRole", "AddView"}));
    QCOMPARE(texts(cache()->list_role_info()),
             QStringList{"role-OUTER|Outer|waits around the inner request"});
    QCOMPARE(texts(cache()->list_view_info()), QStringList{"view-INNER|Inner|9"});
    QVERIFY(!receiverTimerRuns());
}

// A slot of the answer's own signal starts another request: when it returns,
// the outer wait, whose answer is already there, ends at once.
void tst_Matching::answerThatCameDuringNestedWaitEndsAtOnce()
{
    sdk().script("AddRole", added<tabROLEINFO>("role-OUTER"));
    sdk().script("QueryView", Reply::with(0, QVector<tabVIEWINFO>{}));
    QList<UViewInfo> fetched;
    const auto connection = connect(EventReceiver::instance(), &EventReceiver::signal_role, [&] {
        bool ok = false;
        fetched = core()->getViewFromSDK(QString(), ok);
    });
    const bool ok = core()->AddOneRole("Outer", "");
    disconnect(connection);
    QVERIFY(ok);
    QCOMPARE(sdk().callNames(true), (QStringList{"AddRole", "QueryView"}));
    QCOMPARE(cache()->list_role_info().size(), 1);
    QCOMPARE(cache()->list_role_info().first().guid, QStringLiteral("role-OUTER"));
    QVERIFY(!receiverTimerRuns());
}

// Request number 0 is a number like any other: its answer ends its wait,
// another's does not.
void tst_Matching::requestNumberZeroIsMatched()
{
    Reply own = added<tabROLEINFO>("role-ZERO");
    own.sid = 0;
    sdk().script("AddRole", own);
    tabROLEINFO foreign{};
    ScriptedSdk::setText(foreign.guid, "role-OTHER");
    sdk().onRequest = [&](const SdkCall&) { sdk().roleSink->OnRoleAdd(7, 0, &foreign); };
    QVERIFY(core()->AddOneRole("Zero", ""));
    QCOMPARE(texts(cache()->list_role_info()), QStringList{"role-ZERO|Zero|"});
}

void tst_Matching::outcomeOfLastRequest_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<RequestOutcome::Status>("status");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    using O = RequestOutcome;
    QTest::addRow("success") << Reply::code(0) << O::Answered << 0 << "success";
    QTest::addRow("positive success") << Reply::code(3) << O::Answered << 3 << "success";
    const struct {
        int code;
        const char* text;
    } failures[] = {{BIZORSA_E_NOT_LOGGED_IN, "not logged in"},
                    {BIZORSA_E_NOT_FOUND, "not found"},
                    {BIZORSA_E_ALREADY_EXISTS, "already exists"},
                    {BIZORSA_E_INVALID_ARGUMENT, "invalid argument"},
                    {BIZORSA_E_STILL_IN_USE, "still in use"},
                    {BIZORSA_E_INTERNAL, "internal error"},
                    {-99, "failed"}};
    for (const auto& f : failures)
        QTest::addRow("%s", f.text) << Reply::code(f.code) << O::Answered << f.code << f.text;
    QTest::addRow("refused") << Reply::refuse() << O::Refused << -1
                             << "refused by the SDK before it was sent";
    QTest::addRow("timed out") << Reply::timeOut() << O::TimedOut << int(BIZORSA_E_INTERNAL)
                               << "no answer within 15 s";
}

void tst_Matching::outcomeOfLastRequest()
{
    QFETCH(Reply, reply);
    QFETCH(RequestOutcome::Status, status);
    QFETCH(int, code);
    QFETCH(QString, text);
    sdk().script("DeleteRole", reply);
    const bool ok = core()->DeleteOneRole("r1");
    const RequestOutcome outcome = core()->lastRequestOutcome();
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.resultCode, code);
    QCOMPARE(outcome.succeeded(), ok);
    QCOMPARE(core()->lastRequestText(), text);
    QVERIFY(!receiverTimerRuns());
}

QTEST_GUILESS_MAIN(tst_Matching)
#include "tst_matching.moc"
