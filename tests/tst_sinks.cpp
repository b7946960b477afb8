// The SDK records are built here byte by byte at the documented offsets (not
// through the struct members), so a wrong offset, stride, member mapping or
// text decoding in the sinks shows up.
#include "callbackevent_p.h"
#include "sinks_p.h"

#include <QTextCodec>
#include <QtTest/QtTest>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

using namespace DATACore;
using Event = IAccountCallBackEvent;

namespace {

struct Field {
    int offset;
    int size; // 0 for a 32-bit number
    const char* member;
};
struct Layout {
    int size;
    QVector<Field> fields;
};

// clang-format off
const Layout kAccount{356, {{0, 64, "userName"}, {64, 64, "password"}, {128, 100, "phone"},
                            {228, 64, "mail"}, {292, 64, "roleGuid"}}};
const Layout kRole{214, {{0, 64, "guid"}, {64, 100, "name"}, {164, 50, "describe"}}};
const Layout kRolePermission{264, {{0, 64, "guid"}, {64, 100, "roleGuid"}, {164, 50, "type"},
                                   {214, 50, "value"}}};
const Layout kRegion{284, {{0, 64, "guid"}, {64, 64, "parentGuid"}, {128, 100, "name"},
                           {228, 0, "level"}, {232, 52, "describe"}}};
const Layout kChannel{296, {{0, 64, "channelGuid"}, {64, 100, "channelName"}, {164, 128, "devGuid"},
                            {292, 0, "channelNo"}}};
const Layout kRegionChannel{360, {{0, 64, "regionGuid"}, {64, 64, "channelInfo.channelGuid"},
                                  {128, 100, "channelInfo.channelName"},
                                  {228, 128, "channelInfo.devGuid"}, {356, 0, "channelInfo.channelNo"}}};
const Layout kDevice{384, {{0, 64, "guid"}, {64, 100, "devName"}, {164, 64, "devNO"},
                           {228, 100, "devUser"}, {328, 20, "devPassword"}, {348, 16, "devIP"},
                           {364, 0, "devPort"}, {368, 0, "devChannelNum"}, {372, 0, "devExtra"},
                           {376, 0, "devVender"}, {380, 0, "devType"}}};
const Layout kView{168, {{0, 64, "guid"}, {64, 100, "name"}, {164, 0, "divide"}}};
const Layout kViewChannel{364, {{0, 64, "viewGuid"}, {64, 64, "channelInfo.channelGuid"},
                                {128, 100, "channelInfo.channelName"},
                                {228, 128, "channelInfo.devGuid"}, {356, 0, "channelInfo.channelNo"},
                                {360, 0, "position"}}};
const Layout kServer{472, {{0, 64, "guid"}, {64, 100, "name"}, {164, 100, "user"},
                           {264, 100, "password"}, {364, 100, "ip"}, {464, 0, "port"},
                           {468, 0, "type"}}};
const Layout kRoleRegion{128, {{0, 64, "roleGuid"}, {64, 64, "regionGuid"}}};
// clang-format on

// Zeroed, 4-byte aligned storage of exactly count records.
class Bytes
{
public:
    Bytes(const Layout& layout, int count) : m_words((layout.size * count + 3) / 4) {}
    char* data() { return reinterpret_cast<char*>(m_words.data()); }
    void put(int offset, const QByteArray& bytes)
    {
        std::memcpy(data() + offset, bytes.constData(), size_t(bytes.size()));
    }
    void put(int offset, int value) { std::memcpy(data() + offset, &value, sizeof value); }
    void clear(int offset, int size) { std::memset(data() + offset, 0, size_t(size)); }

private:
    std::vector<std::uint32_t> m_words;
};

QString textValue(int record, const char* member)
{
    return QStringLiteral("r%1%2").arg(record).arg(QLatin1String(member));
}
int numberValue(int record, int offset)
{
    return record * 1000 + offset;
}

// Every field of every record gets a value naming its record and member.
void fill(Bytes& bytes, const Layout& layout, int count)
{
    for (int i = 0; i < count; ++i) {
        for (const Field& f : layout.fields) {
            const int at = i * layout.size + f.offset;
            if (f.size)
                bytes.put(at, textValue(i, f.member).toLatin1());
            else
                bytes.put(at, numberValue(i, f.offset));
        }
    }
}

QString line(const char* member, const QString& value)
{
    return QLatin1String(member) + QLatin1Char('=') + value;
}
QString line(const char* member, int value)
{
    return line(member, QString::number(value));
}

// clang-format off
QStringList describe(const AccountInfo& r) { return {line("userName", r.userName), line("password", r.password), line("phone", r.phone), line("mail", r.mail), line("roleGuid", r.roleGuid)}; }
QStringList describe(const RoleInfo& r) { return {line("guid", r.guid), line("name", r.name), line("describe", r.describe)}; }
QStringList describe(const RolePermissionInfo& r) { return {line("guid", r.guid), line("roleGuid", r.roleGuid), line("type", r.type), line("value", r.value)}; }
QStringList describe(const RegionInfo& r) { return {line("guid", r.guid), line("parentGuid", r.parentGuid), line("name", r.name), line("level", r.level), line("describe", r.describe)}; }
QStringList describe(const DeviceChancelInfo& r) { return {line("channelGuid", r.channelGuid), line("channelName", r.channelName), line("devGuid", r.devGuid), line("channelNo", r.channelNo)}; }
QStringList nested(const DeviceChancelInfo& c) { QStringList out; for (const QString& l : describe(c)) out << QStringLiteral("channelInfo.") + l; return out; }
QStringList describe(const RegionChannelInfo& r) { return QStringList{line("regionGuid", r.regionGuid)} + nested(r.channelInfo); }
QStringList describe(const UDeviceInfo& r) { return {line("guid", r.guid), line("devName", r.devName), line("devNO", r.devNO), line("devUser", r.devUser), line("devPassword", r.devPassword), line("devIP", r.devIP), line("devPort", r.devPort), line("devChannelNum", r.devChannelNum), line("devExtra", r.devExtra), line("devVender", r.devVender), line("devType", r.devType), line("devBonline", r.devBonline)}; }
QStringList describe(const UViewInfo& r) { return {line("guid", r.guid), line("name", r.name), line("divide", r.divide)}; }
QStringList describe(const UViewChannelInfo& r) { return QStringList{line("viewGuid", r.viewGuid), line("position", r.position)} + nested(r.channelInfo); }
QStringList describe(const UServerInfo& r) { return {line("guid", r.guid), line("name", r.name), line("ip", r.ip), line("user", r.user), line("password", r.password), line("port", r.port), line("type", r.type)}; }
QStringList describe(const RoleRegionInfo& r) { return {line("roleGuid", r.roleGuid), line("regionGuid", r.regionGuid)}; }
QStringList describe(const RegionAlarmInfo& r) { return {line("roleGuid", r.roleGuid), line("regionGuid", r.regionGuid)}; }
// clang-format on

template <typename T>
QList<QStringList> describeAll(const QList<T>& list)
{
    QList<QStringList> out;
    for (const T& r : list)
        out << describe(r);
    return out;
}

// What an event carries beyond its type, sid and result.
QStringList contents(const Event& ev)
{
    QStringList out;
    auto list = [&out](const char* name, int size) {
        if (size)
            out << line(name, size);
    };
    auto single = [&out](const char* name, const auto& record) {
        using T = std::decay_t<decltype(record)>;
        if (describe(record) != describe(T{}))
            out << QLatin1String(name);
    };
    if (!ev.guid.isEmpty())
        out << line("guid", ev.guid);
    list("accounts", ev.accounts.size());
    list("devices", ev.devices.size());
    list("deviceChannels", ev.deviceChannels.size());
    list("views", ev.views.size());
    list("viewChannels", ev.viewChannels.size());
    list("regions", ev.regions.size());
    list("regionChannels", ev.regionChannels.size());
    list("roles", ev.roles.size());
    list("roleRegions", ev.roleRegions.size());
    list("regionAlarms", ev.regionAlarms.size());
    list("userViews", ev.userViews.size());
    list("servers", ev.servers.size());
    list("rolePermissions", ev.rolePermissions.size());
    single("device", ev.device);
    single("view", ev.view);
    single("viewChannel", ev.viewChannel);
    single("region", ev.region);
    single("regionChannel", ev.regionChannel);
    single("role", ev.role);
    single("server", ev.server);
    return out;
}

using Call = std::function<int(const char* p, int sid, int result, int count)>;

template <typename Sink, typename Tab>
Call fetch(int (Sink::*method)(int, int, const Tab*, int))
{
    return [method](const char* p, int sid, int result, int count) {
        return (Sink::instance()->*method)(sid, result, reinterpret_cast<const Tab*>(p), count);
    };
}
template <typename Sink, typename Tab>
Call add(int (Sink::*method)(int, int, const Tab*))
{
    return [method](const char* p, int sid, int result, int) {
        return (Sink::instance()->*method)(sid, result, reinterpret_cast<const Tab*>(p));
    };
}

using Records = std::function<QList<QStringList>(const Event&)>;

// One callback that hands over records: what it posts and how it reads them.
struct Case {
    const char* name = "";
    int type = 0;
    const Layout* layout = nullptr;
    Call call;
    // fetch: one entry a list element; add: one entry, the record and "guid".
    Records records;
    bool fetch = false;
    bool utf8 = false;         // how texts are decoded ...
    QStringList otherCodec;    // ... except these members
    QStringList skipped;       // add: members left empty
    QStringList omitted;       // add: layout members the event does not carry
    const char* guidFrom = ""; // add: the member whose text becomes the guid
    QStringList extra;         // lines the conversion adds

