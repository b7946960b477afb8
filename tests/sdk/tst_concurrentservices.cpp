// Two service instances on one database, as two servers would run them, each
// shared by its own threads; clients on both add and delete the same kinds at
// once. The end state is one that a single service, taking the requests one
// after another, could have produced: no duplicate, no orphan, no rule broken.
#include "BizOrsaResultCodes.h"
#include "BizOrsaRights.h"
#include "CheapHashCost.h"
#include "Concurrently.h"
#include "Service.h"
#include "TestEngine.h"

#include <QtTest>

#include <cstring>

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

orsa::Arg T(const std::string& text)
{
    return {true, text, 0};
}
orsa::Arg N(int number)
{
    return {false, {}, number};
}

// A server's threads share its service one request at a time.
class Instance
{
public:
    explicit Instance(const std::string& address)
        : m_service(orsa::openStore(address), kCheapHashIterations)
    {}
    orsa::Answer ask(orsa::Session& session, orsa::Op op, std::vector<orsa::Arg> args)
    {
        orsa::Request request;
        request.op = op;
        request.sid = 1;
        request.args = std::move(args);
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_service.handle(session, request);
    }

private:
    orsa::Service m_service;
    std::mutex m_mutex;
};

// A client of one instance with a session of its own.
struct Client {
    Instance* instance;
    orsa::Session session;
    orsa::Answer answer(orsa::Op op, std::vector<orsa::Arg> args)
    {
        return instance->ask(session, op, std::move(args));
    }
    int result(orsa::Op op, std::vector<orsa::Arg> args)
    {
        return answer(op, std::move(args)).result;
    }
    // The guid an add answered with, empty when it failed.
    std::string added(orsa::Op op, std::vector<orsa::Arg> args)
    {
        const orsa::Answer a = answer(op, std::move(args));
        return a.result == 0 ? std::string(a.records.data()) : std::string();
    }
    template <class Rec>
    std::vector<Rec> records(orsa::Op op, const std::string& key = {})
    {
        const orsa::Answer a = answer(op, {T(key)});
        std::vector<Rec> out(a.count);
        if (!out.empty())
            std::memcpy(out.data(), a.records.data(), a.count * sizeof(Rec));
        return out;
    }
};

constexpr int kClients = 4;

} // namespace

class tst_ConcurrentServices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ORSA_REQUIRE_ENGINE(); }
    void init();
    void cleanup();
    void sameNamesAddedOnce();
    void lastAdministratorStays();
    void parentDeletedWhileChildrenCome();
    void deviceDeletedWhileFiled();
    void startTogether();

private:
    // kClients clients, alternately on either instance, logged in as name.
    std::vector<Client> clients(const std::string& name, const std::string& password);

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<Instance> m_instances[2];
    std::unique_ptr<Client> m_admin; // for setting up and looking
};

void tst_ConcurrentServices::init()
{
    m_database = std::make_unique<TestDatabase>();
    QVERIFY(m_database->isValid());
    for (auto& instance : m_instances)
        instance = std::make_unique<Instance>(m_database->address());
    m_admin = std::make_unique<Client>(Client{m_instances[0].get(), {}});
    QCOMPARE(m_admin->result(orsa::Op::Login, {T("admin"), T("admin")}), 0);
}

void tst_ConcurrentServices::cleanup()
{
    m_admin.reset();
    for (auto& instance : m_instances)
        instance.reset();
    m_database.reset();
}

std::vector<Client> tst_ConcurrentServices::clients(const std::string& name,
                                                    const std::string& password)
{
    std::vector<Client> out;
    for (int i = 0; i < kClients; ++i) {
        out.push_back({m_instances[i % 2].get(), {}});
        if (out.back().result(orsa::Op::Login, {T(name), T(password)}) != 0)
            return {};
    }
    return out;
}

// Every client adds the same names: each is made once, the others hear
// "already exists".
void tst_ConcurrentServices::sameNamesAddedOnce()
{
    constexpr int kNames = 12;
    std::vector<Client> all = clients("admin", "admin");
    QCOMPARE(int(all.size()), kClients);
    std::vector<std::vector<int>> results(kClients);
    std::vector<std::function<void()>> jobs;
    for (int c = 0; c < kClients; ++c) {
        jobs.push_back([&, c] {
            for (int n = 0; n < kNames; ++n)
                results[c].push_back(
                    all[c].result(orsa::Op::AddAccount,
                                  {T("user" + std::to_string(n)), T(""), T(""), T("pw"), T("")}));
        });
    }
    concurrently(jobs);
    for (int n = 0; n < kNames; ++n) {
        int made = 0;
        for (int c = 0; c < kClients; ++c) {
            const int r = results[c][n];
            QVERIFY2(r == BIZORSA_OK || r == BIZORSA_E_ALREADY_EXISTS,
                     qPrintable(QString::number(r)));
            made += r == BIZORSA_OK;
        }
        QCOMPARE(made, 1);
    }
    QCOMPARE(int(m_admin->records<tabACCOUNT>(orsa::Op::QueryAccount).size()), kNames + 1);
}

