// What the embedded service does with each kind of record, seen through the
// SDK's callbacks: record layouts, references, upserts, bounds and cascades.
#include "TestHub.h"

#include <QtTest>

#include <functional>
#include <memory>

using Issue = std::function<int(TestHub&)>;
Q_DECLARE_METATYPE(Issue)
// A request given one text argument.
using Filler = std::function<int(TestHub&, const char*)>;
Q_DECLARE_METATYPE(Filler)

namespace {

template <class T>
int intAt(const QByteArray& bytes, int offset)
{
    T value;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return value;
}

bool isUuid(const QByteArray& guid)
{
    return QRegularExpression(
               "^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$")
        .match(QString::fromLatin1(guid))
        .hasMatch();
}

} // namespace

class tst_SdkRecords : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ORSA_REQUIRE_ENGINE(); }
    void init();
    void cleanup() { m_t.reset(); }
    void firstAccountAndRole();
    void addAnswersTheStoredRecord();
    void deviceComesWithItsChannels();
    void accountRules_data();
    void accountRules();
    void editWithEmptyPasswordKeepsIt();
    void textsMustFitTheirField_data();
    void textsMustFitTheirField();
    void numbersOutOfRange_data();
    void numbersOutOfRange();
    void unknownReferences_data();
    void unknownReferences();
    void placements();
    void grantsAndPermissions();
    void deleteRules();
    void textBytesAsGiven();

private:
    std::unique_ptr<TestHub> m_t;
};

void tst_SdkRecords::init()
{
    m_t = std::make_unique<TestHub>();
    QVERIFY(m_t->hub);
    QVERIFY(m_t->login());
}

void tst_SdkRecords::firstAccountAndRole()
{
    TestHub& t = *m_t;
    const Callback accounts = t.wait(t.account()->QueryAccount(""));
    QCOMPARE(accounts.count, 1);
    QCOMPARE(accounts.bytes.size(), int(sizeof(tabACCOUNT)));
    const auto admin = accounts.record<tabACCOUNT>();
    QCOMPARE(text(admin.userName), QByteArray("admin"));
    QCOMPARE(text(admin.roleGuid), QByteArray("88341189"));
    QCOMPARE(QByteArray(admin.password, sizeof admin.password), QByteArray(64, '\0'));
    const Callback roles = t.wait(t.role()->QueryRole("88341189"));
    QCOMPARE(roles.count, 1);
    QCOMPARE(text(roles.record<tabROLEINFO>().name), QByteArray("Administrator"));
}

// The add callback's record is byte for byte the record a query answers.
void tst_SdkRecords::addAnswersTheStoredRecord()
{
    TestHub& t = *m_t;
    const Callback dev =
        t.wait(t.device()->AddDevice("cam", "N7", "root", "pw", "10.0.0.9", 554, 2, 3, 4));
    QCOMPARE(dev.result, 0);
    QCOMPARE(dev.count, 1);
    const QByteArray guid = text(dev.record<tabDEVICEINFO>().guid);
    QVERIFY(isUuid(guid));
    QCOMPARE(QByteArray(dev.bytes.constData() + 348), QByteArray("10.0.0.9"));
    QCOMPARE(intAt<int>(dev.bytes, 364), 554);
    QCOMPARE(intAt<int>(dev.bytes, 368), 2);
    QCOMPARE(intAt<int>(dev.bytes, 376), 3);
    QCOMPARE(intAt<int>(dev.bytes, 380), 4);
    QCOMPARE(t.wait(t.device()->QueryDevice(guid.constData())).bytes, dev.bytes);

    const Callback server =
        t.wait(t.server()->AddServer("s", "operator", "pw", "10.0.0.1", 8000, 4));
    QCOMPARE(QByteArray(server.bytes.constData() + 164), QByteArray("operator"));
    QCOMPARE(QByteArray(server.bytes.constData() + 364), QByteArray("10.0.0.1"));
    QCOMPARE(intAt<int>(server.bytes, 468), 4);
    const QByteArray serverGuid = text(server.record<tabSERVERINFO>().guid);
    QCOMPARE(t.wait(t.server()->QueryServer(serverGuid.constData())).bytes, server.bytes);

    const Callback region = t.wait(t.region()->AddRegion("north", "", 7, "cold"));
    QCOMPARE(intAt<int>(region.bytes, 228), 7);
    QCOMPARE(QByteArray(region.bytes.constData() + 232), QByteArray("cold"));
    const QByteArray regionGuid = text(region.record<tabREGIONINFO>().guid);
    QCOMPARE(t.wait(t.region()->QueryRegion(regionGuid.constData())).bytes, region.bytes);

    const Callback view = t.wait(t.view()->AddView("wall", 9));
    QCOMPARE(intAt<int>(view.bytes, 164), 9);
    QCOMPARE(t.wait(t.view()->QueryView(view.bytes.constData())).bytes, view.bytes);

    const Callback role = t.wait(t.role()->AddRole("guards", "night"));
    QCOMPARE(QByteArray(role.bytes.constData() + 164), QByteArray("night"));
    QCOMPARE(t.wait(t.role()->QueryRole(role.bytes.constData())).bytes, role.bytes);

    // An empty key answers every record, in the order they were made.
    QCOMPARE(t.count(t.role()->QueryRole("")), 2);
    QCOMPARE(t.wait(t.role()->QueryRole("")).record<tabROLEINFO>(1).name,
             role.record<tabROLEINFO>().name);
    QCOMPARE(t.count(t.role()->QueryRole("no-such-guid")), 0);
}

