// BizOrsaClientLib over the network: an orsad of this build on a loopback
// port, reached through CreateOrsa with a host and port. Connecting, many
// requests in flight, a lost connection and the session that outlives it, a
// clean stop, keep-alive, and whom the library trusts.
#include "Certificate.h"
#include "TestHub.h"
#include "support/orsadprocess.h"

#include <QtTest>

#include <chrono>
#include <memory>

namespace {

// Short limits so that the cases that wait on them end quickly.
const QStringList kQuickLimits{QStringLiteral("--keepalive"), QStringLiteral("0.5")};

// A fresh trust store and CA setting for each hub made after it.
class TrustSetting
{
public:
    explicit TrustSetting(const QByteArray& caFile = {})
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        if (caFile.isEmpty())
            qunsetenv("ORSA_CA_FILE");
        else
            qputenv("ORSA_CA_FILE", caFile);
    }
    ~TrustSetting() { qunsetenv("ORSA_CA_FILE"); }
    QString knownServers() const { return m_config.filePath(QStringLiteral("orsa/known_servers")); }

private:
    QTemporaryDir m_config;
};

// Answers to every sid, each exactly once, within the sink's wait.
bool answeredOnce(RecordingSink& sink, const QVector<int>& sids)
{
    for (int sid : sids)
        if (sink.await(sid).name.isEmpty())
            return false;
    QMap<int, int> seen;
    for (const Callback& c : sink.all())
        ++seen[c.sid];
    for (int sid : sids)
        if (seen.value(sid) != 1)
            return false;
    return true;
}

enum class Cert { None, Server, Other };

} // namespace

Q_DECLARE_METATYPE(Cert)

class tst_Network : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void createOrsa_data();
    void createOrsa();
    void ipv6Literal_data();
    void ipv6Literal();
    void manyInFlight();
    void lossAndResume_data();
    void lossAndResume();
    void stopFinishesRequests();
    void silentServerIsLost();
    void loginsHeldBackAfterFailures();
    void trust_data();
    void trust();

private:
    std::unique_ptr<TrustSetting> m_trust;
    OrsadProcess m_orsad;
};

void tst_Network::initTestCase()
{
    m_trust = std::make_unique<TrustSetting>();
    QVERIFY(m_orsad.start());
    // Ephemeral ports are above 32767, so the short port is negative here,
    // as a port like 40000 is for every caller of the header.
    QVERIFY2(short(m_orsad.port()) < 0, "the ephemeral port range starts below 32768");
}

void tst_Network::createOrsa_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QString>("port"); // "server", "closed" or "zero"
    QTest::addColumn<bool>("made");
    QTest::addRow("IPv4 literal") << QByteArray("127.0.0.1") << "server" << true;
    QTest::addRow("host name") << QByteArray("localhost") << "server" << true;
    QTest::addRow("closed loopback port") << QByteArray("127.0.0.1") << "closed" << false;
    QTest::addRow("port zero") << QByteArray("127.0.0.1") << "zero" << false;
    QTest::addRow("empty host") << QByteArray("") << "server" << false;
}

void tst_Network::createOrsa()
{
    QFETCH(QByteArray, address);
    QFETCH(QString, port);
    QFETCH(bool, made);
    const quint16 actual = port == QLatin1String("server")   ? m_orsad.port()
                           : port == QLatin1String("closed") ? closedLoopbackPort()
                                                             : 0;
    TestHub t(address, actual);
    QCOMPARE(t.hub != nullptr, made);
    if (made)
        QVERIFY(t.login(OrsadProcess::adminPassword()));
}

void tst_Network::ipv6Literal_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addRow("bare") << QByteArray("::1");
    QTest::addRow("in brackets") << QByteArray("[::1]");
}

void tst_Network::ipv6Literal()
{
    QFETCH(QByteArray, address);
    OrsadProcess orsad;
    QVERIFY(orsad.start({}, QStringLiteral("::1")));
    TestHub t(address, orsad.port());
    QVERIFY(t.hub);
    QVERIFY(t.login(OrsadProcess::adminPassword()));
}