    Case otherCodecFor(QStringList members) const
    {
        Case c = *this;
        c.otherCodec = members;
        return c;
    }
    Case skipping(QStringList members) const
    {
        Case c = *this;
        c.skipped = members;
        return c;
    }
    Case omitting(QStringList members) const
    {
        Case c = *this;
        c.omitted = members;
        return c;
    }
    Case adding(QStringList lines) const
    {
        Case c = *this;
        c.extra = lines;
        return c;
    }
};

Case fetchCase(const char* name, int type, const Layout& layout, Call call, Records records)
{
    Case c;
    c.name = name;
    c.type = type;
    c.layout = &layout;
    c.call = std::move(call);
    c.records = std::move(records);
    c.fetch = true;
    return c;
}

// utf8: how the add decodes; guidFrom: the member that becomes the event's guid.
Case addCase(const char* name, int type, const Layout& layout, Call call, Records records,
             bool utf8, const char* guidFrom = "")
{
    Case c = fetchCase(name, type, layout, std::move(call), std::move(records));
    c.fetch = false;
    c.utf8 = utf8;
    c.guidFrom = guidFrom;
    return c;
}

template <typename T>
Records listOf(QList<T> Event::*list)
{
    return [list](const Event& ev) { return describeAll(ev.*list); };
}
template <typename T>
Records added(T Event::*member)
{
    return [member](const Event& ev) {
        return QList<QStringList>{describe(ev.*member) << line("guid", ev.guid)};
    };
}
Records guidOnly()
{
    return [](const Event& ev) { return QList<QStringList>{{line("guid", ev.guid)}}; };
}

const QVector<Case>& cases()
{
    const QStringList roleRegion{"roleGuid", "regionGuid"};
    const QStringList viewGuid{"viewGuid"};
    const QStringList offline{"devBonline=0"};
    // clang-format off
    static const QVector<Case> all{
        fetchCase("OnAccountGet", 1018, kAccount, fetch(&IAccountEvent::OnAccountGet), listOf(&Event::accounts)),
        fetchCase("OnDeviceGet", 1024, kDevice, fetch(&IDeviceEvent::OnDeviceGet), listOf(&Event::devices)).adding(offline),
        fetchCase("OnDeviceChannelGet", 1025, kChannel, fetch(&IDeviceEvent::OnDeviceChannelGet), listOf(&Event::deviceChannels)),
        fetchCase("OnViewGet", 1029, kView, fetch(&IviewEvent::OnViewGet), listOf(&Event::views)),
        fetchCase("OnViewChannelGet", 1033, kViewChannel, fetch(&IviewEvent::OnViewChannelGet), listOf(&Event::viewChannels)).otherCodecFor(viewGuid),
        fetchCase("OnRegionGet", 1037, kRegion, fetch(&IRegionEvent::OnRegionGet), listOf(&Event::regions)),
        fetchCase("OnRegionChannelGet", 1041, kRegionChannel, fetch(&IRegionEvent::OnRegionChannelGet), listOf(&Event::regionChannels)),
        fetchCase("OnRoleGet", 1045, kRole, fetch(&IRoleEvent::OnRoleGet), listOf(&Event::roles)),
        fetchCase("OnVideoRegionGet", 1048, kRoleRegion, fetch(&IRegionRoleEvent::OnVideoRegionGet), listOf(&Event::roleRegions)),
        fetchCase("OnAlarmRegionGet", 1051, kRoleRegion, fetch(&IAlarmRoleEvent::OnAlarmRegionGet), listOf(&Event::regionAlarms)),
        fetchCase("OnServerGet", 1055, kServer, fetch(&IServerEvent::OnServerGet), listOf(&Event::servers)),
        fetchCase("OnRolePermissionGet", 1058, kRolePermission, fetch(&IRolePermissionEvent::OnRolePermissionGet), listOf(&Event::rolePermissions)),

        addCase("OnDeviceAdd", 1021, kDevice, add(&IDeviceEvent::OnDeviceAdd), added(&Event::device), true, "guid").adding(offline),
        addCase("OnViewAdd", 1026, kView, add(&IviewEvent::OnViewAdd), added(&Event::view), true, "guid"),
        addCase("OnViewChannelAdd", 1030, kViewChannel, add(&IviewEvent::OnViewChannelAdd), added(&Event::viewChannel), false),
        addCase("OnRegionAdd", 1034, kRegion, add(&IRegionEvent::OnRegionAdd), added(&Event::region), true, "guid"),
        addCase("OnRegionChannelAdd", 1038, kRegionChannel, add(&IRegionEvent::OnRegionChannelAdd), added(&Event::regionChannel), false),
        addCase("OnRoleAdd", 1042, kRole, add(&IRoleEvent::OnRoleAdd), added(&Event::role), true, "guid"),
        addCase("OnVideoRegionAdd", 1046, kRoleRegion, add(&IRegionRoleEvent::OnVideoRegionAdd), guidOnly(), true, "regionGuid").omitting(roleRegion),
        addCase("OnAlarmRegionAdd", 1049, kRoleRegion, add(&IAlarmRoleEvent::OnAlarmRegionAdd), guidOnly(), true, "regionGuid").omitting(roleRegion),
        addCase("OnServerAdd", 1052, kServer, add(&IServerEvent::OnServerAdd), added(&Event::server), true, "guid").skipping({"user", "password"}),
        addCase("OnRolePermissionAdd", 1056, kRolePermission, add(&IRolePermissionEvent::OnRolePermissionAdd), guidOnly(), true, "guid").omitting({"guid", "roleGuid", "type", "value"}),
    };
    // clang-format on
    return all;
}

const Case& findCase(const QString& name)
{
    for (const Case& c : cases()) {
        if (QLatin1String(c.name) == name)
            return c;
    }
    qFatal("no case %s", qPrintable(name));
}

// What a sink should deliver for record i of a buffer made by fill().
QString expectedRecord(const Case& c, int i)
{
    QStringList out = c.extra;
    for (const Field& f : c.layout->fields) {
        const QString member = QLatin1String(f.member);
        if (c.omitted.contains(member))
            continue;
        const bool read = !c.skipped.contains(member);
        out << (f.size ? line(f.member, read ? textValue(i, f.member) : QString())
                       : line(f.member, read ? numberValue(i, f.offset) : 0));
    }
    if (!c.fetch)
        out << line("guid", *c.guidFrom ? textValue(i, c.guidFrom) : QString());
    out.sort();
    return out.join(QLatin1Char(' '));
}

// One line a record, its fields sorted, for a readable comparison.
QStringList sorted(QList<QStringList> records)
{
    QStringList out;
    for (QStringList& r : records) {
        r.sort();
        out << r.join(QLatin1Char(' '));
    }
    return out;
}

// Stands in for the receiver: keeps a copy of whatever is posted to it.
class Collector : public QObject
{
public:
    std::vector<Event> events;
    QList<int> types;

