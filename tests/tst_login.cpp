// Login, logout, the current user's rights and the regions that user may see,
// against the scripted SDK.
#include "support/scriptedsdk.h"

#include "orsadatacenter.h"
#include "support/singletons.h"

#include <QtCore/QLoggingCategory>
#include <QtTest/QtTest>

using namespace DATACore;

namespace {

tabACCOUNT account(const char* name, const char* roleGuid)
{
    tabACCOUNT a{};
    ScriptedSdk::setText(a.userName, name);
    ScriptedSdk::setText(a.roleGuid, roleGuid);
    return a;
}

tabROLEINFO role(const char* guid, const char* name, const char* describe)
{
    tabROLEINFO r{};
    ScriptedSdk::setText(r.guid, guid);
    ScriptedSdk::setText(r.name, name);
    ScriptedSdk::setText(r.describe, describe);
    return r;
}

tabROLEPERMISSIONINFO permission(const char* guid, const char* roleGuid, const char* type,
                                 const char* value)
{
    tabROLEPERMISSIONINFO p{};
    ScriptedSdk::setText(p.guid, guid);
    ScriptedSdk::setText(p.roleGuid, roleGuid);
    ScriptedSdk::setText(p.type, type);
    ScriptedSdk::setText(p.value, value);
    return p;
}

// What the server holds. carol's account names no role, dave's a role the
// server does not deliver, frank has two entries (the last one counts), and
// there is no account "eve".
const QVector<tabACCOUNT> kAccounts = {
    account("alice", "roleA"), account("bob", "roleB"),   account("carol", ""),
    account("dave", "ghost"),  account("frank", "roleA"), account("frank", "roleB"),
};
const QVector<tabROLEINFO> kRoles = {
    role("roleA", "Operators", "operate"),
    role("roleB", "Guards", "watch"),
};
const QVector<tabROLEPERMISSIONINFO> kPermissions = {
    permission("pA1", "roleA", "view", "true"),     permission("pB1", "roleB", "view", "true"),
    permission("pA2", "roleA", "ptz", "True"),      permission("pA3", "roleA", "record", "yes"),
    permission("pA4", "roleA", "talk", "false"),    permission("pA5", "roleA", "talk", "true"),
    permission("pG1", "ghost", "playback", "true"),
};

QString passwordOf(const QString& user)
{
    return QStringLiteral("pw-") + user;
}

// Scripts an accepted login with the server's lists and logs user in.
bool logIn(const QString& user)
{
    sdk().script(QStringLiteral("Login"), Reply::code(0));
    sdk().script(QStringLiteral("QueryAccount"), Reply::with(0, kAccounts));
    sdk().script(QStringLiteral("QueryRole"), Reply::with(0, kRoles));
    sdk().script(QStringLiteral("QueryRolePermission"), Reply::with(0, kPermissions));
    return core()->AccountLogin(user, passwordOf(user));
}

// One text field of each record.
template <typename T>
QStringList fieldOf(const QList<T>& records, QString T::*field)
{
    QStringList texts;
    for (const T& r : records)
        texts << r.*field;
    return texts;
}

QStringList permissionGuids(const QList<RolePermissionInfo>& permissions)
{
    return fieldOf(permissions, &RolePermissionInfo::guid);
}

// The login state in one comparable text.
QString loginState()
{
    const RoleInfo r = core()->userRole();
    return QStringList{core()->isLoggedIn() ? QStringLiteral("in") : QStringLiteral("out"),
                       core()->userName(),
                       core()->password(),
                       r.guid,
                       r.name,
                       r.describe,
                       permissionGuids(core()->userPermission()).join(QLatin1Char(','))}
        .join(QLatin1Char('|'));
}

// "role:region" pairs.
QList<RoleRegionInfo> grants(const QStringList& pairs)
{
    QList<RoleRegionInfo> out;
    for (const QString& pair : pairs)
        out << RoleRegionInfo{pair.section(QLatin1Char(':'), 0, 0),
                              pair.section(QLatin1Char(':'), 1)};
    return out;
}

// Captures every message, with the library's debug lines on whatever the
// logging rules of the environment say.
struct LogCapture {
    static QStringList& lines()
    {
        static QStringList captured;
        return captured;
    }
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        lines() << message;
    }
    static QLoggingCategory::CategoryFilter& previousFilter()
    {
        static QLoggingCategory::CategoryFilter previous = nullptr;
        return previous;
    }
    static void enableLibraryDebug(QLoggingCategory* category)
    {
        // Null during the pass that installFilter itself makes.
        if (previousFilter())
            previousFilter()(category);
        if (qstrcmp(category->categoryName(), "orsa.datacenter") == 0)
            category->setEnabled(QtDebugMsg, true);
    }