void tst_SdkRecords::deviceComesWithItsChannels()
{
    TestHub& t = *m_t;
    const QByteArray a = t.addDevice("a", 3);
    const QByteArray b = t.addDevice("b", 1);
    const Callback channels = t.wait(t.device()->QueryDeviceChannel(a.constData()));
    QCOMPARE(channels.count, 3);
    QCOMPARE(channels.bytes.size(), 3 * int(sizeof(tabCHANNELINFO)));
    for (int i = 0; i < 3; ++i) {
        const auto c = channels.record<tabCHANNELINFO>(i);
        QCOMPARE(text(c.channelName), "Channel " + QByteArray::number(i + 1));
        QCOMPARE(c.channelNo, i + 1);
        QCOMPARE(text(c.devGuid), a);
        QVERIFY(isUuid(text(c.channelGuid)));
    }
    QCOMPARE(t.count(t.device()->QueryDeviceChannel(b.constData())), 1);
    QCOMPARE(t.count(t.device()->QueryDeviceChannel("")), 4);
}

void tst_SdkRecords::accountRules_data()
{
    QTest::addColumn<Issue>("issue");
    QTest::addColumn<int>("result");
    QTest::addRow("add") << Issue([](TestHub& t) {
        return t.account()->AddAccount("ann", "1", "a@x", "pw", "88341189");
    }) << 0;
    QTest::addRow("add without a role")
        << Issue([](TestHub& t) { return t.account()->AddAccount("ann", "", "", "pw", ""); }) << 0;
    QTest::addRow("add an existing name")
        << Issue([](TestHub& t) { return t.account()->AddAccount("admin", "", "", "pw", ""); })
        << int(BIZORSA_E_ALREADY_EXISTS);
    QTest::addRow("add without a password")
        << Issue([](TestHub& t) { return t.account()->AddAccount("ann", "", "", "", ""); })
        << int(BIZORSA_E_INVALID_ARGUMENT);
    QTest::addRow("add without a name")
        << Issue([](TestHub& t) { return t.account()->AddAccount("", "", "", "pw", ""); })
        << int(BIZORSA_E_INVALID_ARGUMENT);
    QTest::addRow("add with an unknown role")
        << Issue([](TestHub& t) { return t.account()->AddAccount("ann", "", "", "pw", "x"); })
        << int(BIZORSA_E_NOT_FOUND);
    QTest::addRow("edit an unknown account")
        << Issue([](TestHub& t) { return t.account()->EditAccount("ann", "", "", "", ""); })
        << int(BIZORSA_E_NOT_FOUND);
    QTest::addRow("edit to an unknown role")
        << Issue([](TestHub& t) { return t.account()->EditAccount("admin", "", "", "", "x"); })
        << int(BIZORSA_E_NOT_FOUND);
    QTest::addRow("delete an unknown account")
        << Issue([](TestHub& t) { return t.account()->DeleteAccount("ann"); })
        << int(BIZORSA_E_NOT_FOUND);
}

