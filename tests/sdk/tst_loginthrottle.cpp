// Failed logins slow a name down, on the service's own clock: the test moves
// that clock instead of waiting.
#include "BizOrsaResultCodes.h"
#include "CheapHashCost.h"
#include "Service.h"
#include "TestEngine.h"

#include <QtTest>

#include <memory>

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kLongWait = 5 * 60 * kSecond;

} // namespace

class tst_LoginThrottle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ORSA_REQUIRE_ENGINE(); }
    void init();
    void waitGrowsWithFailures_data();
    void waitGrowsWithFailures();
    void successStartsAfresh();
    void namesAreCountedApart();
    void unknownNamesAlike();
    void everyServiceOnTheFileCounts();

private:
    // A service on the test's database: each one has a store of its own.
    std::unique_ptr<orsa::Service> service()
    {
        return std::make_unique<orsa::Service>(orsa::openStore(m_database->address()),
                                               kCheapHashIterations, [this] { return m_now; });
    }
    int login(orsa::Service& service, const char* name, const char* password)
    {
        orsa::Request request;
        request.op = orsa::Op::Login;
        request.sid = 1;
        request.args.resize(2);
        request.args[0].isText = request.args[1].isText = true;
        request.args[0].text = name;
        request.args[1].text = password;
        orsa::Session session;
        return service.handle(session, request).result;
    }
    // Failures spaced far enough apart that none is refused.
    void fail(orsa::Service& service, const char* name, int times)
    {
        for (int i = 0; i < times; ++i) {
            m_now += kLongWait;
            QCOMPARE(login(service, name, "wrong"), int(BIZORSA_E_NOT_LOGGED_IN));
        }
    }

    std::int64_t m_now = 0;
    std::unique_ptr<TestDatabase> m_database;
};

void tst_LoginThrottle::init()
{
    m_now = 1'700'000'000'000;
    m_database = std::make_unique<TestDatabase>();
    QVERIFY(m_database->isValid());
}

void tst_LoginThrottle::waitGrowsWithFailures_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<qint64>("wait");
    QTest::newRow("4: none") << 4 << qint64(0);
    QTest::newRow("5: 1 s") << 5 << qint64(kSecond);
    QTest::newRow("6: 2 s") << 6 << qint64(2 * kSecond);
    QTest::newRow("7: 4 s") << 7 << qint64(4 * kSecond);
    QTest::newRow("13: 256 s") << 13 << qint64(256 * kSecond);
    QTest::newRow("14: capped") << 14 << qint64(kLongWait);
    QTest::newRow("40: capped") << 40 << qint64(kLongWait);
}

// Refused until the wait has passed since the last failure, the right
// password included; then the password is checked again.
void tst_LoginThrottle::waitGrowsWithFailures()
{
    QFETCH(int, failures);
    QFETCH(qint64, wait);
    auto s = service();
    fail(*s, "admin", failures);
    const std::int64_t lastFailure = m_now;
    if (wait > 0) {
        m_now = lastFailure + wait - 1;
        QCOMPARE(login(*s, "admin", "admin"), int(BIZORSA_E_TRY_LATER));
        QCOMPARE(login(*s, "admin", "wrong"), int(BIZORSA_E_TRY_LATER));
    }
    m_now = lastFailure + wait;
    QCOMPARE(login(*s, "admin", "admin"), int(BIZORSA_OK));
}

void tst_LoginThrottle::successStartsAfresh()
{
    auto s = service();
    fail(*s, "admin", 4);
    QCOMPARE(login(*s, "admin", "admin"), int(BIZORSA_OK));
    fail(*s, "admin", 4);
    QCOMPARE(login(*s, "admin", "admin"), int(BIZORSA_OK)); // 8 failures, but not in a row
    fail(*s, "admin", 5);
    QCOMPARE(login(*s, "admin", "admin"), int(BIZORSA_E_TRY_LATER));
}

void tst_LoginThrottle::namesAreCountedApart()
{
    auto s = service();
    fail(*s, "ghost", 5);
    QCOMPARE(login(*s, "ghost", "x"), int(BIZORSA_E_TRY_LATER));
    QCOMPARE(login(*s, "admin", "admin"), int(BIZORSA_OK));
}

// A name without an account is refused the same way: the answer does not
// tell which names exist.
void tst_LoginThrottle::unknownNamesAlike()
{
    auto s = service();
    for (const char* name : {"admin", "nobody"}) {
        fail(*s, name, 5);
        QCOMPARE(login(*s, name, "wrong"), int(BIZORSA_E_TRY_LATER));
        m_now += kSecond;
        QCOMPARE(login(*s, name, "wrong"), int(BIZORSA_E_NOT_LOGGED_IN));
        QCOMPARE(login(*s, name, "wrong"), int(BIZORSA_E_TRY_LATER));
    }
}

// Services on one database, as embedded hubs or several servers have: the
// count is the database's.
void tst_LoginThrottle::everyServiceOnTheFileCounts()
{
    auto first = service();
    auto second = service();
    fail(*first, "admin", 5);
    QCOMPARE(login(*second, "admin", "admin"), int(BIZORSA_E_TRY_LATER));
}

QTEST_GUILESS_MAIN(tst_LoginThrottle)
#include "tst_loginthrottle.moc"
