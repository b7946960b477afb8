// How the service uses its store: every statement that names a key is served
// by an index, every reference column leads an index, and the WAL of a SQLite
// file stays small however many writes go through it.
#include "BizOrsaResultCodes.h"
#include "CheapHashCost.h"
#include "Service.h"
#include "SqliteStore.h"
#include "TestEngine.h"

#include <QRegularExpression>
#include <QtTest>

#include <map>
#include <memory>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

using orsa::Arg;
using orsa::Op;

Arg T(const std::string& text)
{
    return {true, text, 0};
}
Arg N(int number)
{
    return {false, {}, number};
}

// The values a statement ran with, by parameter index.
struct Bound {
    enum Kind { Text, Integer, Blob } kind;
    std::string text;
    std::int64_t number;
};
using Bindings = std::map<int, Bound>;
// Each statement text the service ran, with the values of its first run.
using StatementLog = std::map<std::string, Bindings>;

class RecordingCursor final : public orsa::Cursor
{
public:
    RecordingCursor(std::unique_ptr<orsa::Cursor> cursor, std::string sql, StatementLog& log)
        : m_cursor(std::move(cursor)), m_sql(std::move(sql)), m_log(log)
    {}
    void bindText(int i, const std::string& t) override
    {
        m_bound[i] = {Bound::Text, t, 0};
        m_cursor->bindText(i, t);
    }
    void bindInteger(int i, std::int64_t n) override
    {
        m_bound[i] = {Bound::Integer, {}, n};
        m_cursor->bindInteger(i, n);
    }
    void bindBlob(int i, const std::string& b) override
    {
        m_bound[i] = {Bound::Blob, b, 0};
        m_cursor->bindBlob(i, b);
    }
    bool step() override
    {
        m_log.emplace(m_sql, m_bound);
        return m_cursor->step();
    }
    void reset() override
    {
        m_bound.clear();
        m_cursor->reset();
    }
    std::string text(int c) const override { return m_cursor->text(c); }
    std::int64_t integer(int c) const override { return m_cursor->integer(c); }

private:
    std::unique_ptr<orsa::Cursor> m_cursor;
    std::string m_sql;
    StatementLog& m_log;
    Bindings m_bound;
};

// A store that notes every prepared statement it runs.
class RecordingStore final : public orsa::Store
{
public:
    RecordingStore(std::unique_ptr<orsa::Store> store, StatementLog& log)
        : m_store(std::move(store)), m_log(log)
    {}
    Engine engine() const override { return m_store->engine(); }
    void exec(const std::string& sql) override { m_store->exec(sql); }
    std::unique_ptr<orsa::Cursor> prepare(const std::string& sql) override
    {
        return std::make_unique<RecordingCursor>(m_store->prepare(sql), sql, m_log);
    }
    int changes() const override { return m_store->changes(); }
    void begin() override { m_store->begin(); }
    void commit() override { m_store->commit(); }
    void rollback() noexcept override { m_store->rollback(); }
    void beginSchemaChange() override { m_store->beginSchemaChange(); }
    bool hasTable(const std::string& name) override { return m_store->hasTable(name); }
    bool isEmpty() override { return m_store->isEmpty(); }
    std::string dialect(const std::string& schema) const override
    {
        return m_store->dialect(schema);
    }

private:
    std::unique_ptr<orsa::Store> m_store;
    StatementLog& m_log;
};

// One client of a service, asking in the service's own terms.
struct Client {
    orsa::Service& service;
    orsa::Session session{};
    std::set<Op> asked{};
    orsa::Answer ask(Op op, std::vector<Arg> args)
    {
        orsa::Request request;
        request.op = op;
        request.sid = 1;
        request.args = std::move(args);
        asked.insert(op);
        return service.handle(session, request);
    }
    // The guid of the record an add answered with; empty when it failed.
    template <class Rec>
    std::string added(Op op, std::vector<Arg> args)
    {
        const orsa::Answer a = ask(op, std::move(args));
        if (a.result != 0 || a.records.size() != sizeof(Rec))
            return {};
        return reinterpret_cast<const Rec*>(a.records.data())->guid;
    }
};

long fileSize(const std::string& path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 ? long(st.st_size) : 0;
}

// A statement names a key when it compares a column with a parameter.
bool namesKey(const std::string& sql)
{
    static const QRegularExpression equalsParameter(QStringLiteral("[^<>!]=\\s*\\?\\d"));
    return equalsParameter.match(QString::fromStdString(sql)).hasMatch();
}