    // Delivers what the sinks posted and hands it over.
    std::vector<Event> take()
    {
        QCoreApplication::sendPostedEvents(this, 0);
        types.clear();
        std::vector<Event> out;
        out.swap(events);
        return out;
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() < QEvent::User)
            return QObject::event(e);
        types << e->type();
        if (e->type() >= 1015 && e->type() <= 1061)
            events.push_back(*static_cast<Event*>(e));
        return true;
    }
};

template <typename... Sinks>
void setTargets(QObject* target)
{
    (Sinks::instance()->setTarget(target), ...);
}
void setAllTargets(QObject* target)
{
    setTargets<IAccountEvent, IDeviceEvent, IviewEvent, IRegionEvent, IRoleEvent, IRegionRoleEvent,
               IAlarmRoleEvent, IServerEvent, IRolePermissionEvent>(target);
}

const QString kHello = QStringLiteral("\u4f60\u597d");
const QByteArray kHelloGb18030("\xc4\xe3\xba\xc3");
const QByteArray kHelloUtf8("\xe4\xbd\xa0\xe5\xa5\xbd");

} // namespace

class tst_Sinks : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void readsEveryFieldAtItsOffset_data();
    void readsEveryFieldAtItsOffset();
    void serverMemberOrder();
    void deliversNothing_data();
    void deliversNothing();
    void successWithoutRecordPostsDefaults_data();
    void successWithoutRecordPostsDefaults();
    void textFieldBounds_data();
    void textFieldBounds();
    void textDecoding_data();
    void textDecoding();
    void plainCallbacks_data();
    void plainCallbacks();
    void postsWithLowPriority();
    void noTargetPostsNothing();