// Requests do not wait for each other's answers; each is answered once, in order.
void tst_Network::manyInFlight()
{
    TestHub t("127.0.0.1", m_orsad.port());
    QVERIFY(t.hub);
    QVERIFY(t.login(OrsadProcess::adminPassword()));
    QVector<int> sids;
    for (int i = 0; i < 300; ++i)
        sids << (i % 2 ? t.account()->QueryAccount("admin") : t.role()->QueryRole(""));
    QVERIFY(answeredOnce(t.sink, sids));
    const QVector<Callback> all = t.sink.all();
    for (int i = 0; i < sids.size(); ++i) {
        const Callback& c = all.at(all.size() - sids.size() + i);
        QCOMPARE(c.sid, sids.at(i));
        QCOMPARE(c.result, int(BIZORSA_OK));
        QCOMPARE(c.count, 1);
    }
}

void tst_Network::lossAndResume_data()
{
    QTest::addColumn<QString>("grace");
    QTest::addColumn<int>("afterRestart");
    QTest::addRow("within the grace") << QStringLiteral("60") << int(BIZORSA_OK);
    QTest::addRow("after the grace") << QStringLiteral("0") << int(BIZORSA_E_NOT_LOGGED_IN);
}

// orsad killed with requests in flight: each is answered "connection lost"
// at once; after a restart the next request reconnects, and the session
// continues only within its grace.
void tst_Network::lossAndResume()
{
    QFETCH(QString, grace);
    QFETCH(int, afterRestart);
    OrsadProcess orsad;
    const QStringList arguments{QStringLiteral("--session-grace"), grace};
    QVERIFY(orsad.start(arguments));
    TestHub t("127.0.0.1", orsad.port());
    QVERIFY(t.hub);
    QVERIFY(t.login(OrsadProcess::adminPassword()));

    // Stopped first, so that none of them can be answered before the kill.
    orsad.pause(true);
    QVector<int> pending{t.account()->Login("admin", OrsadProcess::adminPassword())};
    for (int i = 0; i < 20; ++i)
        pending << t.role()->QueryRole("");
    orsad.kill();
    QCOMPARE(t.sink.await(pending.first(), 1000).result, int(BIZORSA_E_CONNECTION_LOST));
    QVERIFY(answeredOnce(t.sink, pending));

    QVERIFY(orsad.start(arguments));
    QCOMPARE(t.result(t.role()->QueryRole("")), afterRestart);
    QCOMPARE(t.result(t.account()->QueryAccount("admin")), afterRestart);
}

// SIGTERM: no new connections, the request in progress is answered, exit 0.
void tst_Network::stopFinishesRequests()
{
    OrsadProcess orsad;
    QVERIFY(orsad.start());
    TestHub t("127.0.0.1", orsad.port());
    QVERIFY(t.hub);
    const int login = t.account()->Login("admin", OrsadProcess::adminPassword());
    QVERIFY(orsad.waitForLog(QRegularExpression(QStringLiteral("connection from .* opened"))));
    QCOMPARE(orsad.terminate(), 0);
    QVERIFY(orsad.log().last().contains(QStringLiteral("stopped")));
    // A login the server carried out was answered before it went.
    const bool served = orsad.log().join('\n').contains(QStringLiteral("login of admin"));
    QCOMPARE(t.wait(login).result, int(served ? BIZORSA_OK : BIZORSA_E_CONNECTION_LOST));
    TestHub late("127.0.0.1", orsad.port());
    QVERIFY(!late.hub);
}

// A server that stops answering is lost after three keep-alive intervals.
void tst_Network::silentServerIsLost()
{
    OrsadProcess orsad;
    QVERIFY(orsad.start(kQuickLimits));
    TestHub t("127.0.0.1", orsad.port());
    QVERIFY(t.hub);
    QVERIFY(t.login(OrsadProcess::adminPassword()));
    orsad.pause(true);
    const int sid = t.role()->QueryRole("");
    const int result = t.result(sid);
    orsad.pause(false);
    QCOMPARE(result, int(BIZORSA_E_CONNECTION_LOST));
    // The server did not lose the session: the next request carries on.
    QCOMPARE(t.result(t.role()->QueryRole("")), int(BIZORSA_OK));
}