    LogCapture()
    {
        lines().clear();
        previousFilter() = QLoggingCategory::installFilter(&enableLibraryDebug);
        m_previousHandler = qInstallMessageHandler(&handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previousHandler);
        QLoggingCategory::installFilter(previousFilter());
    }

private:
    QtMessageHandler m_previousHandler;
};

} // namespace

Q_DECLARE_METATYPE(Reply)

class tst_Login : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void loginSetsRoleAndPermissions_data();
    void loginSetsRoleAndPermissions();
    void failedLoginChangesNothing_data();
    void failedLoginChangesNothing();
    void failedRefreshLeavesLoggedOut_data();
    void failedRefreshLeavesLoggedOut();
    void verifyPermission_data();
    void verifyPermission();
    void logout_data();
    void logout();
    void loginLogMasksPassword();

    void visibleRegions_data();
    void visibleRegions();
    void nameLookups_data();
    void nameLookups();

private:
    void logOut();
};

void tst_Login::initTestCase()
{
    EventReceiver::instance();
    QVERIFY(
        core()->ExportInterFace(EventReceiver::instance(), QStringLiteral("scripted"), 1, false));
}

void tst_Login::logOut()
{
    sdk().script(QStringLiteral("Logout"), Reply::code(0));
    QVERIFY(core()->AccountLogout());
}

void tst_Login::cleanupTestCase()
{
    // The threads that delivered the last answers end before the process does.
    sdk().joinThreads();
}

void tst_Login::init()
{
    sdk().reset();
    if (core()->isLoggedIn())
        logOut();
    sdk().reset();
    cache()->setList_account_Info({});
    cache()->setList_role_info({});
    cache()->setList_role_permission_info({});
    cache()->setList_region_info({});
    cache()->setList_role_region_info({});
    cache()->setList_role_alarm_info({});
}

void tst_Login::loginSetsRoleAndPermissions_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("role");
    QTest::addColumn<QStringList>("permissions");

    const QStringList operators{"roleA", "Operators", "operate"};
    const QStringList noRole{"", "NoRole", "Nothing"};
    // Every row logs in after alice: her permissions must never stay behind.
    QTest::addRow("same role again, not appended")
        << "alice" << operators << QStringList{"pA1", "pA2", "pA3", "pA4", "pA5"};
    QTest::addRow("other role, replaced")
        << "bob" << QStringList{"roleB", "Guards", "watch"} << QStringList{"pB1"};
    QTest::addRow("account naming no role") << "carol" << noRole << QStringList{};
    QTest::addRow("name absent from the accounts") << "eve" << noRole << QStringList{};
    QTest::addRow("role not cached")
        << "dave" << QStringList{"ghost", "", ""} << QStringList{"pG1"};
    QTest::addRow("last of two entries")
        << "frank" << QStringList{"roleB", "Guards", "watch"} << QStringList{"pB1"};
}

void tst_Login::loginSetsRoleAndPermissions()
{
    QFETCH(QString, user);
    QFETCH(QStringList, role);
    QFETCH(QStringList, permissions);
    QVERIFY(logIn(QStringLiteral("alice")));
    sdk().reset();
    QVERIFY(logIn(user));
    QVERIFY(core()->isLoggedIn());
    QCOMPARE(core()->userName(), user);
    QCOMPARE(core()->password(), passwordOf(user));
    const RoleInfo got = core()->userRole();
    QCOMPARE((QStringList{got.guid, got.name, got.describe}), role);
    QCOMPARE(permissionGuids(core()->userPermission()), permissions);

    // The login, then the three refreshes of every record, in this order.
    const QList<SdkCall> calls = sdk().calls();
    QCOMPARE(sdk().callNames(true),
             (QStringList{"Login", "QueryAccount", "QueryRole", "QueryRolePermission"}));
    QCOMPARE(calls.at(0).args, (QStringList{user, passwordOf(user)}));
    for (int i = 1; i < calls.size(); ++i)
        QCOMPARE(calls.at(i).args, QStringList{QString()});
}

