// The database file as its owner and the sqlite3 tool see it: private modes,
// backups by .dump, databases of the first version, and files the service
// refuses with a reason.
#include "BizOrsaCreateError.h"
#include "CheapHashCost.h"
#include "Secrets.h"
#include "TestHub.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <sys/stat.h>

namespace {

// Runs the sqlite3 tool on path with these commands on its standard input;
// false when it failed.
bool sqlite(const QString& path, const QByteArray& commands, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), path});
    process.write(commands);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << "sqlite3:" << process.readAllStandardError();
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    return true;
}

// The output of one query, empty when it failed.
QByteArray query(const QString& path, const QByteArray& sql)
{
    QByteArray output;
    return sqlite(path, sql, &output) ? output : QByteArray();
}

QByteArray address(const QString& path)
{
    return "embedded:" + QFile::encodeName(path);
}

int mode(const QString& path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

// Writes a file that the service is to refuse.
using Spoil = std::function<bool(const QString& path)>;
Q_DECLARE_METATYPE(Spoil)

class tst_SdkStorage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void newFilesArePrivate();
    void dumpAndRestore();
    void firstVersionStillLogsIn();
    void secondVersionGetsReferences();
    void refusedWithReason_data();
    void refusedWithReason();

private:
    QTemporaryDir m_dir;
};

void tst_SdkStorage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(sqlite(QStringLiteral(":memory:"), "SELECT 1;"),
             "the sqlite3 tool is needed (scripts/packages.sh installs it)");
}

// Under the usual umask, which would leave them readable by everyone.
void tst_SdkStorage::newFilesArePrivate()
{
    const mode_t saved = ::umask(022);
    const QString path = m_dir.filePath(QStringLiteral("private.db"));
    {
        TestHub t(address(path));
        QVERIFY(t.hub);
        QVERIFY(t.login());
        QVERIFY(!t.addRole("r").isEmpty());
        for (const QString& file : {path, path + "-wal", path + "-shm"})
            QCOMPARE(mode(file), 0600);
    }
    ::umask(saved);
}

// A backup made by .dump and loaded into a new file, which has no
// user_version any more, opens normally and every account still logs in,
// including those whose salt or hash holds a 0 byte.
void tst_SdkStorage::dumpAndRestore()
{
    const QString original = m_dir.filePath(QStringLiteral("original.db"));
    const QString restored = m_dir.filePath(QStringLiteral("restored.db"));
    const int accounts = 100; // about one in six holds a 0 byte
    {
        TestHub t(address(original));
        QVERIFY(t.hub);
        QVERIFY(t.login());
        for (int i = 0; i < accounts; ++i) {
            const QByteArray name = "user" + QByteArray::number(i);
            QCOMPARE(t.result(t.account()->AddAccount(name, "", "", name + "-pw", "")), 0);
        }
    }
    QVERIFY(query(original, "SELECT count(*) FROM accounts WHERE instr(salt, X'00') > 0 "
                            "OR instr(hash, X'00') > 0;")
                .toInt() > 0);
    QByteArray dump;
    QVERIFY(sqlite(original, ".dump\n", &dump));
    QVERIFY(sqlite(restored, dump));
    QCOMPARE(query(restored, "PRAGMA user_version;"), QByteArray("0"));

    TestHub t(address(restored));
    QVERIFY2(t.hub, BizOrsaLastCreateError());
    QVERIFY(t.login());
    for (int i = 0; i < accounts; ++i) {
        const QByteArray name = "user" + QByteArray::number(i);
        QCOMPARE(t.result(t.account()->Login(name, name + "-pw")), 0);
    }
}

// Salt and hash as TEXT, as the first version stored them, a 0 byte first.
void tst_SdkStorage::firstVersionStillLogsIn()
{
    const QString path = m_dir.filePath(QStringLiteral("first.db"));
    {
        TestHub t(address(path));
        QVERIFY(t.hub);
        QVERIFY(t.login());
        QCOMPARE(t.result(t.account()->AddAccount("ann", "", "", "placeholder", "")), 0);
    }
    const std::string salt("\0salt-of-ann-15", 16);
    const QByteArray hash =
        QByteArray::fromStdString(orsa::hashPassword("ann-pw", salt, kCheapHashIterations));
    const QByteArray firstVersion =
        "DROP TABLE service_version; DROP TABLE login_failures; PRAGMA user_version=1;"
        "UPDATE accounts SET salt = CAST(salt AS TEXT), hash = CAST(hash AS TEXT);"
        "UPDATE accounts SET salt = CAST(X'" +
        QByteArray::fromStdString(salt).toHex() + "' AS TEXT), hash = CAST(X'" + hash.toHex() +
        "' AS TEXT), iterations = " + QByteArray::number(kCheapHashIterations) +
        " WHERE user_name = 'ann';";
    QVERIFY(sqlite(path, firstVersion));
    QCOMPARE(query(path, "SELECT DISTINCT typeof(salt) || typeof(hash) FROM accounts;"),
             QByteArray("texttext"));

    {
        TestHub t(address(path));
        QVERIFY2(t.hub, BizOrsaLastCreateError());
        QCOMPARE(t.result(t.account()->Login("ann", "ann-pw")), 0);
        QVERIFY(t.login());
    }
    QCOMPARE(query(path, "SELECT DISTINCT typeof(salt) || typeof(hash) FROM accounts;"),
             QByteArray("blobblob"));
    // Brought up to date once: opening again changes nothing.
    TestHub again(address(path));
    QVERIFY(again.hub);
    QCOMPARE(again.result(again.account()->Login("ann", "ann-pw")), 0);
}