// Clients delete every administrator at once: all but one go. Each check
// sees another administrator left, so only transactions that see each
// other's deletes keep the last; rounds give the race many chances.
void tst_ConcurrentServices::lastAdministratorStays()
{
    constexpr int kRounds = 15;
    constexpr int kAdded = 5; // administrators added to the one left each round
    const std::string role = m_admin->added(orsa::Op::AddRole, {T("ops"), T("")});
    QVERIFY(!role.empty());
    QVERIFY(!m_admin
                 ->added(orsa::Op::AddRolePermission,
                         {T(role), T(BIZORSA_RIGHT_MANAGE_ACCOUNTS), T(BIZORSA_PERMISSION_GRANTED)})
                 .empty());
    QCOMPARE(m_admin->result(orsa::Op::AddAccount, {T("ops"), T(""), T(""), T("pw"), T(role)}), 0);
    std::vector<Client> all = clients("ops", "pw");
    QCOMPARE(int(all.size()), kClients);
    std::vector<std::string> administrators{"admin"};
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kAdded; ++i) {
            administrators.push_back("r" + std::to_string(round) + "a" + std::to_string(i));
            QCOMPARE(all[0].result(orsa::Op::AddAccount, {T(administrators.back()), T(""), T(""),
                                                          T("pw"), T(BIZORSA_ADMINISTRATORS_ROLE)}),
                     0);
        }
        const int count = int(administrators.size());
        std::vector<std::vector<int>> results(kClients);
        std::vector<std::function<void()>> jobs;
        for (int c = 0; c < kClients; ++c) {
            jobs.push_back([&, c] {
                for (int i = 0; i < count; ++i)
                    results[c].push_back(all[c].result(orsa::Op::DeleteAccount,
                                                       {T(administrators[(i + c) % count])}));
            });
        }
        concurrently(jobs);
        int deleted = 0;
        for (const auto& rs : results) {
            for (int r : rs) {
                QVERIFY2(r == BIZORSA_OK || r == BIZORSA_E_NOT_FOUND ||
                             r == BIZORSA_E_LAST_ADMINISTRATOR,
                         qPrintable(QString::number(r)));
                deleted += r == BIZORSA_OK;
            }
        }
        QCOMPARE(deleted, count - 1);
        administrators.clear();
        for (const tabACCOUNT& a : all[0].records<tabACCOUNT>(orsa::Op::QueryAccount)) {
            if (std::string(a.roleGuid) == BIZORSA_ADMINISTRATORS_ROLE)
                administrators.push_back(a.userName);
        }
        QCOMPARE(int(administrators.size()), 1);
    }
}

// Children come and go under a region that another client deletes: a region
// with children never goes, and no region is left without its parent.
void tst_ConcurrentServices::parentDeletedWhileChildrenCome()
{
    constexpr int kRounds = 10;
    const std::string parent =
        m_admin->added(orsa::Op::AddRegion, {T("parent"), T(""), N(1), T("")});
    QVERIFY(!parent.empty());
    std::vector<Client> all = clients("admin", "admin");
    QCOMPARE(int(all.size()), kClients);
    std::vector<std::vector<int>> adds(kClients), removals(kClients);
    int parentDeleted = -1;
    std::vector<std::function<void()>> jobs;
    for (int c = 0; c + 1 < kClients; ++c) {
        jobs.push_back([&, c] {
            for (int i = 0; i < kRounds; ++i) {
                const orsa::Answer a =
                    all[c].answer(orsa::Op::AddRegion, {T("child"), T(parent), N(2), T("")});
                adds[c].push_back(a.result);
                if (a.result == 0)
                    removals[c].push_back(
                        all[c].result(orsa::Op::DeleteRegion, {T(a.records.data())}));
            }
        });
    }
    jobs.push_back([&] {
        for (int i = 0; i < kRounds * 2 && parentDeleted != 0; ++i)
            parentDeleted = all.back().result(orsa::Op::DeleteRegion, {T(parent)});
    });
    concurrently(jobs);
    for (int c = 0; c + 1 < kClients; ++c) {
        for (int r : adds[c])
            QVERIFY2(r == BIZORSA_OK || r == BIZORSA_E_NOT_FOUND, qPrintable(QString::number(r)));
        for (int r : removals[c])
            QCOMPARE(r, int(BIZORSA_OK));
    }
    QVERIFY2(parentDeleted == BIZORSA_OK || parentDeleted == BIZORSA_E_STILL_IN_USE,
             qPrintable(QString::number(parentDeleted)));
    const auto regions = m_admin->records<tabREGIONINFO>(orsa::Op::QueryRegion);
    QCOMPARE(int(regions.size()), parentDeleted == 0 ? 0 : 1);
}