void tst_Login::failedLoginChangesNothing_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addRow("refused") << Reply::refuse();
    QTest::addRow("rejected") << Reply::code(-2);
    QTest::addRow("timed out") << Reply::timeOut();
}

void tst_Login::failedLoginChangesNothing()
{
    QFETCH(Reply, reply);
    QVERIFY(logIn(QStringLiteral("alice")));
    const QString before = loginState();
    const QStringList accountsBefore =
        fieldOf(cache()->list_account_Info(), &AccountInfo::userName);
    sdk().reset();

    sdk().script(QStringLiteral("Login"), reply);
    QVERIFY(!core()->AccountLogin(QStringLiteral("bob"), QStringLiteral("wrong")));
    QCOMPARE(sdk().callNames(true), QStringList{"Login"});
    QCOMPARE(loginState(), before);
    QCOMPARE(fieldOf(cache()->list_account_Info(), &AccountInfo::userName), accountsBefore);
}

void tst_Login::failedRefreshLeavesLoggedOut_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<Reply>("failure");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<bool>("accountsRefreshed");
    QTest::addColumn<bool>("rolesRefreshed");

    QTest::addRow("accounts refused") << "QueryAccount" << Reply::refuse()
                                      << QStringList{"Login", "QueryAccount"} << false << false;
    QTest::addRow("roles timed out")
        << "QueryRole" << Reply::timeOut() << QStringList{"Login", "QueryAccount", "QueryRole"}
        << true << false;
    QTest::addRow("permissions timed out")
        << "QueryRolePermission" << Reply::timeOut()
        << QStringList{"Login", "QueryAccount", "QueryRole", "QueryRolePermission"} << true << true;
    // An answer with a failure empties its list: nothing the server did not give stays.
    QTest::addRow("accounts answered with failure")
        << "QueryAccount" << Reply::code(-7) << QStringList{"Login", "QueryAccount"} << false
        << false;
    QTest::addRow("roles answered with failure")
        << "QueryRole" << Reply::code(-2) << QStringList{"Login", "QueryAccount", "QueryRole"}
        << true << false;
    QTest::addRow("permissions answered with failure")
        << "QueryRolePermission" << Reply::code(-7)
        << QStringList{"Login", "QueryAccount", "QueryRole", "QueryRolePermission"} << true << true;
}

void tst_Login::failedRefreshLeavesLoggedOut()
{
    QFETCH(QString, failing);
    QFETCH(Reply, failure);
    QFETCH(QStringList, requests);
    QFETCH(bool, accountsRefreshed);
    QFETCH(bool, rolesRefreshed);
    const RolePermissionInfo oldPermission{"old", "roleA", "view", "true"};
    cache()->setList_account_Info({AccountInfo{"old", {}, {}, {}, {}}});
    cache()->setList_role_info({RoleInfo{"old", {}, {}}});
    cache()->setList_role_permission_info({oldPermission});
    const QString before = loginState();

    // The failing reply goes first in its queue; the others answer with the lists.
    sdk().script(failing, failure);
    QVERIFY(!logIn(QStringLiteral("alice")));
    QCOMPARE(sdk().callNames(true), requests);
    QCOMPARE(loginState(), before);
    QVERIFY(!core()->isLoggedIn());
    const bool answered = failure.mode == Reply::Answer;
    const auto emptiedIfAnswered = [&](const char* op, int size) {
        return answered && failing == QLatin1String(op) ? 0 : size;
    };
    QCOMPARE(fieldOf(cache()->list_account_Info(), &AccountInfo::userName).size(),
             emptiedIfAnswered("QueryAccount", accountsRefreshed ? kAccounts.size() : 1));
    const QStringList roles = rolesRefreshed ? QStringList{"roleA", "roleB"} : QStringList{"old"};
    QCOMPARE(fieldOf(cache()->list_role_info(), &RoleInfo::guid).size(),
             emptiedIfAnswered("QueryRole", roles.size()));
    if (emptiedIfAnswered("QueryRole", 1))
        QCOMPARE(fieldOf(cache()->list_role_info(), &RoleInfo::guid), roles);
    const QStringList permissions =
        emptiedIfAnswered("QueryRolePermission", 1) ? QStringList{"old"} : QStringList{};
    QCOMPARE(permissionGuids(cache()->list_role_permission_info()), permissions);
}

