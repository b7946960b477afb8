// Writers killed with SIGKILL at random moments: a writer on an embedded
// database, and orsad under ten writing clients. After every kill the
// database must be sound, hold every acknowledged add exactly once, have
// every device's channels and give every region to the administrators; only
// an add cut short may lack its grants, which the library makes after the
// region. The moments come from a seed that is printed; ORSA_CRASH_SEED
// repeats a run.
#include "support/orsadprocess.h"

#include <QtCore/QProcess>
#include <QtCore/QRandomGenerator>
#include <QtCore/QSet>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <sqlite3.h>

#include <memory>
#include <vector>

namespace {

constexpr int kKillsEach = 10;
constexpr int kClients = 10;
constexpr int kWaitMs = 120000;

// One writer process and what it reported.
class Writer
{
public:
    Writer(const QString& address, quint16 port, const QString& prefix, const QString& configDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORSA_PASSWORD"),
                   QString::fromLatin1(OrsadProcess::adminPassword()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("orsa.*.debug=false"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { collect(); });
        m_process.start(QStringLiteral(DURABLEWRITER_PATH),
                        {address, QString::number(port), prefix});
    }
    ~Writer() { kill(); }

    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(kWaitMs);
        collect();
    }
    bool finished() const { return m_process.state() == QProcess::NotRunning; }
    int acknowledged() const { return m_acknowledged.size(); }
    // name -> kind of every acknowledged add
    const QHash<QString, QString>& acknowledgedAdds() const { return m_acknowledged; }
    // The add begun but not acknowledged, if any.
    QString cutShort() const { return m_begun; }

private:
    void collect()
    {
        m_partial += m_process.readAllStandardOutput();
        int end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = m_partial.left(end).split(' ');
            m_partial.remove(0, end + 1);
            if (words.size() != 3)
                continue;
            const QString name = QString::fromUtf8(words[2]);
            if (words[0] == "begin") {
                m_begun = name;
            } else if (words[0] == "ok") {
                m_acknowledged.insert(name, QString::fromUtf8(words[1]));
                m_begun.clear();
            }
        }
    }

    QProcess m_process;
    QByteArray m_partial;
    QHash<QString, QString> m_acknowledged;
    QString m_begun;
};

int total(const std::vector<std::unique_ptr<Writer>>& writers)
{
    int sum = 0;
    for (const auto& writer : writers)
        sum += writer->acknowledged();
    return sum;
}

// Runs one statement and collects its first column as text.
QStringList column(sqlite3* db, const char* sql, const QString& parameter = {})
{
    sqlite3_stmt* statement = nullptr;
    QStringList out;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        out << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
        return out;
    }
    const QByteArray bound = parameter.toUtf8();
    if (!parameter.isNull())
        sqlite3_bind_text(statement, 1, bound.constData(), bound.size(), SQLITE_TRANSIENT);
    while (sqlite3_step(statement) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return out;
}

} // namespace

class tst_CrashDurability : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void embeddedWriterKilled();
    void orsadKilledUnderClients();

private:
    // What every kill so far left behind must hold in the database at path.
    void verifyDatabase(const QString& path);
    void remember(const std::vector<std::unique_ptr<Writer>>& writers);

    QTemporaryDir m_dir;
    QRandomGenerator m_random;
    QHash<QString, QString> m_acknowledged; // name -> kind, of the current database
    QSet<QString> m_cutShort;
};

void tst_CrashDurability::initTestCase()
{
    QVERIFY(m_dir.isValid());
    bool given = false;
    const quint32 seed = quint32(qEnvironmentVariableIntValue("ORSA_CRASH_SEED", &given));
    const quint32 used = given ? seed : QRandomGenerator::system()->generate();
    qInfo("kill moments from seed %u (ORSA_CRASH_SEED=%u repeats them)", used, used);
    m_random.seed(used);
}

void tst_CrashDurability::remember(const std::vector<std::unique_ptr<Writer>>& writers)
{
    for (const auto& writer : writers) {
        for (auto it = writer->acknowledgedAdds().begin(); it != writer->acknowledgedAdds().end();
             ++it)
            m_acknowledged.insert(it.key(), it.value());
        if (!writer->cutShort().isEmpty())
            m_cutShort.insert(writer->cutShort());
    }
}