private:
    Collector m_target;
    QMap<QString, std::function<int(int, int)>> m_plain;
    QTextCodec* m_localeCodec = nullptr;
};

void tst_Sinks::initTestCase()
{
    setAllTargets(&m_target);
    // A local code page in which the test's texts decode otherwise than in UTF-8.
    m_localeCodec = QTextCodec::codecForLocale();
    QTextCodec* gb18030 = QTextCodec::codecForName("GB18030");
    QVERIFY(gb18030);
    QTextCodec::setCodecForLocale(gb18030);
    QCOMPARE(QTextCodec::codecForLocale()->toUnicode(kHelloGb18030), kHello);
    QVERIFY(QTextCodec::codecForLocale()->toUnicode(kHelloUtf8) != kHello);
    QVERIFY(QString::fromUtf8(kHelloGb18030) != kHello);
}

void tst_Sinks::cleanupTestCase()
{
    setAllTargets(nullptr);
    QTextCodec::setCodecForLocale(m_localeCodec);
}

void tst_Sinks::readsEveryFieldAtItsOffset_data()
{
    QTest::addColumn<QString>("callback");
    QTest::addColumn<int>("count");
    for (const Case& c : cases()) {
        if (c.fetch) {
            QTest::addRow("%s, one record", c.name) << c.name << 1;
            QTest::addRow("%s, three records", c.name) << c.name << 3;
        } else {
            QTest::addRow("%s", c.name) << c.name << 1;
        }
    }
}