void tst_Login::verifyPermission_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("granted");
    QTest::addRow("value true") << "view" << true;
    QTest::addRow("type in other case") << "View" << false;
    QTest::addRow("value True") << "ptz" << false;
    QTest::addRow("value other text") << "record" << false;
    QTest::addRow("false then true") << "talk" << true;
    QTest::addRow("another role's permission") << "playback" << false;
    QTest::addRow("empty type") << "" << false;
}

void tst_Login::verifyPermission()
{
    QFETCH(QString, type);
    QFETCH(bool, granted);
    QVERIFY(logIn(QStringLiteral("alice")));
    QCOMPARE(core()->verifyPermission(type), granted);
    logOut();
    QVERIFY(!core()->userPermission().isEmpty());
    QVERIFY(!core()->verifyPermission(type));
}

void tst_Login::logout_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<bool>("loggedOut");
    QTest::addRow("accepted") << Reply::code(0) << true;
    QTest::addRow("rejected") << Reply::code(-2) << false;
    QTest::addRow("refused") << Reply::refuse() << false;
    QTest::addRow("timed out") << Reply::timeOut() << false;
}

void tst_Login::logout()
{
    QFETCH(Reply, reply);
    QFETCH(bool, loggedOut);
    QVERIFY(logIn(QStringLiteral("bob")));
    const QString before = loginState();

    sdk().script(QStringLiteral("Logout"), reply);
    QCOMPARE(core()->AccountLogout(), loggedOut);
    if (!loggedOut) {
        QCOMPARE(loginState(), before);
        return;
    }
    QVERIFY(!core()->isLoggedIn());
    QVERIFY(core()->userName().isEmpty());
    QVERIFY(core()->password().isEmpty());
    QCOMPARE(core()->userRole().guid, QStringLiteral("roleB"));
    QCOMPARE(core()->userRole().name, QStringLiteral("Guards"));
    QCOMPARE(permissionGuids(core()->userPermission()), QStringList{"pB1"});
}

void tst_Login::loginLogMasksPassword()
{
    {
        const LogCapture capture;
        QVERIFY(logIn(QStringLiteral("alice")));
    }

    const QStringList loginLines =
        LogCapture::lines().filter(QStringLiteral("account login userid:"));
    QCOMPARE(loginLines.size(), 1);
    QVERIFY2(loginLines.first().contains(QLatin1String("\"alice\"")),
             qPrintable(loginLines.first()));
    QVERIFY2(loginLines.first().contains(QLatin1String("password:")),
             qPrintable(loginLines.first()));
    QVERIFY2(loginLines.first().contains(QLatin1String("******")), qPrintable(loginLines.first()));
    QVERIFY(LogCapture::lines().filter(passwordOf(QStringLiteral("alice"))).isEmpty());
    // Only the log is masked.
    QCOMPARE(core()->password(), passwordOf(QStringLiteral("alice")));
    QCOMPARE(sdk().calls().first().args.at(1), passwordOf(QStringLiteral("alice")));
}

// ---- Region visibility --------------------------------------------------------
// Cached in this order; initials sh, bj, ah, tj, gz.
const QList<RegionInfo> kRegions = {
    {"r1", "", QStringLiteral("\u4e0a\u6d77"), 0, ""}, // Shanghai
    {"r2", "", QStringLiteral("\u5317\u4eac"), 0, ""}, // Beijing
    {"r3", "", QStringLiteral("\u5b89\u5fbd"), 0, ""}, // Anhui
    {"r4", "", QStringLiteral("\u5929\u6d25"), 0, ""}, // Tianjin
    {"r5", "", QStringLiteral("\u5e7f\u5dde"), 0, ""}, // Guangzhou
};