void tst_SdkRecords::accountRules()
{
    QFETCH(Issue, issue);
    QFETCH(int, result);
    QCOMPARE(m_t->result(issue(*m_t)), result);
    const int accounts = m_t->count(m_t->account()->QueryAccount(""));
    QCOMPARE(accounts, result == 0 ? 2 : 1);
}

void tst_SdkRecords::editWithEmptyPasswordKeepsIt()
{
    TestHub& t = *m_t;
    QCOMPARE(t.result(t.account()->AddAccount("ann", "1", "", "first", "")), 0);
    QCOMPARE(t.result(t.account()->EditAccount("ann", "2", "m", "", "88341189")), 0);
    const auto ann = t.wait(t.account()->QueryAccount("ann")).record<tabACCOUNT>();
    QCOMPARE(text(ann.phone), QByteArray("2"));
    QCOMPARE(text(ann.roleGuid), QByteArray("88341189"));
    QCOMPARE(QByteArray(ann.password, sizeof ann.password), QByteArray(64, '\0'));
    QCOMPARE(t.result(t.account()->Login("ann", "first")), 0);
    QCOMPARE(t.result(t.account()->EditAccount("ann", "2", "m", "second", "")), 0);
    QCOMPARE(t.result(t.account()->Login("ann", "first")), int(BIZORSA_E_NOT_LOGGED_IN));
    QCOMPARE(t.result(t.account()->Login("ann", "second")), 0);
}

void tst_SdkRecords::textsMustFitTheirField_data()
{
    QTest::addColumn<Filler>("issue");
    QTest::addColumn<int>("fieldSize");
    using T = TestHub;
    const auto row = [](const char* name, int size, Filler f) {
        QTest::addRow("%s", name) << f << size;
    };
    // clang-format off
    row("account phone", 100, [](T& t, const char* s) { return t.account()->AddAccount("n", s, "", "p", ""); });
    row("account password", 64, [](T& t, const char* s) { return t.account()->AddAccount("n", "", "", s, ""); });
    row("role name", 100, [](T& t, const char* s) { return t.role()->AddRole(s, ""); });
    row("role describe", 50, [](T& t, const char* s) { return t.role()->AddRole("r", s); });
    row("region describe", 52, [](T& t, const char* s) { return t.region()->AddRegion("r", "", 0, s); });
    row("device ip", 16, [](T& t, const char* s) { return t.device()->AddDevice("d", "", "", "", s, 1, 0, 0, 0); });
    row("device password", 20, [](T& t, const char* s) { return t.device()->AddDevice("d", "", "", s, "", 1, 0, 0, 0); });
    row("view name", 100, [](T& t, const char* s) { return t.view()->AddView(s, 1); });
    row("server ip", 100, [](T& t, const char* s) { return t.server()->AddServer("s", "", "", s, 1, 0); });
    row("permission value", 50, [](T& t, const char* s) { return t.permission()->AddRolePermission("88341189", "t", s); });
    row("query key", 64, [](T& t, const char* s) { return t.role()->QueryRole(s); });
    // clang-format on
}

// The field's size in bytes does not fit with the NUL and is refused, not
// cut; one byte less fits.
void tst_SdkRecords::textsMustFitTheirField()
{
    QFETCH(Filler, issue);
    QFETCH(int, fieldSize);
    const QByteArray tooLong(fieldSize, 'x');
    QCOMPARE(m_t->result(issue(*m_t, tooLong.constData())), int(BIZORSA_E_INVALID_ARGUMENT));
    const QByteArray fits(fieldSize - 1, 'x');
    QCOMPARE(m_t->result(issue(*m_t, fits.constData())), 0);
}

void tst_SdkRecords::numbersOutOfRange_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("result");
    QTest::addRow("no channel") << 0 << 1 << 0;
    QTest::addRow("most channels") << 1024 << 1 << 0;
    QTest::addRow("one channel too many") << 1025 << 1 << int(BIZORSA_E_INVALID_ARGUMENT);
    QTest::addRow("two billion channels") << 2000000000 << 1 << int(BIZORSA_E_INVALID_ARGUMENT);
    QTest::addRow("negative channels") << -1 << 1 << int(BIZORSA_E_INVALID_ARGUMENT);
    QTest::addRow("highest port") << 1 << 65535 << 0;
    QTest::addRow("port too high") << 1 << 65536 << int(BIZORSA_E_INVALID_ARGUMENT);
    QTest::addRow("negative port") << 1 << -1 << int(BIZORSA_E_INVALID_ARGUMENT);
}