void tst_Sinks::readsEveryFieldAtItsOffset()
{
    QFETCH(QString, callback);
    QFETCH(int, count);
    const Case& c = findCase(callback);
    Bytes bytes(*c.layout, count);
    fill(bytes, *c.layout, count);

    QCOMPARE(c.call(bytes.data(), 11, 2, count), 0);
    const std::vector<Event> posted = m_target.take();
    QCOMPARE(int(posted.size()), 1);
    const Event& ev = posted.front();
    QCOMPARE(int(ev.type()), c.type);
    QCOMPARE(ev.sid, 11);
    QCOMPARE(ev.result, 2);
    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected << expectedRecord(c, i);
    QCOMPARE(sorted(c.records(ev)), expected);
}

// The record's field order differs from UServerInfo's member order.
void tst_Sinks::serverMemberOrder()
{
    Bytes bytes(kServer, 1);
    bytes.put(164, QByteArray("operator"));
    bytes.put(364, QByteArray("10.0.0.1"));
    IServerEvent::instance()->OnServerGet(1, 0,
                                          reinterpret_cast<const tabSERVERINFO*>(bytes.data()), 1);
    const std::vector<Event> posted = m_target.take();
    QCOMPARE(int(posted.size()), 1);
    QCOMPARE(posted.front().servers.size(), 1);
    const auto& [guid, name, third, fourth, password, port, type] = posted.front().servers.first();
    QCOMPARE(third, QStringLiteral("10.0.0.1"));
    QCOMPARE(fourth, QStringLiteral("operator"));
    QVERIFY(guid.isEmpty() && name.isEmpty() && password.isEmpty() && port == 0 && type == 0);
}

