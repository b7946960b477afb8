// What an account may do, by the permissions of its role, as the embedded
// service answers it through the SDK; and the guard that keeps one
// administrator.
#include "BizOrsaRights.h"
#include "TestHub.h"

#include <QtTest>

#include <functional>

namespace {

// Records made by the administrator before the account under test logs in.
struct Site {
    QByteArray role; // the account's own role
    QByteArray otherRole;
    QByteArray region;
    QByteArray device;
    QByteArray channel;
    QByteArray view;
    QByteArray server;
    QByteArray permission; // one of otherRole's
};

const char kUser[] = "user";
const char kPassword[] = "pw";

} // namespace

using Operation = std::function<int(TestHub&, const Site&)>;
Q_DECLARE_METATYPE(Operation)

class tst_SdkRights : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ORSA_REQUIRE_ENGINE(); }
    void operations_data();
    void operations();
    void ownAccountOnly_data();
    void ownAccountOnly();
    void loginPasswords_data();
    void loginPasswords();
    void administratorsRoleNeedsNoPermission();
    void refusedRequestChangesNothing();
    void lastAdministrator_data();
    void lastAdministrator();

private:
    // Logged in as admin: the site, the account kUser in a role of its own
    // with these permissions ("type" is valued "true", "type=value" as given),
    // or in the administrators' role; then logged in as kUser.
    static Site logInWith(TestHub& t, const QStringList& permissions, bool administrator = false);
};

Site tst_SdkRights::logInWith(TestHub& t, const QStringList& permissions, bool administrator)
{
    Site site;
    if (!t.login())
        return site;
    site.role = t.addRole("own");
    site.otherRole = t.addRole("other");
    for (const QString& permission : permissions) {
        const QStringList parts = permission.split(QLatin1Char('='));
        const QByteArray value = parts.size() > 1 ? parts[1].toUtf8() : QByteArray("true");
        t.wait(t.permission()->AddRolePermission(site.role, parts[0].toUtf8(), value));
    }
    site.permission = text(t.wait(t.permission()->AddRolePermission(site.otherRole, "x", "y"))
                               .record<tabROLEPERMISSIONINFO>()
                               .guid);
    site.region = t.addRegion("hall");
    site.device = text(
        t.wait(t.device()->AddDevice("cam", "", "admin", "dev-secret", "10.0.0.1", 8000, 2, 0, 0))
            .record<tabDEVICEINFO>()
            .guid);
    site.channel = t.channel(site.device, 1);
    site.view = t.addView("wall");
    site.server =
        text(t.wait(t.server()->AddServer("srv", "root", "server-secret", "10.0.0.2", 80, 0))
                 .record<tabSERVERINFO>()
                 .guid);
    const QByteArray role = administrator ? QByteArray(BIZORSA_ADMINISTRATORS_ROLE) : site.role;
    t.wait(t.account()->AddAccount(kUser, "", "", kPassword, role));
    t.wait(t.account()->Logout());
    if (t.result(t.account()->Login(kUser, kPassword)) != BIZORSA_OK)
        return {};
    return site;
}

