// Fifty clients at once against one orsad, each with its own connection and
// session, reading and writing: no request fails and every write is there
// afterwards.
#include "TestHub.h"
#include "support/orsadprocess.h"

#include <QtTest>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

class tst_ManyClients : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWrites();
};

void tst_ManyClients::readsAndWrites()
{
    constexpr int kClients = 50;
    constexpr int kRounds = 100; // one write and two reads each
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    OrsadProcess orsad;
    QVERIFY(orsad.start());

    std::atomic<int> failures{0};
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            TestHub t("127.0.0.1", orsad.port());
            if (!t.hub) {
                ++failures;
                return;
            }
            // Logins hash one after another by design: the last waits for all others.
            const int login = t.account()->Login("admin", OrsadProcess::adminPassword());
            const Callback loggedIn = t.sink.await(login, 180000);
            if (loggedIn.name.isEmpty() || loggedIn.result != BIZORSA_OK) {
                ++failures;
                return;
            }
            for (int i = 0; i < kRounds; ++i) {
                const QByteArray name =
                    "client " + QByteArray::number(c) + " role " + QByteArray::number(i);
                const Callback added = t.wait(t.role()->AddRole(name.constData(), ""));
                const QByteArray guid = text(added.record<tabROLEINFO>().guid);
                const Callback read = t.wait(t.role()->QueryRole(guid.constData()));
                const Callback account = t.wait(t.account()->QueryAccount("admin"));
                const bool ok = added.result == BIZORSA_OK && read.result == BIZORSA_OK &&
                                read.count == 1 && account.result == BIZORSA_OK &&
                                text(read.record<tabROLEINFO>().name) == name;
                failures += ok ? 0 : 1;
                answered += 3;
            }
        });
    }
    for (std::thread& t : clients)
        t.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(answered.load(), kClients * kRounds * 3);

    TestHub check("127.0.0.1", orsad.port());
    QVERIFY(check.login(OrsadProcess::adminPassword()));
    const Callback roles = check.wait(check.role()->QueryRole(""));
    std::set<QByteArray> names;
    for (int i = 0; i < roles.count; ++i)
        names.insert(text(roles.record<tabROLEINFO>(i).name));
    for (int c = 0; c < kClients; ++c)
        for (int i = 0; i < kRounds; ++i)
            QVERIFY(
                names.count("client " + QByteArray::number(c) + " role " + QByteArray::number(i)));
}

QTEST_GUILESS_MAIN(tst_ManyClients)
#include "tst_manyclients.moc"