// The plan's lines that read a whole table, or sort what an index should
// have given in order; empty when the plan has none.
QStringList scans(orsa::Store& db, const std::string& sql, const Bindings& bound)
{
    const bool sqlite = db.engine() == orsa::Store::Engine::Sqlite;
    orsa::Statement plan(db, (sqlite ? "EXPLAIN QUERY PLAN " : "EXPLAIN ") + sql);
    for (const auto& [index, value] : bound) {
        if (value.kind == Bound::Integer)
            plan.bind(index, value.number);
        else if (value.kind == Bound::Blob)
            plan.bind(index, orsa::Blob{value.text});
        else
            plan.bind(index, value.text);
    }
    QStringList found;
    while (plan.step()) {
        const QString line = QString::fromStdString(plan.text(sqlite ? 3 : 0));
        if (sqlite ? line.startsWith(QLatin1String("SCAN ")) ||
                         line.contains(QLatin1String("TEMP B-TREE FOR ORDER BY"))
                   : line.contains(QLatin1String("Seq Scan")))
            found << line;
    }
    return found;
}

// The statements prepared on a SQLite connection.
int preparedOn(const orsa::SqliteStore& db)
{
    int n = 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db.handle(), nullptr); s;
         s = sqlite3_next_stmt(db.handle(), s))
        ++n;
    return n;
}

} // namespace

class tst_ServiceStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ORSA_REQUIRE_ENGINE(); }
    void keyedStatementsUseAnIndex();
    void referencesLeadAnIndex();
    void walStaysBounded();
    void statementsAreReused();
    void commitRefusesARunningStatement();
};