// Failed logins from one address hold its next logins back, a success
// clears the count. A login held back longer than the time to log in does
// not count as idleness: the connection stays.
void tst_Network::loginsHeldBackAfterFailures()
{
    OrsadProcess orsad;
    QVERIFY(orsad.start({QStringLiteral("--login-failures"), QStringLiteral("2"),
                         QStringLiteral("--login-timeout"), QStringLiteral("1")}));
    TestHub t("127.0.0.1", orsad.port());
    QVERIFY(t.hub);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(t.result(t.account()->Login("admin", "wrong")), int(BIZORSA_E_NOT_LOGGED_IN));
    QVERIFY(t.login(OrsadProcess::adminPassword()));
    QCOMPARE(t.result(t.account()->Login("admin", "wrong")), int(BIZORSA_E_NOT_LOGGED_IN));

    QVERIFY(
        orsad.waitForLog(QRegularExpression(QStringLiteral("login failed for admin")), 20000, 4));
    // Held back: the third failure and the success after it, not the failure after the success.
    QCOMPARE(orsad.log().filter(QStringLiteral("login from 127.0.0.1 held back")).size(), 2);
}

void tst_Network::trust_data()
{
    QTest::addColumn<Cert>("pinned");
    QTest::addColumn<Cert>("ca");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<bool>("made");
    QTest::addRow("first use pins") << Cert::None << Cert::None << false << true;
    QTest::addRow("pinned certificate") << Cert::Server << Cert::None << false << true;
    QTest::addRow("changed certificate") << Cert::Other << Cert::None << false << false;
    QTest::addRow("strict without a CA bundle") << Cert::None << Cert::None << true << false;
    QTest::addRow("strict with a CA bundle") << Cert::None << Cert::Server << true << true;
    QTest::addRow("CA bundle without the server") << Cert::None << Cert::Other << false << false;
    QTest::addRow("CA bundle over a changed pin") << Cert::Other << Cert::Server << false << true;
}

void tst_Network::trust()
{
    QFETCH(Cert, pinned);
    QFETCH(Cert, ca);
    QFETCH(bool, strict);
    QFETCH(bool, made);
    QTemporaryDir otherDir;
    const std::string otherCert = otherDir.filePath(QStringLiteral("c.pem")).toStdString();
    orsad::ensureSelfSigned(otherCert, otherDir.filePath(QStringLiteral("k.pem")).toStdString());
    const auto certFile = [&](Cert which) {
        return which == Cert::Server ? QFile::encodeName(m_orsad.certificate())
                                     : QByteArray::fromStdString(otherCert);
    };
    TrustSetting trust(ca == Cert::None ? QByteArray() : certFile(ca));
    const QByteArray server = "127.0.0.1:" + QByteArray::number(m_orsad.port());
    if (pinned != Cert::None) {
        QVERIFY(QDir().mkpath(QFileInfo(trust.knownServers()).path()));
        QFile file(trust.knownServers());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const std::string fingerprint = orsad::fileFingerprint(certFile(pinned).toStdString());
        file.write("10.9.9.9:7100 AA:BB\n" + server + " " + QByteArray::fromStdString(fingerprint) +
                   "\n");
    }

    TestHub t("127.0.0.1", m_orsad.port(), strict);
    QCOMPARE(t.hub != nullptr, made);
    if (!made)
        return;
    QVERIFY(t.login(OrsadProcess::adminPassword()));
    if (ca == Cert::None && pinned == Cert::None) {
        // Pinned now, readable by its owner only.
        QFile file(trust.knownServers());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains(server + " " +
                                        QByteArray::fromStdString(orsad::fileFingerprint(
                                            m_orsad.certificate().toStdString()))));
        QCOMPARE(file.permissions() &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
    }
}

QTEST_GUILESS_MAIN(tst_Network)
#include "tst_network.moc"
