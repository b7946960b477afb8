// Sessions of one account on hubs of the same database: what ends them, and
// that rights are those of the moment a request runs.
#include "BizOrsaRights.h"
#include "TestHub.h"

#include <QtTest>

#include <functional>
#include <memory>

// Run on the administrator's hub and on a second session of the user's.
using Action = std::function<int(TestHub& admin, TestHub& other)>;
Q_DECLARE_METATYPE(Action)

namespace {
const char kUser[] = "ann";
} // namespace

class tst_SdkSessions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ORSA_REQUIRE_ENGINE(); }
    void init();
    void cleanup();
    void endedOrNot_data();
    void endedOrNot();
    void rightsApplyAtOnce();

private:
    std::unique_ptr<TestHub> hub()
    {
        auto t = std::make_unique<TestHub>(*m_database);
        return t->hub ? std::move(t) : nullptr;
    }

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<TestHub> m_admin; // logged in as admin
    std::unique_ptr<TestHub> m_user;  // logged in as kUser
    std::unique_ptr<TestHub> m_other; // logged in as kUser too
    QByteArray m_role;                // kUser's, without permissions
};

void tst_SdkSessions::init()
{
    m_database = std::make_unique<TestDatabase>();
    QVERIFY(m_database->isValid());
    m_admin = hub();
    QVERIFY(m_admin && m_admin->login());
    m_role = m_admin->addRole("staff");
    QCOMPARE(m_admin->result(m_admin->account()->AddAccount(kUser, "", "", "old", m_role)), 0);
    m_user = hub();
    m_other = hub();
    QVERIFY(m_user && m_other);
    QCOMPARE(m_user->result(m_user->account()->Login(kUser, "old")), 0);
    QCOMPARE(m_other->result(m_other->account()->Login(kUser, "old")), 0);
}

void tst_SdkSessions::cleanup()
{
    m_other.reset();
    m_user.reset();
    m_admin.reset();
    m_database.reset();
}

void tst_SdkSessions::endedOrNot_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("continues");
    QTest::newRow("account deleted") << Action([](TestHub& admin, TestHub&) {
        return admin.result(admin.account()->DeleteAccount(kUser));
    }) << false;
    // m_role is read when the row runs, after init() made it.
    QTest::newRow("password changed by the administrator")
        << Action([this](TestHub& admin, TestHub&) {
               return admin.result(admin.account()->EditAccount(kUser, "", "", "new", m_role));
           })
        << false;
    QTest::newRow("password changed in another own session")
        << Action([this](TestHub&, TestHub& other) {
               return other.result(other.account()->EditAccount(kUser, "", "", "new", m_role));
           })
        << false;
    QTest::newRow("same password set again") << Action([this](TestHub& admin, TestHub&) {
        return admin.result(admin.account()->EditAccount(kUser, "", "", "old", m_role));
    }) << false;
    QTest::newRow("phone changed, password kept") << Action([this](TestHub& admin, TestHub&) {
        return admin.result(admin.account()->EditAccount(kUser, "555", "", "", m_role));
    }) << true;
    QTest::newRow("role changed") << Action([](TestHub& admin, TestHub&) {
        return admin.result(admin.account()->EditAccount(kUser, "", "", "", ""));
    }) << true;
    QTest::newRow("another account deleted") << Action([](TestHub& admin, TestHub&) {
        admin.wait(admin.account()->AddAccount("bob", "", "", "pw", ""));
        return admin.result(admin.account()->DeleteAccount("bob"));
    }) << true;
}

void tst_SdkSessions::endedOrNot()
{
    QFETCH(Action, action);
    QFETCH(bool, continues);
    QCOMPARE(action(*m_admin, *m_other), 0);
    QCOMPARE(m_user->result(m_user->role()->QueryRole("")),
             continues ? int(BIZORSA_OK) : int(BIZORSA_E_NOT_LOGGED_IN));
    // An ended session stays ended, and the administrator's goes on.
    QCOMPARE(m_user->result(m_user->role()->QueryRole("")),
             continues ? int(BIZORSA_OK) : int(BIZORSA_E_NOT_LOGGED_IN));
    QCOMPARE(m_admin->result(m_admin->role()->QueryRole("")), int(BIZORSA_OK));
}

void tst_SdkSessions::rightsApplyAtOnce()
{
    const auto addRegion = [this] {
        return m_user->result(m_user->region()->AddRegion("r", "", 1, ""));
    };
    QCOMPARE(addRegion(), int(BIZORSA_E_FORBIDDEN));
    const Callback granted = m_admin->wait(m_admin->permission()->AddRolePermission(
        m_role, BIZORSA_RIGHT_MANAGE_REGIONS, BIZORSA_PERMISSION_GRANTED));
    QCOMPARE(granted.result, 0);
    QCOMPARE(addRegion(), int(BIZORSA_OK));
    const QByteArray permission = text(granted.record<tabROLEPERMISSIONINFO>().guid);
    QCOMPARE(m_admin->result(m_admin->permission()->DeleteRolePermission(permission)), 0);
    QCOMPARE(addRegion(), int(BIZORSA_E_FORBIDDEN));
    // Moved into the administrators' role, the account may do anything at once.
    QCOMPARE(m_admin->result(
                 m_admin->account()->EditAccount(kUser, "", "", "", BIZORSA_ADMINISTRATORS_ROLE)),
             0);
    QCOMPARE(addRegion(), int(BIZORSA_OK));
}

QTEST_GUILESS_MAIN(tst_SdkSessions)
#include "tst_sdksessions.moc"