// A database as the second version left it: no declared references, "no
// role" and "no parent" as '', and a filing whose channel is gone.
const char kSecondVersion[] = R"(
CREATE TABLE roles(guid TEXT PRIMARY KEY, name TEXT NOT NULL, describe TEXT NOT NULL);
CREATE TABLE accounts(user_name TEXT PRIMARY KEY, phone TEXT NOT NULL, mail TEXT NOT NULL,
    role_guid TEXT NOT NULL, salt BLOB NOT NULL, hash BLOB NOT NULL, iterations INTEGER NOT NULL);
CREATE TABLE role_permissions(guid TEXT PRIMARY KEY, role_guid TEXT NOT NULL,
    type TEXT NOT NULL, value TEXT NOT NULL);
CREATE TABLE regions(guid TEXT PRIMARY KEY, parent_guid TEXT NOT NULL, name TEXT NOT NULL,
    level INTEGER NOT NULL, describe TEXT NOT NULL);
CREATE TABLE video_grants(role_guid TEXT NOT NULL, region_guid TEXT NOT NULL,
    PRIMARY KEY(role_guid, region_guid));
CREATE TABLE alarm_grants(role_guid TEXT NOT NULL, region_guid TEXT NOT NULL,
    PRIMARY KEY(role_guid, region_guid));
CREATE TABLE devices(guid TEXT PRIMARY KEY, name TEXT NOT NULL, number TEXT NOT NULL,
    user TEXT NOT NULL, password TEXT NOT NULL, ip TEXT NOT NULL, port INTEGER NOT NULL,
    channel_count INTEGER NOT NULL, extra INTEGER NOT NULL, vendor INTEGER NOT NULL,
    type INTEGER NOT NULL);
CREATE TABLE device_channels(guid TEXT PRIMARY KEY, device_guid TEXT NOT NULL,
    name TEXT NOT NULL, number INTEGER NOT NULL);
CREATE INDEX device_channels_by_device ON device_channels(device_guid);
CREATE TABLE region_channels(region_guid TEXT NOT NULL, channel_guid TEXT NOT NULL,
    name TEXT NOT NULL, PRIMARY KEY(region_guid, channel_guid));
CREATE INDEX region_channels_by_channel ON region_channels(channel_guid);
CREATE TABLE views(guid TEXT PRIMARY KEY, name TEXT NOT NULL, divide INTEGER NOT NULL);
CREATE TABLE view_channels(view_guid TEXT NOT NULL, channel_guid TEXT NOT NULL,
    position INTEGER NOT NULL, PRIMARY KEY(view_guid, channel_guid));
CREATE INDEX view_channels_by_channel ON view_channels(channel_guid);
CREATE TABLE servers(guid TEXT PRIMARY KEY, name TEXT NOT NULL, user TEXT NOT NULL,
    password TEXT NOT NULL, ip TEXT NOT NULL, port INTEGER NOT NULL, type INTEGER NOT NULL);
CREATE TABLE login_failures(user_name TEXT PRIMARY KEY, failures INTEGER NOT NULL,
    last_ms INTEGER NOT NULL);