// Every request of the table runs once, the queries with and without a key;
// then each statement that named a key is explained with the values it ran
// with.
void tst_ServiceStore::keyedStatementsUseAnIndex()
{
    TestDatabase database;
    QVERIFY(database.isValid());
    StatementLog log;
    orsa::Service service(
        std::make_unique<RecordingStore>(orsa::openStore(database.address()), log),
        kCheapHashIterations);
    Client c{service};
    QCOMPARE(c.ask(Op::Login, {T("admin"), T("wrong")}).result, int(BIZORSA_E_NOT_LOGGED_IN));
    QCOMPARE(c.ask(Op::Login, {T("admin"), T("admin")}).result, 0);

    const std::string role = c.added<tabROLEINFO>(Op::AddRole, {T("duty"), T("")});
    const std::string permission =
        c.added<tabROLEPERMISSIONINFO>(Op::AddRolePermission, {T(role), T("live_view"), T("true")});
    const std::string region = c.added<tabREGIONINFO>(Op::AddRegion, {T("hq"), T(""), N(1), T("")});
    const std::string device =
        c.added<tabDEVICEINFO>(Op::AddDevice, {T("nvr"), T("DS01"), T("admin"), T("pw"),
                                               T("10.0.0.2"), N(8000), N(2), N(1), N(2)});
    const std::string view = c.added<tabVIEWINFO>(Op::AddView, {T("wall"), N(4)});
    const std::string server = c.added<tabSERVERINFO>(
        Op::AddServer, {T("alarm"), T("u"), T("pw"), T("10.0.0.5"), N(7200), N(4)});
    for (const std::string* guid : {&role, &permission, &region, &device, &view, &server})
        QVERIFY(!guid->empty());
    const orsa::Answer channels = c.ask(Op::QueryDeviceChannel, {T(device)});
    QCOMPARE(channels.count, 2u);
    const std::string channel =
        reinterpret_cast<const tabCHANNELINFO*>(channels.records.data())->channelGuid;

    const std::vector<std::pair<Op, std::vector<Arg>>> requests = {
        {Op::AddAccount, {T("li.na"), T(""), T(""), T("pw"), T(role)}},
        {Op::EditAccount, {T("li.na"), T("139"), T(""), T("pw2"), T(role)}},
        {Op::AddVideoRegion, {T(role), T(region)}},
        {Op::AddAlarmRegion, {T(role), T(region)}},
        {Op::AddRegionChannel, {T(region), T(channel), T("door")}},
        {Op::AddViewChannel, {T(view), T(channel), N(0)}},
        {Op::EditRole, {T(role), T("duty 2"), T("")}},
        {Op::EditRegion, {T(region), T("hq 2"), T("")}},
        {Op::EditDevice, {T(device), T("nvr 2"), T("admin"), T("pw"), T("10.0.0.3"), N(8000)}},
        {Op::EditView, {T(view), T("wall 2"), N(9)}},
        {Op::EditServer, {T(server), T("alarm 2"), T("u"), T("pw"), T("10.0.0.6"), N(7200)}},
        {Op::EditRegionChannel, {T(region), T(channel), T("gate")}},
        {Op::EditViewChannel, {T(view), T(channel), N(1)}},
    };
    for (const auto& [op, args] : requests)
        QVERIFY2(c.ask(op, args).result == 0, orsa::opInfo(op).name);
    const std::pair<Op, std::string> queries[] = {
        {Op::QueryAccount, "li.na"},           {Op::QueryRole, role},
        {Op::QueryRolePermission, permission}, {Op::QueryVideoRegion, role},
        {Op::QueryAlarmRegion, role},          {Op::QueryRegion, region},
        {Op::QueryRegionChannel, region},      {Op::QueryDevice, device},
        {Op::QueryDeviceChannel, device},      {Op::QueryView, view},
        {Op::QueryViewChannel, view},          {Op::QueryServer, server},
    };
    for (const auto& [op, key] : queries) {
        for (const std::string& k : {std::string(), key})
            QVERIFY2(c.ask(op, {T(k)}).count >= 1, orsa::opInfo(op).name);
    }
    const std::vector<std::pair<Op, std::vector<Arg>>> deletes = {
        {Op::DeleteViewChannel, {T(view), T(channel)}},
        {Op::DeleteRegionChannel, {T(region), T(channel)}},
        {Op::DeleteVideoRegion, {T(role), T(region)}},
        {Op::DeleteAlarmRegion, {T(role), T(region)}},
        {Op::DeleteRolePermission, {T(permission)}},
        {Op::DeleteAccount, {T("li.na")}},
        {Op::DeleteRole, {T(role)}},
        {Op::DeleteRegion, {T(region)}},
        {Op::DeleteDevice, {T(device)}},
        {Op::DeleteView, {T(view)}},
        {Op::DeleteServer, {T(server)}},
        {Op::Logout, {}},
    };
    for (const auto& [op, args] : deletes)
        QVERIFY2(c.ask(op, args).result == 0, orsa::opInfo(op).name);
    QCOMPARE(c.asked.size(), std::size_t(Op::Count));

    const auto explainer = orsa::openStore(database.address());
    if (onPostgresql())
        explainer->exec("SET enable_seqscan = off");
    int keyed = 0;
    for (const auto& [sql, bound] : log) {
        if (!namesKey(sql))
            continue;
        ++keyed;
        const QStringList found = scans(*explainer, sql, bound);
        QVERIFY2(found.isEmpty(), qPrintable(QString::fromStdString(sql) + QLatin1String(": ") +
                                             found.join(QLatin1String("; "))));
    }
    QVERIFY(keyed > 30);
}

// A delete of a referenced row looks up the rows referring to it: without an
// index on their column each such delete reads the whole referring table.
void tst_ServiceStore::referencesLeadAnIndex()
{
    if (onPostgresql())
        QSKIP("the schema text is the same on both engines; SQLite's catalogue is read");
    TestDatabase database;
    QVERIFY(database.isValid());
    orsa::Service service(database.address(), kCheapHashIterations);
    const auto db = orsa::openStore(database.address());
    orsa::Statement references(
        *db, "SELECT m.name, f.\"from\" FROM sqlite_master m, pragma_foreign_key_list(m.name) f "
             "WHERE m.type = 'table' AND f.seq = 0");
    int count = 0;
    while (references.step()) {
        ++count;
        const std::string table = references.text(0), column = references.text(1);
        orsa::Statement leading(*db,
                                "SELECT 1 FROM pragma_index_list(?1) l, "
                                "pragma_index_info(l.name) i WHERE i.seqno = 0 AND i.name = ?2");
        leading.bind(1, table).bind(2, column);
        QVERIFY2(leading.step(), (table + "." + column).c_str());
    }
    QVERIFY2(count >= 12, "the schema's references were not found");
}