void tst_SdkRecords::numbersOutOfRange()
{
    QFETCH(int, channels);
    QFETCH(int, port);
    QFETCH(int, result);
    TestHub& t = *m_t;
    QCOMPARE(t.result(t.device()->AddDevice("d", "", "", "", "", port, channels, 0, 0)), result);
    QCOMPARE(t.count(t.device()->QueryDeviceChannel("")), result == 0 ? channels : 0);
}

void tst_SdkRecords::unknownReferences_data()
{
    QTest::addColumn<Filler>("issue");
    using T = TestHub;
    const auto row = [](const char* name, Filler f) { QTest::addRow("%s", name) << f; };
    // The argument is the guid of an existing region; "nope" names nothing.
    // clang-format off
    row("region under an unknown parent", [](T& t, const char*) { return t.region()->AddRegion("r", "nope", 1, ""); });
    row("unknown channel into a region", [](T& t, const char* r) { return t.region()->AddRegionChannel(r, "nope", "n"); });
    row("channel into an unknown region", [](T& t, const char*) { return t.region()->AddRegionChannel("nope", t.channel(t.addDevice("d", 1), 1).constData(), "n"); });
    row("unknown channel into a view", [](T& t, const char*) { return t.view()->AddViewChannel(t.addView("v").constData(), "nope", 1); });
    row("channel into an unknown view", [](T& t, const char*) { return t.view()->AddViewChannel("nope", t.channel(t.addDevice("d", 1), 1).constData(), 1); });
    row("video grant of an unknown region", [](T& t, const char*) { return t.video()->AddVideoRegion("88341189", "nope"); });
    row("alarm grant to an unknown role", [](T& t, const char* r) { return t.alarm()->AddAlarmRegion("nope", r); });
    row("permission of an unknown role", [](T& t, const char*) { return t.permission()->AddRolePermission("nope", "t", "v"); });
    row("edit an unknown role", [](T& t, const char*) { return t.role()->EditRole("nope", "r", ""); });
    row("edit an unknown region", [](T& t, const char*) { return t.region()->EditRegion("nope", "r", ""); });
    row("edit an unknown device", [](T& t, const char*) { return t.device()->EditDevice("nope", "d", "", "", "", 1); });
    row("edit an unknown view", [](T& t, const char*) { return t.view()->EditView("nope", "v", 1); });
    row("edit an unknown server", [](T& t, const char*) { return t.server()->EditServer("nope", "s", "", "", "", 1); });
    row("edit an unfiled region channel", [](T& t, const char* r) { return t.region()->EditRegionChannel(r, t.channel(t.addDevice("d", 1), 1).constData(), "n"); });
    row("edit an unplaced view channel", [](T& t, const char*) { return t.view()->EditViewChannel(t.addView("v").constData(), t.channel(t.addDevice("d", 1), 1).constData(), 2); });
    row("delete an unknown role", [](T& t, const char*) { return t.role()->DeleteRole("nope"); });
    row("delete an unknown region", [](T& t, const char*) { return t.region()->DeleteRegion("nope"); });
    row("delete an unknown device", [](T& t, const char*) { return t.device()->DeleteDevice("nope"); });
    row("delete an unknown view", [](T& t, const char*) { return t.view()->DeleteView("nope"); });
    row("delete an unknown server", [](T& t, const char*) { return t.server()->DeleteServer("nope"); });
    row("delete an unknown permission", [](T& t, const char*) { return t.permission()->DeleteRolePermission("nope"); });
    row("delete an ungranted video region", [](T& t, const char* r) { return t.video()->DeleteVideoRegion("88341189", r); });
    row("delete an ungranted alarm region", [](T& t, const char* r) { return t.alarm()->DeleteAlarmRegion("88341189", r); });
    row("delete an unfiled region channel", [](T& t, const char* r) { return t.region()->DeleteRegionChannel(r, "nope"); });
    row("delete an unplaced view channel", [](T& t, const char*) { return t.view()->DeleteViewChannel(t.addView("v").constData(), "nope"); });
    // clang-format on
}