void tst_Sinks::deliversNothing_data()
{
    QTest::addColumn<QString>("callback");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("withRecords");
    QTest::addColumn<int>("count");
    for (const Case& c : cases()) {
        QTest::addRow("%s failed", c.name) << c.name << -3 << true << 5;
        QTest::addRow("%s failed without records", c.name) << c.name << -1 << false << 0;
        if (c.fetch) {
            QTest::addRow("%s ok, null pointer, count 5", c.name) << c.name << 0 << false << 5;
            QTest::addRow("%s ok, count 0", c.name) << c.name << 0 << true << 0;
            QTest::addRow("%s ok, negative count", c.name) << c.name << 1 << true << -2;
        }
    }
}

void tst_Sinks::deliversNothing()
{
    QFETCH(QString, callback);
    QFETCH(int, result);
    QFETCH(bool, withRecords);
    QFETCH(int, count);
    const Case& c = findCase(callback);
    Bytes bytes(*c.layout, 5);
    fill(bytes, *c.layout, 5);

    QCOMPARE(c.call(withRecords ? bytes.data() : nullptr, 21, result, count), 0);
    const std::vector<Event> posted = m_target.take();
    QCOMPARE(int(posted.size()), 1);
    QCOMPARE(int(posted.front().type()), c.type);
    QCOMPARE(posted.front().sid, 21);
    QCOMPARE(posted.front().result, result);
    QCOMPARE(contents(posted.front()), QStringList());
}

void tst_Sinks::successWithoutRecordPostsDefaults_data()
{
    QTest::addColumn<QString>("callback");
    for (const Case& c : cases()) {
        if (!c.fetch)
            QTest::addRow("%s", c.name) << c.name;
    }
}

void tst_Sinks::successWithoutRecordPostsDefaults()
{
    QFETCH(QString, callback);
    const Case& c = findCase(callback);
    QCOMPARE(c.call(nullptr, 4, 0, 0), 0);
    const std::vector<Event> posted = m_target.take();
    QCOMPARE(int(posted.size()), 1);
    QCOMPARE(int(posted.front().type()), c.type);
    QCOMPARE(posted.front().result, 0);
    QCOMPARE(contents(posted.front()), QStringList());
}