// Channels are filed into regions and views while their device is deleted:
// afterwards no filing of its channels is left anywhere.
void tst_ConcurrentServices::deviceDeletedWhileFiled()
{
    constexpr int kChannels = 4;
    constexpr int kRounds = 8;
    const std::string device =
        m_admin->added(orsa::Op::AddDevice,
                       {T("cam"), T(""), T(""), T(""), T(""), N(80), N(kChannels), N(0), N(0)});
    const std::string region = m_admin->added(orsa::Op::AddRegion, {T("r"), T(""), N(1), T("")});
    const std::string view = m_admin->added(orsa::Op::AddView, {T("v"), N(4)});
    QVERIFY(!device.empty() && !region.empty() && !view.empty());
    std::vector<std::string> channels;
    for (const tabCHANNELINFO& ch :
         m_admin->records<tabCHANNELINFO>(orsa::Op::QueryDeviceChannel, device))
        channels.push_back(ch.channelGuid);
    QCOMPARE(int(channels.size()), kChannels);

    std::vector<Client> all = clients("admin", "admin");
    QCOMPARE(int(all.size()), kClients);
    std::vector<std::vector<int>> results(kClients);
    int deviceDeleted = -1;
    std::vector<std::function<void()>> jobs;
    for (int c = 0; c + 1 < kClients; ++c) {
        jobs.push_back([&, c] {
            for (int i = 0; i < kRounds; ++i) {
                const std::string& channel = channels[(c + i) % kChannels];
                results[c].push_back(
                    all[c].result(orsa::Op::AddRegionChannel, {T(region), T(channel), T("door")}));
                results[c].push_back(
                    all[c].result(orsa::Op::AddViewChannel, {T(view), T(channel), N(i)}));
            }
        });
    }
    jobs.push_back([&] { deviceDeleted = all.back().result(orsa::Op::DeleteDevice, {T(device)}); });
    concurrently(jobs);
    for (const auto& rs : results) {
        for (int r : rs)
            QVERIFY2(r == BIZORSA_OK || r == BIZORSA_E_NOT_FOUND, qPrintable(QString::number(r)));
    }
    QCOMPARE(deviceDeleted, int(BIZORSA_OK));
    // Straight from the tables: the queries' joins would hide an orphan.
    auto store = orsa::openStore(m_database->address());
    for (const char* table : {"device_channels", "region_channels", "view_channels"}) {
        orsa::Statement count(*store, std::string("SELECT count(*) FROM ") + table);
        QVERIFY(count.step());
        QVERIFY2(count.integer(0) == 0, table);
    }
}

// Instances that start at once on a new database make its tables and first
// account once, and none of them fails for it.
void tst_ConcurrentServices::startTogether()
{
    cleanup();
    m_database = std::make_unique<TestDatabase>();
    QVERIFY(m_database->isValid());
    std::vector<std::unique_ptr<Instance>> started(kClients);
    std::vector<std::string> errors(kClients);
    std::vector<std::function<void()>> jobs;
    for (int i = 0; i < kClients; ++i) {
        jobs.push_back([&, i] {
            try {
                started[i] = std::make_unique<Instance>(m_database->address());
            } catch (const std::exception& e) {
                errors[i] = e.what();
            }
        });
    }
    concurrently(jobs);
    for (int i = 0; i < kClients; ++i)
        QVERIFY2(started[i], errors[i].c_str());
    Client admin{started.back().get(), {}};
    QCOMPARE(admin.result(orsa::Op::Login, {T("admin"), T("admin")}), 0);
    QCOMPARE(int(admin.records<tabACCOUNT>(orsa::Op::QueryAccount).size()), 1);
    QCOMPARE(int(admin.records<tabROLEINFO>(orsa::Op::QueryRole).size()), 1);
}

QTEST_GUILESS_MAIN(tst_ConcurrentServices)
#include "tst_concurrentservices.moc"