// Tens of thousands of filings, each its own transaction: the automatic
// checkpoint keeps restarting the WAL, which never passes the size it is cut
// back to (8 MiB).
void tst_ServiceStore::walStaysBounded()
{
    if (onPostgresql())
        QSKIP("a SQLite file's WAL");
    TestDatabase database;
    QVERIFY(database.isValid());
    const std::string wal = database.address() + "-wal";
    const long bound = 8L << 20;
    orsa::Service service(database.address(), kCheapHashIterations);
    Client c{service};
    QCOMPARE(c.ask(Op::Login, {T("admin"), T("admin")}).result, 0);
    constexpr int kDevices = 25, kChannels = 1000, kRegions = 50;
    std::vector<std::string> regions;
    for (int r = 0; r < kRegions; ++r)
        regions.push_back(c.added<tabREGIONINFO>(
            Op::AddRegion, {T("region " + std::to_string(r)), T(""), N(1), T("")}));
    long highest = 0;
    int filed = 0;
    for (int d = 0; d < kDevices; ++d) {
        const std::string device = c.added<tabDEVICEINFO>(
            Op::AddDevice, {T("nvr " + std::to_string(d)), T("n"), T("u"), T("p"), T("10.0.0.2"),
                            N(80), N(kChannels), N(0), N(0)});
        QVERIFY(!device.empty());
        const orsa::Answer channels = c.ask(Op::QueryDeviceChannel, {T(device)});
        QCOMPARE(channels.count, std::uint32_t(kChannels));
        const auto* channel = reinterpret_cast<const tabCHANNELINFO*>(channels.records.data());
        for (int n = 0; n < kChannels; ++n, ++filed) {
            const orsa::Answer a =
                c.ask(Op::AddRegionChannel, {T(regions[std::size_t(filed % kRegions)]),
                                             T(channel[n].channelGuid), T("camera")});
            QCOMPARE(a.result, 0);
            highest = std::max(highest, fileSize(wal));
        }
        QVERIFY2(
            highest <= bound,
            qPrintable(QStringLiteral("WAL of %1 bytes after %2 filings").arg(highest).arg(filed)));
    }
    QCOMPARE(c.ask(Op::QueryRegionChannel, {T("")}).count, std::uint32_t(filed));
    // The WAL was in use: a bound that nothing approached would prove nothing.
    QVERIFY(highest > bound / 4);
}

// One statement per text and connection, however often it runs; a second is
// made only while the first is still in use.
void tst_ServiceStore::statementsAreReused()
{
    if (onPostgresql())
        QSKIP("SQLite's statements");
    orsa::SqliteStore db(":memory:");
    db.exec("CREATE TABLE t(a INTEGER PRIMARY KEY)");
    for (int i = 0; i < 100; ++i) {
        orsa::Statement insert(db, "INSERT INTO t VALUES(?1)");
        insert.bind(1, i).run();
    }
    QCOMPARE(preparedOn(db), 1);
    for (int i = 0; i < 100; ++i) {
        orsa::Statement outer(db, "SELECT a FROM t WHERE a >= ?1 ORDER BY a");
        outer.bind(1, i);
        QVERIFY(outer.step());
        orsa::Statement inner(db, "SELECT a FROM t WHERE a >= ?1 ORDER BY a");
        inner.bind(1, i + 1);
        // Each runs on its own: neither disturbs the other's row.
        QCOMPARE(inner.step(), i + 1 < 100);
        QCOMPARE(outer.integer(0), i);
    }
    QCOMPARE(preparedOn(db), 3);
}

// A statement still running keeps its read snapshot past the commit, and
// while it does no checkpoint can restart the WAL.
void tst_ServiceStore::commitRefusesARunningStatement()
{
    if (onPostgresql())
        QSKIP("SQLite's statements");
    orsa::SqliteStore db(":memory:");
    db.exec("CREATE TABLE t(a INTEGER); INSERT INTO t VALUES(1), (2)");
    db.begin();
    {
        orsa::Statement running(db, "SELECT a FROM t");
        QVERIFY(running.step());
        QVERIFY_EXCEPTION_THROWN(db.commit(), orsa::DbError);
        db.exec("INSERT INTO t VALUES(3)");
    }
    db.commit();
    orsa::Statement count(db, "SELECT count(*) FROM t");
    QVERIFY(count.step());
    QCOMPARE(count.integer(0), 3);
}

QTEST_GUILESS_MAIN(tst_ServiceStore)
#include "tst_servicestore.moc"