void tst_Sinks::textFieldBounds_data()
{
    QTest::addColumn<QString>("callback");
    QTest::addColumn<QString>("member");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QByteArray full100(100, 'N');
    QTest::addRow("fetch: field without NUL ends at its end")
        << "OnRoleGet"
        << "name" << full100 << QString::fromLatin1(full100);
    QTest::addRow("add: field without NUL ends at its end")
        << "OnRoleAdd"
        << "name" << full100 << QString::fromLatin1(full100);
    QTest::addRow("last field of the record without NUL")
        << "OnRegionGet"
        << "describe" << QByteArray(52, 'D') << QString(52, QLatin1Char('D'));
    QTest::addRow("first byte NUL") << "OnRoleGet"
                                    << "name" << QByteArray("\0abc", 4) << "";
    QTest::addRow("bytes after the NUL are ignored") << "OnRoleAdd"
                                                     << "name" << QByteArray("ab\0cd", 5) << "ab";
}

void tst_Sinks::textFieldBounds()
{
    QFETCH(QString, callback);
    QFETCH(QString, member);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const Case& c = findCase(callback);
    Bytes buffer(*c.layout, 1); // exactly one record: a read past it is caught by ASan
    fill(buffer, *c.layout, 1);
    for (const Field& f : c.layout->fields) {
        if (QLatin1String(f.member) == member) {
            buffer.clear(f.offset, f.size);
            buffer.put(f.offset, bytes);
        }
    }

    QCOMPARE(c.call(buffer.data(), 1, 0, 1), 0);
    const std::vector<Event> posted = m_target.take();
    QCOMPARE(int(posted.size()), 1);
    const QStringList record = c.records(posted.front()).value(0);
    QVERIFY2(record.contains(member + QLatin1Char('=') + expected),
             qUtf8Printable(record.join(u' ')));
}

// Every text the sinks read, with the decoding its callback prescribes.
void tst_Sinks::textDecoding_data()
{
    QTest::addColumn<QString>("callback");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("utf8");
    for (const Case& c : cases()) {
        for (const Field& f : c.layout->fields) {
            const QString member = QLatin1String(f.member);
            if (!f.size || c.skipped.contains(member))
                continue;
            const bool utf8 = c.utf8 != c.otherCodec.contains(member);
            const QString shown = c.omitted.contains(member) ? QStringLiteral("guid") : member;
            if (c.omitted.contains(member) && member != QLatin1String(c.guidFrom))
                continue;
            QTest::addRow("%s %s", c.name, f.member) << c.name << f.offset << shown << utf8;
        }
    }
}

void tst_Sinks::textDecoding()
{
    QFETCH(QString, callback);
    QFETCH(int, offset);
    QFETCH(QString, line);
    QFETCH(bool, utf8);
    const Case& c = findCase(callback);
    Bytes buffer(*c.layout, 1);
    buffer.put(offset, utf8 ? kHelloUtf8 : kHelloGb18030);

    QCOMPARE(c.call(buffer.data(), 1, 0, 1), 0);
    const std::vector<Event> posted = m_target.take();
    QCOMPARE(int(posted.size()), 1);
    const QStringList record = c.records(posted.front()).value(0);
    QVERIFY2(record.contains(line + QLatin1Char('=') + kHello), qUtf8Printable(record.join(u' ')));
}