void tst_SdkRights::operations_data()
{
    QTest::addColumn<QStringList>("permissions");
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("expected");
    const int ok = BIZORSA_OK;
    const int forbidden = BIZORSA_E_FORBIDDEN;
    const QStringList none;
    const auto row = [](const char* name, const QStringList& permissions, int expected,
                        Operation operation) {
        QTest::newRow(name) << permissions << operation << expected;
    };
    const QStringList accounts{BIZORSA_RIGHT_MANAGE_ACCOUNTS};
    const QStringList roles{BIZORSA_RIGHT_MANAGE_ROLES};
    const QStringList regions{BIZORSA_RIGHT_MANAGE_REGIONS};
    const QStringList devices{BIZORSA_RIGHT_MANAGE_DEVICES};
    const QStringList views{BIZORSA_RIGHT_MANAGE_VIEWS};
    const QStringList servers{BIZORSA_RIGHT_MANAGE_SERVERS};

    // clang-format off
    // Accounts, the own one included.
    const Operation addAccount = [](TestHub& t, const Site&) { return t.result(t.account()->AddAccount("new", "", "", "pw", "")); };
    const Operation resetAdminPassword = [](TestHub& t, const Site&) { return t.result(t.account()->EditAccount("admin", "", "", "mine", BIZORSA_ADMINISTRATORS_ROLE)); };
    const Operation deleteAdmin = [](TestHub& t, const Site&) { return t.result(t.account()->DeleteAccount("admin")); };
    const Operation ownContact = [](TestHub& t, const Site& s) { return t.result(t.account()->EditAccount(kUser, "555", "u@x", "new", s.role)); };
    const Operation ownRoleToAdministrators = [](TestHub& t, const Site&) { return t.result(t.account()->EditAccount(kUser, "", "", "", BIZORSA_ADMINISTRATORS_ROLE)); };
    const Operation ownRoleToOther = [](TestHub& t, const Site& s) { return t.result(t.account()->EditAccount(kUser, "", "", "", s.otherRole)); };
    row("add account, no right", none, forbidden, addAccount);
    row("add account, manage.accounts", accounts, ok, addAccount);
    row("reset admin's password, no right", none, forbidden, resetAdminPassword);
    row("reset admin's password, manage.roles", roles, forbidden, resetAdminPassword);
    row("reset admin's password, manage.accounts", accounts, ok, resetAdminPassword);
    row("delete admin, no right", none, forbidden, deleteAdmin);
    row("own phone, mail and password, no right", none, ok, ownContact);
    row("own role to administrators, no right", none, forbidden, ownRoleToAdministrators);
    row("own role to another, no right", none, forbidden, ownRoleToOther);
    row("own role to another, manage.accounts", accounts, ok, ownRoleToOther);

    // Roles, permissions and grants.
    const Operation addRole = [](TestHub& t, const Site&) { return t.result(t.role()->AddRole("r", "")); };
    const Operation grantOwnRole = [](TestHub& t, const Site& s) { return t.result(t.permission()->AddRolePermission(s.role, BIZORSA_RIGHT_MANAGE_ACCOUNTS, "true")); };
    const Operation deletePermission = [](TestHub& t, const Site& s) { return t.result(t.permission()->DeleteRolePermission(s.permission)); };
    const Operation videoToOther = [](TestHub& t, const Site& s) { return t.result(t.video()->AddVideoRegion(s.otherRole, s.region)); };
    const Operation deleteOwnVideo = [](TestHub& t, const Site& s) { return t.result(t.video()->DeleteVideoRegion(s.role, s.region)); };
    row("add role, no right", none, forbidden, addRole);
    row("add role, manage.roles", roles, ok, addRole);
    row("permission for the own role, no right", none, forbidden, grantOwnRole);
    row("permission for the own role, manage.accounts", accounts, forbidden, grantOwnRole);
    row("delete permission, manage.roles", roles, ok, deletePermission);
    row("video grant to another role, manage.regions", regions, forbidden, videoToOther);
    row("video grant to another role, manage.roles", roles, ok, videoToOther);
    row("delete video grant, manage.regions", regions, forbidden, deleteOwnVideo);

    // Regions, their channels and the grants that follow a new region.
    const Operation addRegion = [](TestHub& t, const Site&) { return t.result(t.region()->AddRegion("r", "", 1, "")); };
    const Operation fileChannel = [](TestHub& t, const Site& s) { return t.result(t.region()->AddRegionChannel(s.region, s.channel, "door")); };
    const Operation videoToOwn = [](TestHub& t, const Site& s) { return t.result(t.video()->AddVideoRegion(s.role, s.region)); };
    const Operation alarmToAdministrators = [](TestHub& t, const Site& s) { return t.result(t.alarm()->AddAlarmRegion(BIZORSA_ADMINISTRATORS_ROLE, s.region)); };
    row("add region, no right", none, forbidden, addRegion);
    row("add region, manage.devices", devices, forbidden, addRegion);
    row("add region, manage.regions", regions, ok, addRegion);
    row("file channel into region, no right", none, forbidden, fileChannel);
    row("file channel into region, manage.regions", regions, ok, fileChannel);
    row("video grant to own role, no right", none, forbidden, videoToOwn);
    row("video grant to own role, manage.regions", regions, ok, videoToOwn);
    row("alarm grant to administrators, no right", none, forbidden, alarmToAdministrators);
    row("alarm grant to administrators, manage.regions", regions, ok, alarmToAdministrators);

    // Devices, views, servers.
    const Operation addDevice = [](TestHub& t, const Site&) { return t.result(t.device()->AddDevice("d", "", "", "", "", 1, 1, 0, 0)); };
    const Operation deleteDevice = [](TestHub& t, const Site& s) { return t.result(t.device()->DeleteDevice(s.device)); };
    const Operation placeChannel = [](TestHub& t, const Site& s) { return t.result(t.view()->AddViewChannel(s.view, s.channel, 1)); };
    const Operation editServer = [](TestHub& t, const Site& s) { return t.result(t.server()->EditServer(s.server, "srv", "root", "x", "10.0.0.2", 80)); };
    row("add device, no right", none, forbidden, addDevice);
    row("add device, manage.views", views, forbidden, addDevice);
    row("add device, manage.devices", devices, ok, addDevice);
    row("add device, manage.devices valued other than true", {"manage.devices=yes"}, forbidden, addDevice);
    row("add device, manage.devices valued True", {"manage.devices=True"}, forbidden, addDevice);
    row("delete device, manage.devices", devices, ok, deleteDevice);
    row("place channel in view, no right", none, forbidden, placeChannel);
    row("place channel in view, manage.views", views, ok, placeChannel);
    row("edit server, manage.devices", devices, forbidden, editServer);
    row("edit server, manage.servers", servers, ok, editServer);

    // Reading needs no right.
    row("query roles, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.role()->QueryRole("")); });
    row("query permissions, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.permission()->QueryRolePermission("")); });
    row("query video grants, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.video()->QueryVideoRegion("")); });
    row("query region channels, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.region()->QueryRegionChannel("")); });
    row("query device channels, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.device()->QueryDeviceChannel("")); });
    row("query view channels, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.view()->QueryViewChannel("")); });
    row("query servers, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.server()->QueryServer("")); });
    row("log out, no right", none, ok, [](TestHub& t, const Site&) { return t.result(t.account()->Logout()); });
    // clang-format on
}

void tst_SdkRights::operations()
{
    QFETCH(QStringList, permissions);
    QFETCH(Operation, operation);
    QFETCH(int, expected);
    TestHub t;
    QVERIFY(t.hub);
    const Site site = logInWith(t, permissions);
    QVERIFY(!site.role.isEmpty());
    QCOMPARE(operation(t, site), expected);
}

void tst_SdkRights::ownAccountOnly_data()
{
    QTest::addColumn<QStringList>("permissions");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArrayList>("names");
    const QStringList accounts{BIZORSA_RIGHT_MANAGE_ACCOUNTS};
    QTest::newRow("all, no right") << QStringList() << QByteArray() << QByteArrayList{kUser};
    QTest::newRow("own, no right") << QStringList() << QByteArray(kUser) << QByteArrayList{kUser};
    QTest::newRow("admin, no right") << QStringList() << QByteArray("admin") << QByteArrayList();
    QTest::newRow("all, manage.accounts")
        << accounts << QByteArray() << QByteArrayList{"admin", kUser};
    QTest::newRow("admin, manage.accounts")
        << accounts << QByteArray("admin") << QByteArrayList{"admin"};
}

void tst_SdkRights::ownAccountOnly()
{
    QFETCH(QStringList, permissions);
    QFETCH(QByteArray, key);
    QFETCH(QByteArrayList, names);
    TestHub t;
    QVERIFY(t.hub);
    QVERIFY(!logInWith(t, permissions).role.isEmpty());
    const Callback answer = t.wait(t.account()->QueryAccount(key.constData()));
    QCOMPARE(answer.result, int(BIZORSA_OK));
    QByteArrayList got;
    for (int i = 0; i < answer.count; ++i)
        got << text(answer.record<tabACCOUNT>(i).userName);
    QCOMPARE(got, names);
}

void tst_SdkRights::loginPasswords_data()
{
    QTest::addColumn<QStringList>("permissions");
    QTest::addColumn<bool>("deviceShown");
    QTest::addColumn<bool>("serverShown");
    QTest::newRow("no right") << QStringList() << false << false;
    QTest::newRow("manage.devices") << QStringList{BIZORSA_RIGHT_MANAGE_DEVICES} << true << false;
    QTest::newRow("manage.servers") << QStringList{BIZORSA_RIGHT_MANAGE_SERVERS} << false << true;
}

// A hidden password is all zero bytes, not a text cut short.
void tst_SdkRights::loginPasswords()
{
    QFETCH(QStringList, permissions);
    QFETCH(bool, deviceShown);
    QFETCH(bool, serverShown);
    TestHub t;
    QVERIFY(t.hub);
    QVERIFY(!logInWith(t, permissions).role.isEmpty());
    const Callback device = t.wait(t.device()->QueryDevice(""));
    const Callback server = t.wait(t.server()->QueryServer(""));
    QCOMPARE(device.count, 1);
    QCOMPARE(server.count, 1);
    const tabDEVICEINFO d = device.record<tabDEVICEINFO>();
    const tabSERVERINFO s = server.record<tabSERVERINFO>();
    const QByteArray hiddenDevice(sizeof d.devPassword, '\0');
    const QByteArray hiddenServer(sizeof s.password, '\0');
    QCOMPARE(QByteArray(d.devPassword, sizeof d.devPassword) == hiddenDevice, !deviceShown);
    QCOMPARE(QByteArray(s.password, sizeof s.password) == hiddenServer, !serverShown);
    if (deviceShown)
        QCOMPARE(text(d.devPassword), QByteArray("dev-secret"));
    if (serverShown)
        QCOMPARE(text(s.password), QByteArray("server-secret"));
    // The rest of the record is there either way.
    QCOMPARE(text(d.devName), QByteArray("cam"));
    QCOMPARE(text(s.user), QByteArray("root"));
}

void tst_SdkRights::administratorsRoleNeedsNoPermission()
{
    TestHub t;
    QVERIFY(t.hub);
    const Site site = logInWith(t, {}, true);
    QVERIFY(!site.role.isEmpty());
    QCOMPARE(text(t.wait(t.device()->QueryDevice(site.device)).record<tabDEVICEINFO>().devPassword),
             QByteArray("dev-secret"));
    QCOMPARE(t.result(t.account()->AddAccount("new", "", "", "pw", "")), 0);
    QCOMPARE(t.result(t.role()->EditRole(site.otherRole, "renamed", "")), 0);
    QCOMPARE(t.result(t.region()->EditRegion(site.region, "renamed", "")), 0);
    QCOMPARE(t.result(t.device()->EditDevice(site.device, "d", "", "", "", 1)), 0);
    QCOMPARE(t.result(t.view()->EditView(site.view, "v", 4)), 0);
    QCOMPARE(t.result(t.server()->DeleteServer(site.server)), 0);
    QCOMPARE(t.count(t.account()->QueryAccount("")), 3);
}

// The account that tried to take over admin is refused, and admin is untouched.
void tst_SdkRights::refusedRequestChangesNothing()
{
    TestHub t;
    QVERIFY(t.hub);
    const Site site = logInWith(t, {});
    QVERIFY(!site.role.isEmpty());
    QCOMPARE(t.result(t.account()->EditAccount("admin", "", "", "mine", "")),
             int(BIZORSA_E_FORBIDDEN));
    QCOMPARE(t.result(t.account()->EditAccount(kUser, "", "", "", BIZORSA_ADMINISTRATORS_ROLE)),
             int(BIZORSA_E_FORBIDDEN));
    QCOMPARE(t.result(t.device()->DeleteDevice(site.device)), int(BIZORSA_E_FORBIDDEN));
    QCOMPARE(text(t.wait(t.account()->QueryAccount(kUser)).record<tabACCOUNT>().roleGuid),
             site.role);
    QVERIFY(t.login());
    QCOMPARE(t.count(t.device()->QueryDevice(site.device)), 1);
}

void tst_SdkRights::lastAdministrator_data()
{
    QTest::addColumn<bool>("second");
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("expected");
    const Operation remove = [](TestHub& t, const Site&) {
        return t.result(t.account()->DeleteAccount("admin"));
    };
    const Operation demote = [](TestHub& t, const Site& s) {
        return t.result(t.account()->EditAccount("admin", "", "", "", s.role));
    };
    const Operation leaveRole = [](TestHub& t, const Site&) {
        return t.result(t.account()->EditAccount("admin", "", "", "", ""));
    };
    const Operation deleteRole = [](TestHub& t, const Site&) {
        return t.result(t.role()->DeleteRole(BIZORSA_ADMINISTRATORS_ROLE));
    };
    const int lockOut = BIZORSA_E_LAST_ADMINISTRATOR;
    QTest::newRow("delete the only one") << false << remove << lockOut;
    QTest::newRow("move the only one to another role") << false << demote << lockOut;
    QTest::newRow("take the only one's role away") << false << leaveRole << lockOut;
    QTest::newRow("delete one of two") << true << remove << int(BIZORSA_OK);
    QTest::newRow("move one of two to another role") << true << demote << int(BIZORSA_OK);
    QTest::newRow("delete the role, with two") << true << deleteRole << int(BIZORSA_E_STILL_IN_USE);
}

// kUser is the administrator here, working on admin.
void tst_SdkRights::lastAdministrator()
{
    QFETCH(bool, second);
    QFETCH(Operation, operation);
    QFETCH(int, expected);
    TestHub t;
    QVERIFY(t.hub);
    const Site site = logInWith(t, {}, true);
    QVERIFY(!site.role.isEmpty());
    if (!second) { // kUser leaves admin alone in the role
        QCOMPARE(t.result(t.account()->EditAccount(kUser, "", "", "", site.role)), 0);
        QVERIFY(t.login());
    }
    QCOMPARE(operation(t, site), expected);
    // Whatever happened, an account is left in the administrators' role.
    if (second)
        QCOMPARE(t.result(t.account()->Login(kUser, kPassword)), 0);
    else
        QVERIFY(t.login());
    const Callback accounts = t.wait(t.account()->QueryAccount(""));
    int administrators = 0;
    for (int i = 0; i < accounts.count; ++i)
        administrators +=
            text(accounts.record<tabACCOUNT>(i).roleGuid) == BIZORSA_ADMINISTRATORS_ROLE;
    QVERIFY(administrators >= 1);
}

QTEST_GUILESS_MAIN(tst_SdkRights)
#include "tst_sdkrights.moc"
