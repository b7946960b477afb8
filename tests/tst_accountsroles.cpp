// Accounts, roles, role permissions and a role's video and alarm grants,
// against the scripted SDK.
#include "support/opsfixture.h"

using namespace DATACore;
using namespace ops;

class tst_AccountsRoles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void singleRequests_data();
    void singleRequests();
    void addRolePermissionReplacesType_data();
    void addRolePermissionReplacesType();
};

void tst_AccountsRoles::initTestCase()
{
    EventReceiver::instance();
    QVERIFY(exportScripted());
}

void tst_AccountsRoles::init()
{
    sdk().reset();
    clearCache();
    cache()->setList_account_Info({{"alice", "old", "1", "a@x", "r1"}});
    cache()->setList_role_info({{"r1", "Admin", "all"}});
    cache()->setList_role_permission_info({{"p1", "r1", "video", "true"}});
    cache()->setList_role_region_info({{"r1", "g1"}});
    cache()->setList_role_alarm_info({{"r1", "g1"}});
}

void tst_AccountsRoles::singleRequests_data()
{
    addOutcomeColumns();
    auto* c = core();
    addOutcomeRows("add account",
                   {[c] { return c->AddOneAccount("bob", "555", "b@x", "pw-b", "r1"); },
                    "AddAccount(bob|555|b@x|pw-b|r1)",
                    Reply(),
                    "accounts",
                    {"alice|old|1|a@x|r1", "bob||555|b@x|r1"},
                    {"signalAddAccount(bob||555|b@x|r1)"}});
    addOutcomeRows("add account already cached",
                   {[c] { return c->AddOneAccount("alice", "2", "m", "pw-a", "r2"); },
                    "AddAccount(alice|2|m|pw-a|r2)",
                    Reply(),
                    "accounts",
                    {"alice||2|m|r2"},
                    {"signalAddAccount(alice||2|m|r2)"}});
    addOutcomeRows("edit account",
                   {[c] { return c->EditOneAccount("alice", "2", "m", "pw-new", "r2"); },
                    "EditAccount(alice|2|m|pw-new|r2)",
                    Reply(),
                    "accounts",
                    {"alice|pw-new|2|m|r2"},
                    {"signalEditAccount(alice|pw-new|2|m|r2)"}});
    addOutcomeRows("delete account", {[c] { return c->DeleteOneAccount("alice"); },
                                      "DeleteAccount(alice)",
                                      Reply(),
                                      "accounts",
                                      {},
                                      {"signalDeleteAccount(alice)"}});
    addOutcomeRows("delete uncached account", {[c] { return c->DeleteOneAccount("Alice"); },
                                               "DeleteAccount(Alice)",
                                               Reply(),
                                               "accounts",
                                               {"alice|old|1|a@x|r1"},
                                               {"signalDeleteAccount(Alice)"}});
    addOutcomeRows("add role", {[c] { return c->AddOneRole("Ops", "night shift"); },
                                "AddRole(Ops|night shift)",
                                added<tabROLEINFO>("r9"),
                                "roles",
                                {"r1|Admin|all", "r9|Ops|night shift"},
                                {"signalAddRole(r9|Ops|night shift)"}});
    addOutcomeRows("edit role", {[c] { return c->EditOneRole("r1", "Boss", "most"); },
                                 "EditRole(r1|Boss|most)",
                                 Reply(),
                                 "roles",
                                 {"r1|Boss|most"},
                                 {"signalEditRole(r1|Boss|most)"}});
    // The role's permissions and grants stay cached.
    addOutcomeRows("delete role",
                   {[c] { return c->DeleteOneRole("r1"); },
                    "DeleteRole(r1)",
                    Reply(),
                    "roles",
                    {},
                    {},
                    // The server deletes the role's grants and permissions with it.
                    {{"permissions", {}}, {"video grants", {}}, {"alarm grants", {}}}});
    addOutcomeRows("add permission of a new type",
                   {[c] { return c->addRolePermission("r1", "audio", "on"); },
                    "AddRolePermission(r1|audio|on)",
                    added<tabROLEPERMISSIONINFO>("p9"),
                    "permissions",
                    {"p1|r1|video|true", "p9|r1|audio|on"},
                    {}});
    addOutcomeRows("delete permission",
                   {[c] {
                        return c->deleteRolePermission(RolePermissionInfo{"p1", "r1", "x", "y"});
                    },
                    "DeleteRolePermission(p1)",
                    Reply(),
                    "permissions",
                    {},
                    {}});
    addOutcomeRows("add video grant", {[c] { return c->addRegionVideo("r2", "g2"); },
                                       "AddVideoRegion(r2|g2)",
                                       Reply(),
                                       "video grants",
                                       {"r1|g1", "r2|g2"},
                                       {}});
    addOutcomeRows("add video grant already cached", {[c] { return c->addRegionVideo("r1", "g1"); },
                                                      "AddVideoRegion(r1|g1)",
                                                      Reply(),
                                                      "video grants",
                                                      {"r1|g1"},
                                                      {}});
    addOutcomeRows("delete video grant", {[c] { return c->deleteRegionVideo("r1", "g1"); },
                                          "DeleteVideoRegion(r1|g1)",
                                          Reply(),
                                          "video grants",
                                          {},
                                          {}});
    addOutcomeRows("add alarm grant", {[c] { return c->addAlarmRegion("r2", "g2"); },
                                       "AddAlarmRegion(r2|g2)",
                                       Reply(),
                                       "alarm grants",
                                       {"r1|g1", "r2|g2"},
                                       {}});
    addOutcomeRows("delete alarm grant", {[c] { return c->deleteAlarmRegion("r1", "g1"); },
                                          "DeleteAlarmRegion(r1|g1)",
                                          Reply(),
                                          "alarm grants",
                                          {},
                                          {}});
}