void tst_SdkRecords::unknownReferences()
{
    QFETCH(Filler, issue);
    const QByteArray region = m_t->addRegion("existing");
    QVERIFY(!region.isEmpty());
    QCOMPARE(m_t->result(issue(*m_t, region.constData())), int(BIZORSA_E_NOT_FOUND));
}

// Filing a channel again renames it, placing it again moves it; the records
// carry the device channel's device and number.
void tst_SdkRecords::placements()
{
    TestHub& t = *m_t;
    const QByteArray dev = t.addDevice("d", 2);
    const QByteArray ch = t.channel(dev, 2);
    const QByteArray region = t.addRegion("r");
    const QByteArray view = t.addView("v");

    QCOMPARE(t.result(t.region()->AddRegionChannel(region, ch, "gate")), 0);
    const Callback filed = t.wait(t.region()->AddRegionChannel(region, ch, "door"));
    const auto rc = filed.record<tabREGIONCHANNELINFO>();
    QCOMPARE(text(rc.regionGuid), region);
    QCOMPARE(text(rc.channelInfo.channelGuid), ch);
    QCOMPARE(text(rc.channelInfo.channelName), QByteArray("door"));
    QCOMPARE(text(rc.channelInfo.devGuid), dev);
    QCOMPARE(intAt<int>(filed.bytes, 356), 2);
    const Callback regionChannels = t.wait(t.region()->QueryRegionChannel(region));
    QCOMPARE(regionChannels.count, 1);
    QCOMPARE(regionChannels.bytes, filed.bytes);
    QCOMPARE(t.result(t.region()->EditRegionChannel(region, ch, "hall")), 0);
    QCOMPARE(text(t.wait(t.region()->QueryRegionChannel(""))
                      .record<tabREGIONCHANNELINFO>()
                      .channelInfo.channelName),
             QByteArray("hall"));

    QCOMPARE(t.result(t.view()->AddViewChannel(view, ch, 1)), 0);
    const Callback placed = t.wait(t.view()->AddViewChannel(view, ch, 4));
    const auto vc = placed.record<tabVIEWCHANNELINFO>();
    QCOMPARE(text(vc.viewGuid), view);
    QCOMPARE(text(vc.channelInfo.channelName), QByteArray("Channel 2"));
    QCOMPARE(text(vc.channelInfo.devGuid), dev);
    QCOMPARE(vc.channelInfo.channelNo, 2);
    QCOMPARE(intAt<int>(placed.bytes, 360), 4);
    const Callback viewChannels = t.wait(t.view()->QueryViewChannel(view));
    QCOMPARE(viewChannels.count, 1);
    QCOMPARE(viewChannels.bytes, placed.bytes);
    QCOMPARE(t.result(t.view()->EditViewChannel(view, ch, 6)), 0);
    QCOMPARE(t.wait(t.view()->QueryViewChannel(view)).record<tabVIEWCHANNELINFO>().position, 6);
}

// Granting twice leaves one grant; a permission of a type the role holds is a second one.
void tst_SdkRecords::grantsAndPermissions()
{
    TestHub& t = *m_t;
    const QByteArray region = t.addRegion("r");
    for (int i = 0; i < 2; ++i) {
        const Callback v = t.wait(t.video()->AddVideoRegion("88341189", region));
        QCOMPARE(v.result, 0);
        QCOMPARE(text(v.record<tabVIDEOREGIONINFO>().regionGuid), region);
        QCOMPARE(t.result(t.alarm()->AddAlarmRegion("88341189", region)), 0);
    }
    QCOMPARE(t.count(t.video()->QueryVideoRegion("88341189")), 1);
    QCOMPARE(t.count(t.alarm()->QueryAlarmRegion("")), 1);
    QCOMPARE(t.count(t.alarm()->QueryAlarmRegion("other")), 0);

    const Callback p1 = t.wait(t.permission()->AddRolePermission("88341189", "menu", "1"));
    const Callback p2 = t.wait(t.permission()->AddRolePermission("88341189", "menu", "2"));
    const QByteArray g1 = text(p1.record<tabROLEPERMISSIONINFO>().guid);
    const QByteArray g2 = text(p2.record<tabROLEPERMISSIONINFO>().guid);
    QVERIFY(isUuid(g1));
    QVERIFY(g1 != g2);
    QCOMPARE(text(p2.record<tabROLEPERMISSIONINFO>().value), QByteArray("2"));
    QCOMPARE(t.count(t.permission()->QueryRolePermission("")), 2);
    QCOMPARE(t.wait(t.permission()->QueryRolePermission(g2)).bytes, p2.bytes);
    QCOMPARE(t.result(t.permission()->DeleteRolePermission(g1)), 0);
    QCOMPARE(t.count(t.permission()->QueryRolePermission("")), 1);
}