void tst_Login::visibleRegions_data()
{
    QTest::addColumn<QString>("user"); // empty: nobody logged in
    QTest::addColumn<QStringList>("videoGrants");
    QTest::addColumn<QString>("guid");
    QTest::addColumn<QStringList>("expected");

    const QStringList someGrants{"roleA:r1", "roleA:r2", "roleB:r4", "roleA:r3"};
    QTest::addRow("logged out: every region in cache order")
        << "" << someGrants << "" << QStringList{"r1", "r2", "r3", "r4", "r5"};
    QTest::addRow("logged out: one region") << "" << someGrants << "r4" << QStringList{"r4"};
    QTest::addRow("logged in: the role's grants, sorted")
        << "alice" << someGrants << "" << QStringList{"r3", "r2", "r1"};
    QTest::addRow("logged in: a granted region")
        << "alice" << someGrants << "r2" << QStringList{"r2"};
    QTest::addRow("logged in: a region granted to another role")
        << "alice" << someGrants << "r4" << QStringList{};
    QTest::addRow("grant with empty region guid: every region")
        << "alice" << QStringList{"roleA:"} << "" << QStringList{"r3", "r2", "r5", "r1", "r4"};
    QTest::addRow("grant with empty region guid matches no given guid")
        << "alice" << QStringList{"roleA:"} << "r4" << QStringList{};
    QTest::addRow("role with empty guid: every role's grants")
        << "carol" << someGrants << "" << QStringList{"r3", "r2", "r1", "r4"};
    QTest::addRow("region granted twice, listed twice")
        << "alice" << QStringList{"roleA:r2", "roleA:r1", "roleA:r2"} << ""
        << QStringList{"r2", "r2", "r1"};
    QTest::addRow("grant of an uncached region")
        << "alice" << QStringList{"roleA:r9", "roleA:r5"} << "" << QStringList{"r5"};
}

void tst_Login::visibleRegions()
{
    QFETCH(QString, user);
    QFETCH(QStringList, videoGrants);
    QFETCH(QString, guid);
    QFETCH(QStringList, expected);
    // Logged out after a login: the role stays set, and must not count.
    QVERIFY(logIn(user.isEmpty() ? QStringLiteral("alice") : user));
    if (user.isEmpty())
        logOut();
    cache()->setList_region_info(kRegions);
    cache()->setList_role_region_info(grants(videoGrants));
    // Alarm grants never make a region visible.
    cache()->setList_role_alarm_info({RegionAlarmInfo{"roleA", "r5"}});

    QCOMPARE(fieldOf(core()->GetOneRegion(guid), &RegionInfo::guid), expected);
}

void tst_Login::nameLookups_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("guid"); // empty: not found

    // r6 shares r2's name; logged in, the sort puts r6 before r2.
    QTest::addRow("shared name, first after sorting") << true << "\u5317\u4eac"
                                                      << "r6";
    QTest::addRow("visible") << true << "\u5b89\u5fbd"
                             << "r3";
    QTest::addRow("cached but not visible") << true << "\u5929\u6d25"
                                            << "";
    QTest::addRow("part of a name") << true << "\u5317"
                                    << "";
    QTest::addRow("logged out: shared name, cache order") << false << "\u5317\u4eac"
                                                          << "r2";
    QTest::addRow("logged out: every region") << false << "\u5929\u6d25"
                                              << "r4";
}

void tst_Login::nameLookups()
{
    QFETCH(bool, loggedIn);
    QFETCH(QString, name);
    QFETCH(QString, guid);
    QVERIFY(logIn(QStringLiteral("alice")));
    if (!loggedIn)
        logOut();
    cache()->setList_region_info(kRegions + QList<RegionInfo>{{"r6", "", kRegions[1].name, 0, ""}});
    // Initials bj, bj, ah: the exchange sort gives r3, r6, r2.
    cache()->setList_role_region_info(grants({"roleA:r2", "roleA:r6", "roleA:r3"}));

    QCOMPARE(core()->getAreaUidByName(name), guid);
    QCOMPARE(core()->groupNameExists(name), !guid.isEmpty());
    QCOMPARE(core()->isExistByAreaName(name), !guid.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Login)
#include "tst_login.moc"