void tst_Sinks::plainCallbacks_data()
{
    QTest::addColumn<QString>("callback");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("result");
    struct Plain {
        const char* name;
        int type;
        std::function<int(int, int)> call;
    };
    auto bind = [](auto* sink, auto method) {
        return [sink, method](int sid, int result) { return (sink->*method)(sid, result); };
    };
    // clang-format off
    static const Plain plains[] = {
        {"OnAccountAdd", 1015, bind(IAccountEvent::instance(), &IAccountEvent::OnAccountAdd)},
        {"OnAccountDelete", 1016, bind(IAccountEvent::instance(), &IAccountEvent::OnAccountDelete)},
        {"OnAccountEdit", 1017, bind(IAccountEvent::instance(), &IAccountEvent::OnAccountEdit)},
        {"OnAccountLogin", 1019, bind(IAccountEvent::instance(), &IAccountEvent::OnAccountLogin)},
        {"OnAccountLogout", 1020, bind(IAccountEvent::instance(), &IAccountEvent::OnAccountLogout)},
        {"OnDeviceDelete", 1022, bind(IDeviceEvent::instance(), &IDeviceEvent::OnDeviceDelete)},
        {"OnDeviceEdit", 1023, bind(IDeviceEvent::instance(), &IDeviceEvent::OnDeviceEdit)},
        {"OnViewDelete", 1027, bind(IviewEvent::instance(), &IviewEvent::OnViewDelete)},
        {"OnViewEdit", 1028, bind(IviewEvent::instance(), &IviewEvent::OnViewEdit)},
        {"OnViewChannelDelete", 1031, bind(IviewEvent::instance(), &IviewEvent::OnViewChannelDelete)},
        {"OnViewChannelEdit", 1032, bind(IviewEvent::instance(), &IviewEvent::OnViewChannelEdit)},
        {"OnRegionDelete", 1035, bind(IRegionEvent::instance(), &IRegionEvent::OnRegionDelete)},
        {"OnRegionEdit", 1036, bind(IRegionEvent::instance(), &IRegionEvent::OnRegionEdit)},
        {"OnRegionChannelDelete", 1039, bind(IRegionEvent::instance(), &IRegionEvent::OnRegionChannelDelete)},
        {"OnRegionChannelEdit", 1040, bind(IRegionEvent::instance(), &IRegionEvent::OnRegionChannelEdit)},
        {"OnRoleDelete", 1043, bind(IRoleEvent::instance(), &IRoleEvent::OnRoleDelete)},
        {"OnRoleEdit", 1044, bind(IRoleEvent::instance(), &IRoleEvent::OnRoleEdit)},
        {"OnVideoRegionDelete", 1047, bind(IRegionRoleEvent::instance(), &IRegionRoleEvent::OnVideoRegionDelete)},
        {"OnAlarmRegionDelete", 1050, bind(IAlarmRoleEvent::instance(), &IAlarmRoleEvent::OnAlarmRegionDelete)},
        {"OnServerDelete", 1053, bind(IServerEvent::instance(), &IServerEvent::OnServerDelete)},
        {"OnServerEdit", 1054, bind(IServerEvent::instance(), &IServerEvent::OnServerEdit)},
        {"OnRolePermissionDelete", 1057, bind(IRolePermissionEvent::instance(), &IRolePermissionEvent::OnRolePermissionDelete)},
    };
    // clang-format on
    m_plain.clear();
    for (const Plain& p : plains) {
        m_plain[QLatin1String(p.name)] = p.call;
        QTest::addRow("%s ok", p.name) << p.name << p.type << 0;
        QTest::addRow("%s failed", p.name) << p.name << p.type << -7;
    }
}

void tst_Sinks::plainCallbacks()
{
    QFETCH(QString, callback);
    QFETCH(int, type);
    QFETCH(int, result);
    QCOMPARE(m_plain.value(callback)(31, result), 0);
    const std::vector<Event> posted = m_target.take();
    QCOMPARE(int(posted.size()), 1);
    QCOMPARE(int(posted.front().type()), type);
    QCOMPARE(posted.front().sid, 31);
    QCOMPARE(posted.front().result, result);
    QCOMPARE(contents(posted.front()), QStringList());
}

// Answers yield to ordinary events posted after them.
void tst_Sinks::postsWithLowPriority()
{
    IRoleEvent::instance()->OnRoleDelete(1, 0);
    QCoreApplication::postEvent(&m_target, new QEvent(QEvent::Type(QEvent::User + 500)));
    QCoreApplication::sendPostedEvents(&m_target, 0);
    QCOMPARE(m_target.types, (QList<int>{QEvent::User + 500, 1043}));
    m_target.take();
}

void tst_Sinks::noTargetPostsNothing()
{
    IAccountEvent::instance()->setTarget(nullptr);
    QCOMPARE(IAccountEvent::instance()->OnAccountLogin(1, 0), 0);
    IAccountEvent::instance()->setTarget(&m_target);
    QCOMPARE(int(m_target.take().size()), 0);
}

QTEST_GUILESS_MAIN(tst_Sinks)
#include "tst_sinks.moc"