void tst_SdkRecords::deleteRules()
{
    TestHub& t = *m_t;
    const QByteArray doomed = t.addDevice("doomed", 2);
    const QByteArray kept = t.addDevice("kept", 1);
    const QByteArray parent = t.addRegion("parent");
    const QByteArray child = t.addRegion("child", parent);
    const QByteArray view = t.addView("v");
    const QByteArray role = t.addRole("r");
    for (const QByteArray& ch : {t.channel(doomed, 1), t.channel(doomed, 2), t.channel(kept, 1)}) {
        QCOMPARE(t.result(t.region()->AddRegionChannel(child, ch, "n")), 0);
        QCOMPARE(t.result(t.view()->AddViewChannel(view, ch, 1)), 0);
    }

    // A device takes its channels out of every region and view.
    QCOMPARE(t.result(t.device()->DeleteDevice(doomed)), 0);
    QCOMPARE(t.count(t.device()->QueryDeviceChannel("")), 1);
    QCOMPARE(t.count(t.region()->QueryRegionChannel(child)), 1);
    QCOMPARE(t.count(t.view()->QueryViewChannel(view)), 1);
    QCOMPARE(t.count(t.device()->QueryDevice("")), 1);

    // A region with a child stays; a leaf takes its channels and grants along.
    QCOMPARE(t.result(t.video()->AddVideoRegion(role, child)), 0);
    QCOMPARE(t.result(t.alarm()->AddAlarmRegion(role, child)), 0);
    QCOMPARE(t.result(t.region()->DeleteRegion(parent)), int(BIZORSA_E_STILL_IN_USE));
    QCOMPARE(t.result(t.region()->DeleteRegion(child)), 0);
    QCOMPARE(t.count(t.region()->QueryRegionChannel("")), 0);
    QCOMPARE(t.count(t.video()->QueryVideoRegion("")), 0);
    QCOMPARE(t.count(t.alarm()->QueryAlarmRegion("")), 0);
    QCOMPARE(t.result(t.region()->DeleteRegion(parent)), 0);

    // A view takes its placements along.
    QCOMPARE(t.result(t.view()->DeleteView(view)), 0);
    QCOMPARE(t.count(t.view()->QueryViewChannel("")), 0);

    // A role an account names stays; otherwise its permissions and grants go.
    const QByteArray region = t.addRegion("again");
    QCOMPARE(t.result(t.account()->AddAccount("ann", "", "", "pw", role)), 0);
    QCOMPARE(t.result(t.permission()->AddRolePermission(role, "t", "v")), 0);
    QCOMPARE(t.result(t.video()->AddVideoRegion(role, region)), 0);
    QCOMPARE(t.result(t.alarm()->AddAlarmRegion(role, region)), 0);
    QCOMPARE(t.result(t.role()->DeleteRole(role)), int(BIZORSA_E_STILL_IN_USE));
    QCOMPARE(t.result(t.role()->DeleteRole("88341189")), int(BIZORSA_E_STILL_IN_USE));
    QCOMPARE(t.result(t.account()->DeleteAccount("ann")), 0);
    QCOMPARE(t.result(t.role()->DeleteRole(role)), 0);
    QCOMPARE(t.count(t.permission()->QueryRolePermission("")), 0);
    QCOMPARE(t.count(t.video()->QueryVideoRegion("")), 0);
    QCOMPARE(t.count(t.alarm()->QueryAlarmRegion("")), 0);
    QCOMPARE(t.count(t.role()->QueryRole("")), 1);
}

void tst_SdkRecords::textBytesAsGiven()
{
    TestHub& t = *m_t;
    const QByteArray name("\xc4\xcf\xc3\xc5 \xe5\x8d\x97\xff");
    const QByteArray guid = t.addRole(name.constData());
    QCOMPARE(text(t.wait(t.role()->QueryRole(guid)).record<tabROLEINFO>().name), name);
}

QTEST_GUILESS_MAIN(tst_SdkRecords)
#include "tst_sdkrecords.moc"