void tst_AccountsRoles::singleRequests()
{
    checkOutcome();
}

void tst_AccountsRoles::addRolePermissionReplacesType_data()
{
    addCompoundColumns(); // arg: the permission type
    const Reply newGuid = added<tabROLEPERMISSIONINFO>("p9");
    const QStringList replaced = {"DeleteRolePermission(p1)", "DeleteRolePermission(p4)",
                                  "AddRolePermission(r1|video|yes)"};
    QTest::addRow("both old permissions go, then the add")
        << "video" << Scripts{{"AddRolePermission", newGuid}} << true << replaced
        << QStringList{"p2|r2|video|true", "p3|r1|audio|x", "p9|r1|video|yes"};
    QTest::addRow("a failed removal does not stop the rest")
        << "video"
        << Scripts{{"DeleteRolePermission", Reply::code(-1)}, {"AddRolePermission", newGuid}}
        << true << replaced
        << QStringList{"p1|r1|video|true", "p2|r2|video|true", "p3|r1|audio|x", "p9|r1|video|yes"};
    QTest::addRow("a refused removal does not stop the rest")
        << "video"
        << Scripts{{"DeleteRolePermission", Reply::refuse()}, {"AddRolePermission", newGuid}}
        << true << replaced
        << QStringList{"p1|r1|video|true", "p2|r2|video|true", "p3|r1|audio|x", "p9|r1|video|yes"};
    QTest::addRow("removals stay when the add is refused")
        << "video" << Scripts{{"AddRolePermission", Reply::refuse()}} << false << replaced
        << QStringList{"p2|r2|video|true", "p3|r1|audio|x"};
    QTest::addRow("removals stay when the add times out")
        << "video" << Scripts{{"AddRolePermission", Reply::timeOut()}} << false << replaced
        << QStringList{"p2|r2|video|true", "p3|r1|audio|x"};
    QTest::addRow("a type differing in case removes nothing")
        << "Video" << Scripts{{"AddRolePermission", newGuid}} << true
        << QStringList{"AddRolePermission(r1|Video|yes)"}
        << QStringList{"p1|r1|video|true", "p2|r2|video|true", "p3|r1|audio|x", "p4|r1|video|false",
                       "p9|r1|Video|yes"};
}

void tst_AccountsRoles::addRolePermissionReplacesType()
{
    cache()->setList_role_permission_info({{"p1", "r1", "video", "true"},
                                           {"p2", "r2", "video", "true"},
                                           {"p3", "r1", "audio", "x"},
                                           {"p4", "r1", "video", "false"}});
    checkCompound([](const QString& type) { return core()->addRolePermission("r1", type, "yes"); },
                  [] { return texts(cache()->list_role_permission_info()); });
}

QTEST_GUILESS_MAIN(tst_AccountsRoles)
#include "tst_accountsroles.moc"
