// What the tests of the management operations share: the scripted export,
// the cache and its fixture, records and signals written as comparable texts,
// a log capture and a login.
#ifndef OPSFIXTURE_H
#define OPSFIXTURE_H

#include "support/scriptedsdk.h"
#include "support/singletons.h"

#include "orsadatacenter.h"

#include <QtCore/QMap>
#include <QtCore/QMutex>
#include <QtCore/QMutexLocker>
#include <QtCore/QObject>
#include <QtCore/QStringList>
#include <QtTest/QtTest>

#include <functional>

namespace ops {

using ::cache;
using ::core;
using ::sdk;

// ---- Records as texts, fields in record order joined by '|' ----------------

inline QString text(const QString& s)
{
    return s;
}
inline QString text(int n)
{
    return QString::number(n);
}
inline QString text(SERVERTYPE t)
{
    return QString::number(int(t));
}
template <typename... F>
QString fields(const F&... f)
{
    return QStringList{text(f)...}.join(QLatin1Char('|'));
}
inline QString text(const AccountInfo& r)
{
    return fields(r.userName, r.password, r.phone, r.mail, r.roleGuid);
}
inline QString text(const RoleInfo& r)
{
    return fields(r.guid, r.name, r.describe);
}
inline QString text(const RolePermissionInfo& r)
{
    return fields(r.guid, r.roleGuid, r.type, r.value);
}
inline QString text(const RoleRegionInfo& r)
{
    return fields(r.roleGuid, r.regionGuid);
}
inline QString text(const RegionAlarmInfo& r)
{
    return fields(r.roleGuid, r.regionGuid);
}
inline QString text(const RegionInfo& r)
{
    return fields(r.guid, r.parentGuid, r.name, r.level, r.describe);
}
inline QString text(const DeviceChancelInfo& r)
{
    return fields(r.channelGuid, r.channelName, r.devGuid, r.channelNo);
}
inline QString text(const RegionChannelInfo& r)
{
    return fields(r.regionGuid, text(r.channelInfo));
}
inline QString text(const UDeviceInfo& r)
{
    return fields(r.guid, r.devName, r.devNO, r.devUser, r.devPassword, r.devIP, r.devPort,
                  r.devChannelNum, r.devExtra, r.devVender, r.devType, r.devBonline);
}
inline QString text(const UViewInfo& r)
{
    return fields(r.guid, r.name, r.divide);
}
inline QString text(const UViewChannelInfo& r)
{
    return fields(r.viewGuid, text(r.channelInfo), r.position);
}
inline QString text(const UServerInfo& r)
{
    return fields(r.guid, r.name, r.ip, r.user, r.password, r.port, r.type);
}
template <typename Rec>
QStringList texts(const QList<Rec>& list)
{
    QStringList out;
    for (const Rec& r : list)
        out << text(r);
    return out;
}

// Every cached list by name, as texts.
using CacheState = QMap<QString, QStringList>;
inline CacheState cacheState()
{
    DATACore::UserDataCache* c = cache();
    return {
        {QStringLiteral("accounts"), texts(c->list_account_Info())},
        {QStringLiteral("roles"), texts(c->list_role_info())},
        {QStringLiteral("permissions"), texts(c->list_role_permission_info())},
        {QStringLiteral("video grants"), texts(c->list_role_region_info())},
        {QStringLiteral("alarm grants"), texts(c->list_region_alarm_info())},
        {QStringLiteral("regions"), texts(c->list_region_info())},
        {QStringLiteral("region channels"), texts(c->list_region_channel_info())},
        {QStringLiteral("devices"), texts(c->list_device_info())},
        {QStringLiteral("device channels"), texts(c->list_device_channel_info())},
        {QStringLiteral("views"), texts(c->list_view_info())},
        {QStringLiteral("view channels"), texts(c->viewChannelInfo())},
        {QStringLiteral("servers"), texts(c->list_server_info())},
    };
}

// The requests the SDK received since its reset, as "Op(arg|arg)".
inline QStringList requestTexts()
{
    QStringList out;
    for (const SdkCall& call : sdk().requests())
        out << call.op + QLatin1Char('(') + call.args.join(QLatin1Char('|')) + QLatin1Char(')');
    return out;
}

// Every change signal of the facade, in emission order, as "signal(args)".
class SignalLog : public QObject
{
public:
    SignalLog()
    {
        using C = DATACore::UserManagerCore;
        record(&C::signalAddView, "signalAddView");
        record(&C::signalEditView, "signalEditView");
        record(&C::signalDeleteView, "signalDeleteView");
        record(&C::signalAddDevice, "signalAddDevice");
        record(&C::signalEditDevice, "signalEditDevice");
        record(&C::signalDeleteDevice, "signalDeleteDevice");
        record(&C::signalAddRegion, "signalAddRegion");
        record(&C::signalEditRegioin, "signalEditRegioin");
        record(&C::signalDeleteRegion, "signalDeleteRegion");
        record(&C::signalAddRegionChannel, "signalAddRegionChannel");
        record(&C::signalEditRegionChannel, "signalEditRegionChannel");
        record(&C::signalDeleteRegionChannl, "signalDeleteRegionChannl");
        record(&C::signalAddViewChannel, "signalAddViewChannel");
        record(&C::signalEditViewChannel, "signalEditViewChannel");
        record(&C::signalDelViewChannel, "signalDelViewChannel");
        record(&C::signalAddServer, "signalAddServer");
        record(&C::signalEditServer, "signalEditServer");
        record(&C::signalDeleteServer, "signalDeleteServer");
        record(&C::signalAddAccount, "signalAddAccount");
        record(&C::signalDeleteAccount, "signalDeleteAccount");
        record(&C::signalEditAccount, "signalEditAccount");
        record(&C::signalAddRole, "signalAddRole");
        record(&C::signalEditRole, "signalEditRole");
    }
    QStringList lines;

private:
    template <typename... A>
    void record(void (DATACore::UserManagerCore::*signal)(A...), const char* name)
    {
        connect(core(), signal, this, [this, name](A... args) {
            lines << QLatin1String(name) + QLatin1Char('(') +
                         QStringList{text(args)...}.join(QLatin1String(", ")) + QLatin1Char(')');
        });
    }
};

// Every message logged while it lives, whatever thread wrote it.
class LogCapture
{
public:
    LogCapture() { previous() = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(previous()); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList lines()
    {
        QMutexLocker lock(&mutex());
        return store();
    }
    static void clear()
    {
        QMutexLocker lock(&mutex());
        store().clear();
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        QMutexLocker lock(&mutex());
        store() << message;
    }
    static QtMessageHandler& previous()
    {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
    static QStringList& store()
    {
        static QStringList lines;
        return lines;
    }
    static QMutex& mutex()
    {
        static QMutex m;
        return m;
    }
};

// An SDK record of type Tab whose guid field holds guid: the answer to an add.
template <typename Tab>
Reply added(const char* guid)
{
    Tab record{};
    ScriptedSdk::setText(record.guid, guid);
    return Reply::with(0, record);
}

// Connects the facade to the scripted SDK; the export's own calls are forgotten.
inline bool exportScripted()
{
    const bool exported = core()->ExportInterFace(DATACore::EventReceiver::instance(),
                                                  QStringLiteral("scripted"), 1, false);
    sdk().reset();
    return exported;
}

inline void clearCache()
{
    DATACore::UserDataCache* c = cache();
    c->setList_account_Info({});
    c->setList_role_info({});
    c->setList_role_permission_info({});
    c->setList_role_region_info({});
    c->setList_role_alarm_info({});
    c->setList_region_info({});
    c->setList_region_channel_info({});
    c->setList_device_info({});
    c->setList_device_channel_info({});
    c->setList_view_info({});
    c->setViewChannelInfo({});
    c->setList_server_info({});
}

// Logs user in with the given role, through the scripted SDK; the calls of the
// login are forgotten afterwards. The login replaces the cached accounts and roles.
inline bool logIn(const QString& user, const QString& roleGuid)
{
    tabACCOUNT account{};
    ScriptedSdk::setText(account.userName, user.toLocal8Bit());
    ScriptedSdk::setText(account.roleGuid, roleGuid.toLocal8Bit());
    tabROLEINFO role{};
    ScriptedSdk::setText(role.guid, roleGuid.toLocal8Bit());
    sdk().script(QStringLiteral("QueryAccount"), Reply::with(0, account));
    sdk().script(QStringLiteral("QueryRole"), Reply::with(0, role));
    const bool in = core()->AccountLogin(user, QStringLiteral("pw"));
    sdk().reset();
    return in && core()->isLoggedIn() && core()->userRole().guid == roleGuid;
}

inline bool logOut()
{
    const bool out = !core()->isLoggedIn() || core()->AccountLogout();
    sdk().reset();
    return out && !core()->isLoggedIn();
}

// A management operation, run as a test row describes it.
using Operation = std::function<bool()>;

// One scripted answer.
struct Script {
    QString op;
    Reply reply;
};
using Scripts = QVector<Script>;
inline void scriptAll(const Scripts& scripts)
{
    for (const Script& s : scripts)
        sdk().script(s.op, s.reply);
}

// The outcomes that must leave the cache and the signals alone.
struct Failure {
    const char* name;
    Reply reply;
};
inline QVector<Failure> failures()
{
    return {{"refused", Reply::refuse()},
            {"answered with failure", Reply::code(-3)},
            {"timed out", Reply::timeOut()}};
}

// Compares every cached list with expected, naming the list that differs.
inline bool sameCache(const CacheState& expected)
{
    const CacheState now = cacheState();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (now.value(it.key()) != it.value()) {
            qWarning().noquote() << it.key() << "holds" << now.value(it.key()) << "instead of"
                                 << it.value();
            return false;
        }
    }
    return true;
}

// One single-request operation: what it sends and, once the server confirmed
// it, what it leaves in one cached list and which signals it emits.
struct OpCase {
    Operation run;
    QString sent;
    Reply success;
    QString list; // the cached list the success changes; empty: none
    QStringList listAfter;
    QStringList signalsAfter;
    // Other lists the success changes: what a delete takes with it.
    CacheState alsoAfter = {};
};

inline void addOutcomeColumns()
{
    QTest::addColumn<Operation>("run");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("listAfter");
    QTest::addColumn<QStringList>("signalsAfter");
    QTest::addColumn<CacheState>("alsoAfter");
}

// A row for the success and one for each failure, which changes nothing.
inline void addOutcomeRows(const char* name, const OpCase& c)
{
    QTest::addRow("%s", name) << c.run << c.sent << c.success << true << c.list << c.listAfter
                              << c.signalsAfter << c.alsoAfter;
    for (const Failure& f : failures())
        QTest::addRow("%s, %s", name, f.name) << c.run << c.sent << f.reply << false << QString()
                                              << QStringList() << QStringList() << CacheState();
}

// Runs the row of addOutcomeColumns against the current cache.
inline void checkOutcome()
{
    QFETCH(Operation, run);
    QFETCH(QString, sent);
    QFETCH(Reply, reply);
    QFETCH(bool, ok);
    QFETCH(QString, list);
    QFETCH(QStringList, listAfter);
    QFETCH(QStringList, signalsAfter);
    QFETCH(CacheState, alsoAfter);
    sdk().script(sent.section(QLatin1Char('('), 0, 0), reply);
    CacheState expected = cacheState();
    if (!list.isEmpty())
        expected[list] = listAfter;
    for (auto it = alsoAfter.cbegin(); it != alsoAfter.cend(); ++it)
        expected[it.key()] = it.value();
    SignalLog signalLog;
    QCOMPARE(run(), ok);
    QCOMPARE(requestTexts(), QStringList{sent});
    QVERIFY(sameCache(expected));
    QCOMPARE(signalLog.lines, signalsAfter);
}

// A compound operation on one text argument: what it sends, what it returns
// and what it leaves in one cached list, given the scripted answers.
inline void addCompoundColumns()
{
    QTest::addColumn<QString>("arg");
    QTest::addColumn<Scripts>("scripts");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("left");
}

// Runs the row of addCompoundColumns: run(arg) gives the result, observe() the list.
inline void checkCompound(const std::function<bool(const QString&)>& run,
                          const std::function<QStringList()>& observe)
{
    QFETCH(QString, arg);
    QFETCH(Scripts, scripts);
    QFETCH(bool, ok);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, left);
    scriptAll(scripts);
    QCOMPARE(run(arg), ok);
    QCOMPARE(requestTexts(), sent);
    QCOMPARE(observe(), left);
}

} // namespace ops

Q_DECLARE_METATYPE(Reply)
Q_DECLARE_METATYPE(ops::Operation)
Q_DECLARE_METATYPE(ops::Scripts)
Q_DECLARE_METATYPE(ops::CacheState)

#endif // OPSFIXTURE_H