CREATE TABLE service_version(version INTEGER NOT NULL);
INSERT INTO service_version VALUES(2);
PRAGMA user_version=2;
INSERT INTO roles VALUES('88341189', 'Administrator', '');
INSERT INTO roles VALUES('staff', 'Staff', '');
INSERT INTO accounts VALUES('ann', '', '', '', X'00', X'00', 1);
INSERT INTO accounts VALUES('bob', '', '', 'staff', X'00', X'00', 1);
INSERT INTO regions VALUES('top', '', 'Top', 1, '');
INSERT INTO regions VALUES('child', 'top', 'Child', 2, '');
INSERT INTO devices VALUES('cam', 'Cam', '', '', '', '', 80, 1, 0, 0, 0);
INSERT INTO device_channels VALUES('cam-1', 'cam', 'Channel 1', 1);
INSERT INTO region_channels VALUES('child', 'cam-1', 'door');
INSERT INTO region_channels VALUES('child', 'gone', 'lost');
INSERT INTO views VALUES('wall', 'Wall', 4);
INSERT INTO view_channels VALUES('wall', 'cam-1', 1);
INSERT INTO video_grants VALUES('staff', 'child');
)";

// The second version's records come across with references declared: the
// store's own rules (cascades, "still in use") now hold for them.
void tst_SdkStorage::secondVersionGetsReferences()
{
    const QString path = m_dir.filePath(QStringLiteral("second.db"));
    const std::string salt(16, 's');
    const QByteArray admin =
        "INSERT INTO accounts VALUES('admin', '', '', '88341189', X'" +
        QByteArray::fromStdString(salt).toHex() + "', X'" +
        QByteArray::fromStdString(orsa::hashPassword("admin", salt, kCheapHashIterations)).toHex() +
        "', " + QByteArray::number(kCheapHashIterations) + ");";
    QVERIFY(sqlite(path, kSecondVersion + admin));

    TestHub t(address(path));
    QVERIFY2(t.hub, BizOrsaLastCreateError());
    QVERIFY(t.login());
    QCOMPARE(query(path, "SELECT version FROM service_version;"), QByteArray("4"));
    const Callback accounts = t.wait(t.account()->QueryAccount(""));
    QCOMPARE(accounts.count, 3);
    QCOMPARE(text(accounts.record<tabACCOUNT>(0).userName), QByteArray("ann"));
    QCOMPARE(text(accounts.record<tabACCOUNT>(0).roleGuid), QByteArray());
    QCOMPARE(text(accounts.record<tabACCOUNT>(1).roleGuid), QByteArray("staff"));
    const Callback regions = t.wait(t.region()->QueryRegion(""));
    QCOMPARE(regions.count, 2);
    QCOMPARE(text(regions.record<tabREGIONINFO>(0).parentGuid), QByteArray());
    QCOMPARE(text(regions.record<tabREGIONINFO>(1).parentGuid), QByteArray("top"));
    QCOMPARE(t.count(t.region()->QueryRegionChannel("")), 1);

    QCOMPARE(t.result(t.role()->DeleteRole("staff")), int(BIZORSA_E_STILL_IN_USE));
    QCOMPARE(t.result(t.region()->DeleteRegion("top")), int(BIZORSA_E_STILL_IN_USE));
    QCOMPARE(t.result(t.device()->DeleteDevice("cam")), 0);
    QCOMPARE(t.count(t.region()->QueryRegionChannel("")), 0);
    QCOMPARE(t.count(t.view()->QueryViewChannel("")), 0);
    QCOMPARE(t.result(t.region()->DeleteRegion("child")), 0);
    QCOMPARE(t.count(t.video()->QueryVideoRegion("")), 0);
}

void tst_SdkStorage::refusedWithReason_data()
{
    QTest::addColumn<Spoil>("spoil");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << Spoil([](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096;
    }) << "not a database of this service";
    QTest::newRow("another program's database")
        << Spoil([](const QString& path) { return sqlite(path, "CREATE TABLE notes(body TEXT);"); })
        << "not a database of this service";
    QTest::newRow("newer version") << Spoil([](const QString& path) {
        {
            TestHub t(address(path));
        }
        return sqlite(path, "UPDATE service_version SET version = 5;");
    }) << "the database was made by a newer version of the service (version 5";
    QTest::newRow("version table without a version") << Spoil([](const QString& path) {
        {
            TestHub t(address(path));
        }
        return sqlite(path, "DELETE FROM service_version;");
    }) << "not a database of this service";
}

void tst_SdkStorage::refusedWithReason()
{
    QFETCH(Spoil, spoil);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".db");
    QVERIFY(spoil(path));
    IBizOrsaClient* hub = CreateOrsa(address(path).constData(), 0, false);
    QVERIFY(!hub);
    QVERIFY2(QString::fromUtf8(BizOrsaLastCreateError()).startsWith(reason),
             BizOrsaLastCreateError());
    // The next hub that is made clears the reason.
    hub = CreateOrsa("embedded", 0, false);
    QVERIFY(hub);
    QCOMPARE(BizOrsaLastCreateError(), "");
    DestroyOrsa(hub);
}

QTEST_GUILESS_MAIN(tst_SdkStorage)
#include "tst_sdkstorage.moc"