void tst_CrashDurability::verifyDatabase(const QString& path)
{
    sqlite3* db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    QCOMPARE(sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(db, sqlite3_close);

    QCOMPARE(column(db, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
    for (auto it = m_acknowledged.begin(); it != m_acknowledged.end(); ++it) {
        const char* count = it.value() == QLatin1String("region")
                                ? "SELECT count(*) FROM regions WHERE name = ?"
                                : "SELECT count(*) FROM devices WHERE name = ?";
        if (column(db, count, it.key()) != QStringList{QStringLiteral("1")})
            QFAIL(
                qPrintable(QStringLiteral("acknowledged %1 %2 is there %3 times")
                               .arg(it.value(), it.key(), column(db, count, it.key()).join(','))));
    }
    QCOMPARE(column(db, "SELECT name FROM devices d WHERE channel_count != "
                        "(SELECT count(*) FROM device_channels c WHERE c.device_guid = d.guid)"),
             QStringList());
    const QStringList ungranted =
        column(db, "SELECT name FROM regions r WHERE "
                   "NOT EXISTS (SELECT 1 FROM video_grants g WHERE g.region_guid = r.guid "
                   "AND g.role_guid = '88341189') OR "
                   "NOT EXISTS (SELECT 1 FROM alarm_grants g WHERE g.region_guid = r.guid "
                   "AND g.role_guid = '88341189')");
    for (const QString& name : ungranted) {
        if (!m_cutShort.contains(name))
            QFAIL(
                qPrintable(QStringLiteral("region %1 lacks the administrators' grants").arg(name)));
    }
}

void tst_CrashDurability::embeddedWriterKilled()
{
    const QString path = m_dir.filePath(QStringLiteral("embedded.db"));
    const QString config = m_dir.filePath(QStringLiteral("config"));
    m_acknowledged.clear();
    m_cutShort.clear();
    for (int kill = 0; kill < kKillsEach; ++kill) {
        const int moment = int(m_random.bounded(1, 16));
        std::vector<std::unique_ptr<Writer>> writers;
        writers.push_back(std::make_unique<Writer>(QStringLiteral("embedded:") + path, 0,
                                                   QStringLiteral("e%1").arg(kill), config));
        QTRY_VERIFY_WITH_TIMEOUT(total(writers) >= moment || writers.front()->finished(), kWaitMs);
        QVERIFY2(!writers.front()->finished(), "the writer stopped before it was killed");
        writers.front()->kill();
        remember(writers);
        qInfo("kill %d, drawn for %d adds seen: %d acknowledged in all", kill + 1, moment,
              int(m_acknowledged.size()));
        verifyDatabase(path);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_CrashDurability::orsadKilledUnderClients()
{
    OrsadProcess orsad;
    const QString config = m_dir.filePath(QStringLiteral("orsad-config"));
    m_acknowledged.clear();
    m_cutShort.clear();
    for (int kill = 0; kill < kKillsEach; ++kill) {
        QVERIFY(orsad.start());
        const int moment = int(m_random.bounded(kClients, 8 * kClients));
        std::vector<std::unique_ptr<Writer>> writers;
        for (int client = 0; client < kClients; ++client)
            writers.push_back(
                std::make_unique<Writer>(QStringLiteral("127.0.0.1"), orsad.port(),
                                         QStringLiteral("o%1c%2").arg(kill).arg(client), config));
        QTRY_VERIFY_WITH_TIMEOUT(total(writers) >= moment, kWaitMs);
        orsad.kill();
        // Each client's next request fails with the connection: it ends by itself.
        for (const auto& writer : writers)
            QTRY_VERIFY_WITH_TIMEOUT(writer->finished(), kWaitMs);
        remember(writers);
        qInfo("kill %d, drawn for %d adds seen: %d acknowledged in all", kill + 1, moment,
              int(m_acknowledged.size()));
        verifyDatabase(orsad.directory() + QStringLiteral("/orsa.db"));
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(tst_CrashDurability)
#include "tst_crashdurability.moc"
