// The orsactl tool as a user runs it: a process against temporary databases.
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include "Service.h"
#include "sdk/CheapHashCost.h"
#include "support/orsadprocess.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// Columns on a terminal: CJK ideographs and full-width forms take two.
int columns(const QString& text)
{
    int width = 0;
    for (uint c : text.toUcs4())
        width += (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xFF00 && c <= 0xFF60) ? 2 : 1;
    return width;
}

QStringList lines(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString warningLine(const QString& user)
{
    return QStringLiteral("orsactl: warning: '%1' still has the default password; change it "
                          "with 'orsactl passwd'\n")
        .arg(user);
}

int mode(const QString& path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Something kept as long as it is held, such as another process's lock.
using Hold = std::shared_ptr<void>;

// Makes the file at path a database the service must refuse; null on failure.
using Spoil = std::function<Hold(const QString& path)>;

} // namespace

Q_DECLARE_METATYPE(Spoil)

class TestOrsactl : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_site; // the example imported once for the reading tests

    QString database(const QString& name) const
    {
        return QStringLiteral("embedded:") + m_dir.filePath(name);
    }

    // A new database whose admin password is hashed at the tests' cheap cost,
    // so that each run's login is quick; orsactl itself makes hashes at the
    // shipped cost.
    QString cheapDatabase(const QString& name) const
    {
        orsa::Service(QFile::encodeName(m_dir.filePath(name)).toStdString(), kCheapHashIterations);
        return database(name);
    }

    // What orsactl runs with: a home of the test's own. A null password
    // leaves ORSA_PASSWORD unset.
    QProcessEnvironment environment(const QString& address, const QString& password) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORSA_ADDRESS"), address);
        env.remove(QStringLiteral("ORSA_PASSWORD"));
        if (!password.isNull())
            env.insert(QStringLiteral("ORSA_PASSWORD"), password);
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        return env;
    }
    // A wrapper runs orsactl, given as its last argument.
    Run run(const QStringList& args, const QString& address,
            const QString& password = QStringLiteral("admin"), const QString& user = QString(),
            const QStringList& wrapper = QStringList())
    {
        QProcess process;
        process.setProcessEnvironment(environment(address, password));
        QStringList all = args;
        if (!user.isEmpty())
            all << QStringLiteral("--user") << user;
        if (wrapper.isEmpty())
            process.start(QStringLiteral(ORSACTL_PATH), all);
        else
            process.start(wrapper.first(),
                          wrapper.mid(1) + QStringList(QStringLiteral(ORSACTL_PATH)) + all);
        process.closeWriteChannel();
        if (!process.waitForFinished(240000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QJsonArray listJson(const QString& kind, const QString& address)
    {
        const Run r = run({QStringLiteral("list"), kind, QStringLiteral("--json")}, address);
        if (r.code != 0)
            return {};
        return QJsonDocument::fromJson(r.out.toUtf8()).array();
    }

    static QStringList names(const QJsonArray& records)
    {
        QStringList out;
        for (const QJsonValue& record : records)
            out << record[QStringLiteral("name")].toString();
        return out;
    }

    QString writeFile(const QString& name, const QByteArray& text)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(text);
        return file.fileName();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_site = cheapDatabase(QStringLiteral("site.db"));
        const Run r = run({QStringLiteral("import"), QStringLiteral(ORSA_EXAMPLE_SITE)}, m_site);
        QCOMPARE(r.err, warningLine(QStringLiteral("admin")));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QStringLiteral(", 0 failed")), qPrintable(r.out));
        // Accounts that already exist are kept, not created again.
        QVERIFY(r.out.contains(QStringLiteral("kept account 'admin'")));
    }

    // Roles are ordered by the pinyin initials of their names, in tables and JSON alike.
    void rolesInPinyinOrder()
    {
        const QStringList expected = {
            QStringLiteral("安保主管"),    QStringLiteral("Administrator"),
            QStringLiteral("Maintenance"), QStringLiteral("Reception"),
            QStringLiteral("生产主管"),    QStringLiteral("值班员")};
        QStringList names;
        for (const QJsonValue& role : listJson(QStringLiteral("roles"), m_site))
            names << role[QStringLiteral("name")].toString();
        QCOMPARE(names, expected);
    }

    // Every cell of a column starts at the same terminal column, Chinese names included.
    void tablesAreAligned_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("header");
        QTest::newRow("accounts, after Chinese role names") << "accounts"
                                                            << "PHONE";
        QTest::newRow("roles, after Chinese names") << "roles"
                                                    << "DESCRIPTION";
        QTest::newRow("regions, after Chinese names") << "regions"
                                                      << "PARENT GUID";
        QTest::newRow("region channels") << "region-channels"
                                         << "CHANNEL GUID";
    }
    void tablesAreAligned()
    {
        QFETCH(QString, kind);
        QFETCH(QString, header);
        const Run r = run({QStringLiteral("list"), kind}, m_site);
        QCOMPARE(r.code, 0);
        const QStringList rows = lines(r.out);
        QVERIFY(rows.size() > 3);
        const int headerIndex = rows.first().indexOf(header);
        QVERIFY(headerIndex > 0);
        const int start = columns(rows.first().left(headerIndex));
        int wide = 0;
        for (const QString& row : rows.mid(1)) {
            if (columns(row) <= start)
                continue; // the cell and all after it are empty
            // Two spaces end the previous column exactly where this one begins.
            int index = 0;
            while (columns(row.left(index)) < start)
                ++index;
            QCOMPARE(columns(row.left(index)), start);
            if (row.at(index) == QLatin1Char(' '))
                continue; // an empty cell
            QVERIFY2(row.mid(index - 2, 2) == QStringLiteral("  "), qPrintable(row));
            wide += columns(row.left(index)) != row.left(index).size();
        }
        QVERIFY2(wide > 0, "no row with a wide character before the column");
    }

    // JSON parses back with the records of the example; no password member anywhere.
    void jsonParsesBack_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("name");
        QTest::newRow("accounts") << "accounts" << 8 << "user"
                                  << "zhang.wei";
        QTest::newRow("roles") << "roles" << 6 << "name"
                               << "值班员";
        QTest::newRow("regions") << "regions" << 27 << "name"
                                 << "UPS 与配电";
        QTest::newRow("devices") << "devices" << 16 << "name"
                                 << "总部NVR-1";
        QTest::newRow("channels") << "channels" << 103 << "name"
                                  << "Channel 16";
        QTest::newRow("region-channels") << "region-channels" << 102 << "name"
                                         << "大门入口";
        QTest::newRow("views") << "views" << 6 << "name"
                               << "周界巡视";
        QTest::newRow("view-channels") << "view-channels" << 48 << "view"
                                       << "Gates";
        QTest::newRow("servers") << "servers" << 4 << "name"
                                 << "报警服务器";
    }
    void jsonParsesBack()
    {
        QFETCH(QString, kind);
        QFETCH(int, count);
        QFETCH(QString, member);
        QFETCH(QString, name);
        const QJsonArray records = listJson(kind, m_site);
        QCOMPARE(records.size(), count);
        bool found = false;
        for (const QJsonValue& record : records) {
            found = found || record[member].toString() == name;
            QVERIFY(!record.toObject().contains(QStringLiteral("password")));
        }
        QVERIFY2(found, qPrintable(name));
    }

    // Top-level regions in pinyin order, children indented under their parent,
    // and a region whose parent the role cannot see at the top.
    void tree_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("top");
        QTest::addColumn<QString>("nested");
        QTest::newRow("administrator sees all")
            << QString() << "admin"
            << QStringList{"东区厂房", "West Campus", "员工宿舍", "总部大楼", "周界"}
            << "  Logistics Yard\n    - Yard A";
        QTest::newRow("duty role: no dormitories")
            << "li.na"
            << "Ln-duty-01" << QStringList{"东区厂房", "West Campus", "总部大楼", "周界"}
            << "    Weighbridge\n      - 地磅 前";
        QTest::newRow("maintenance: parent hidden")
            << "tech"
            << "Tech-cams-7" << QStringList{"Roof", "三楼机房"} << "三楼机房\n  - 机柜通道";
    }
    void tree()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QStringList, top);
        QFETCH(QString, nested);
        const Run r = run({QStringLiteral("tree")}, m_site, password, user);
        QCOMPARE(r.err, password == QLatin1String("admin") ? warningLine(QStringLiteral("admin"))
                                                           : QString());
        QCOMPARE(r.code, 0);
        QStringList tops;
        for (const QString& line : lines(r.out)) {
            if (!line.startsWith(QLatin1Char(' ')))
                tops << line;
        }
        QCOMPARE(tops, top);
        QVERIFY2(r.out.contains(nested), qPrintable(r.out));
    }

    // Export, import into an empty database, export again: the same file.
    // Accounts come without passwords, get random ones, and those log in.
    void exportImportExport()
    {
        const QString first = m_dir.filePath(QStringLiteral("first.json"));
        QCOMPARE(run({QStringLiteral("export"), first}, m_site).code, 0);
        const QString copy = database(QStringLiteral("copy.db"));
        const Run imported = run({QStringLiteral("import"), first}, copy);
        QCOMPARE(imported.code, 0);
        const QRegularExpression passwordLine(
            QStringLiteral("^password of the new account '(zhang\\.wei)': (\\S+)$"),
            QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = passwordLine.match(imported.out);
        QVERIFY2(match.hasMatch(), qPrintable(imported.out));
        const Run second = run({QStringLiteral("export")}, copy);
        QCOMPARE(second.code, 0);
        QFile file(first);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString exported = QString::fromUtf8(file.readAll());
        QCOMPARE(second.out, exported);
        QVERIFY(!exported.contains(QStringLiteral("Zw-2024-secure")));
        QCOMPARE(run({QStringLiteral("status")}, copy, match.captured(2), match.captured(1)).code,
                 0);
    }

    // Every list of a database, each record as compact JSON, sorted.
    QMap<QString, QStringList> contents(const QString& address)
    {
        QMap<QString, QStringList> all;
        for (const char* kind :
             {"roles", "accounts", "permissions", "video-grants", "alarm-grants", "regions",
              "region-channels", "devices", "views", "view-channels", "servers"}) {
            QStringList records;
            for (const QJsonValue& v : listJson(QString::fromLatin1(kind), address))
                records << QString::fromUtf8(
                    QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
            records.sort();
            all.insert(QString::fromLatin1(kind), records);
        }
        return all;
    }

    // An import run again, as after one that was cut short, completes the site
    // and duplicates nothing: a region's creation grants lost meanwhile come back.
    void importAgainCompletes()
    {
        const QString address = cheapDatabase(QStringLiteral("again.db"));
        QCOMPARE(run({QStringLiteral("import"), QStringLiteral(ORSA_EXAMPLE_SITE)}, address).code,
                 0);
        const QMap<QString, QStringList> complete = contents(address);
        const QString region =
            listJson(QStringLiteral("regions"), address).first()[QStringLiteral("guid")].toString();
        QCOMPARE(
            run({QStringLiteral("delete"), QStringLiteral("video-grants"), QStringLiteral("--role"),
                 QStringLiteral("88341189"), QStringLiteral("--region"), region},
                address)
                .code,
            0);
        QCOMPARE(contents(address)[QStringLiteral("video-grants")].size(),
                 complete[QStringLiteral("video-grants")].size() - 1);

        const Run again =
            run({QStringLiteral("import"), QStringLiteral(ORSA_EXAMPLE_SITE)}, address);
        QCOMPARE(again.code, 0);
        QVERIFY2(again.out.contains(QStringLiteral(": 1 created,")), qPrintable(again.out));
        QVERIFY(!again.out.contains(QStringLiteral("password of the new account")));
        QCOMPARE(contents(address), complete);
    }

    Run generate(const QStringList& args)
    {
        return run(QStringList{QStringLiteral("generate-site")} + args,
                   database(QStringLiteral("never.db")));
    }

    // The made-up site at two scales: its counts, every channel filed once in
    // a region without children, those regions 3 or 4 deep, views of distinct
    // channels; the same seed gives the same file and another seed another.
    void generatedSite_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<bool>("accounts");
        // roles, accounts, regions, devices, views, servers
        QTest::addColumn<QVector<int>>("counts");
        QTest::newRow("1/100") << "0.01" << true << QVector<int>{1, 5, 20, 100, 2, 1};
        QTest::newRow("1/20 without accounts")
            << "0.05" << false << QVector<int>{3, 0, 100, 500, 10, 5};
    }
    void generatedSite()
    {
        QFETCH(QString, scale);
        QFETCH(bool, accounts);
        QFETCH(QVector<int>, counts);
        QStringList args{QStringLiteral("--scale"), scale, QStringLiteral("--seed"),
                         QStringLiteral("7")};
        if (!accounts)
            args << QStringLiteral("--no-accounts");
        const Run r = generate(args);
        QCOMPARE(r.code, 0);
        QCOMPARE(generate(args).out, r.out);
        args[3] = QStringLiteral("8");
        QVERIFY(generate(args).out != r.out);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.db"))));

        const QJsonObject site = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const char* kinds[] = {"roles", "accounts", "regions", "devices", "views", "servers"};
        for (int i = 0; i < counts.size(); ++i)
            QCOMPARE(site[QLatin1String(kinds[i])].toArray().size(), counts.at(i));

        QHash<QString, QString> parentOf;
        QSet<QString> parents;
        for (const QJsonValue& region : site[QStringLiteral("regions")].toArray()) {
            parentOf.insert(region[QStringLiteral("id")].toString(),
                            region[QStringLiteral("parent")].toString());
            parents.insert(region[QStringLiteral("parent")].toString());
        }
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
            if (parents.contains(it.key()))
                continue;
            int depth = 1;
            for (QString at = it.value(); !at.isEmpty() && depth <= 5; at = parentOf.value(at))
                ++depth;
            QVERIFY2(depth == 3 || depth == 4, qPrintable(it.key()));
        }
        QSet<QString> filed;
        for (const QJsonValue& f : site[QStringLiteral("regionChannels")].toArray()) {
            QVERIFY(!parents.contains(f[QStringLiteral("region")].toString()));
            filed.insert(f[QStringLiteral("device")].toString() + QLatin1Char('/') +
                         QString::number(f[QStringLiteral("channel")].toInt()));
        }
        QCOMPARE(filed.size(), counts.at(3) * 4);
        QCOMPARE(site[QStringLiteral("regionChannels")].toArray().size(), filed.size());
        for (const QJsonValue& view : site[QStringLiteral("views")].toArray()) {
            QSet<QString> panes;
            for (const QJsonValue& p : view[QStringLiteral("channels")].toArray())
                panes.insert(p[QStringLiteral("device")].toString() + QLatin1Char('/') +
                             QString::number(p[QStringLiteral("channel")].toInt()));
            QCOMPARE(panes.size(), 16);
        }
        for (const QJsonValue& role : site[QStringLiteral("roles")].toArray())
            QCOMPARE(role[QStringLiteral("video")].toArray().size(), (counts.at(2) + 5) / 10);
    }

    // A generated site imports whole, each list as large as in the file.
    void generatedSiteImports()
    {
        const QString path = m_dir.filePath(QStringLiteral("generated.json"));
        QCOMPARE(generate({QStringLiteral("--scale"), QStringLiteral("0.01"),
                           QStringLiteral("--no-accounts"), path})
                     .code,
                 0);
        QCOMPARE(mode(path), 0600);
        const QString address = cheapDatabase(QStringLiteral("generated.db"));
        const Run imported = run({QStringLiteral("import"), path}, address);
        QCOMPARE(imported.code, 0);
        QVERIFY2(imported.out.contains(QStringLiteral(", 0 failed")), qPrintable(imported.out));
        const QMap<QString, int> expected{{QStringLiteral("roles"), 2},
                                          {QStringLiteral("regions"), 20},
                                          {QStringLiteral("devices"), 100},
                                          {QStringLiteral("channels"), 400},
                                          {QStringLiteral("region-channels"), 400},
                                          {QStringLiteral("views"), 2},
                                          {QStringLiteral("view-channels"), 32},
                                          {QStringLiteral("servers"), 1}};
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(listJson(it.key(), address).size(), it.value());
    }

    // A wrong password fails the login with a clear line and changes nothing.
    void wrongPassword()
    {
        const Run r = run({QStringLiteral("add"), QStringLiteral("role"), QStringLiteral("--name"),
                           QStringLiteral("Intruders")},
                          m_site, QStringLiteral("not-the-password"));
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(lines(r.err).size(), 1);
        QVERIFY2(r.err.contains(QStringLiteral("login as 'admin'")) &&
                     r.err.contains(QStringLiteral("wrong user name or password")),
                 qPrintable(r.err));
        QCOMPARE(listJson(QStringLiteral("roles"), m_site).size(), 6);
    }

    // The option given for the run is used, not the password in the environment.
    void passwordFileWinsOverEnvironment()
    {
        const QString file = writeFile(QStringLiteral("login-password"), "admin\n");
        const Run r = run({QStringLiteral("status"), QStringLiteral("--password-file"), file},
                          m_site, QStringLiteral("not-the-password"));
        QCOMPARE(r.code, 0);
    }

    // A request the server refuses is reported with the server's reason.
    void refusalSaysWhy_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("newDatabase");
        QTest::newRow("already exists") << QStringList{QStringLiteral("add"),
                                                       QStringLiteral("account"),
                                                       QStringLiteral("--name"),
                                                       QStringLiteral("admin"),
                                                       QStringLiteral("--new-password-file"),
                                                       QStringLiteral("@secret")}
                                        << "orsactl: add account 'admin': already exists" << false;
        // The administrators' role is still named by the admin account.
        QTest::newRow("still in use")
            << QStringList{QStringLiteral("delete"), QStringLiteral("role"),
                           QStringLiteral("88341189")}
            << "orsactl: delete role '88341189': still in use" << false;
        // A new database has no other administrator.
        QTest::newRow("last administrator")
            << QStringList{QStringLiteral("delete"), QStringLiteral("account"),
                           QStringLiteral("admin")}
            << "orsactl: delete account 'admin': the last administrator cannot be removed" << true;
    }

    void refusalSaysWhy()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, line);
        QFETCH(bool, newDatabase);
        const QString address = newDatabase
                                    ? cheapDatabase(QString::fromLatin1(QTest::currentDataTag()) +
                                                    QStringLiteral(".db"))
                                    : m_site;
        args.replaceInStrings(QStringLiteral("@secret"),
                              writeFile(QStringLiteral("secret"), "another-password\n"));
        const QJsonArray accounts = listJson(QStringLiteral("accounts"), address);
        const QJsonArray roles = listJson(QStringLiteral("roles"), address);
        const Run r = run(args, address);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        // The default password's warning may come first.
        QCOMPARE(lines(r.err).last(), line);
        QCOMPARE(listJson(QStringLiteral("accounts"), address), accounts);
        QCOMPARE(listJson(QStringLiteral("roles"), address), roles);
    }

    // A malformed file is refused with its line and column before any request.
    void malformedImport_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("what");
        QTest::newRow("missing comma")
            << QByteArray("{\n  \"roles\": [\n    {\"id\": \"a\" \"name\": \"x\"}\n  ]\n}\n")
            << "3:17"
            << "";
        QTest::newRow("unknown member")
            << QByteArray("{\n  \"roles\": [],\n  \"acounts\": []\n}\n") << "3:14"
            << "unknown member 'acounts'";
        QTest::newRow("region without a name")
            << QByteArray(
                   "{\"regions\": [\n  {\"id\": \"a\", \"name\": \"A\"},\n  {\"id\": \"b\"}\n]}")
            << "3:3"
            << "member 'name' is missing";
        QTest::newRow("unknown role")
            << QByteArray("{\"accounts\": [\n  {\"name\": \"x\",\n   \"role\": \"nobody\"}]}")
            << "3:12"
            << "no role has the id 'nobody'";
        QTest::newRow("channel beyond the device")
            << QByteArray(
                   "{\"regions\": [{\"id\": \"r\", \"name\": \"R\"}],\n"
                   " \"devices\": [{\"id\": \"d\", \"name\": \"D\", \"channels\": 4}],\n"
                   " \"regionChannels\": [{\"region\": \"r\", \"device\": \"d\", \"channel\": 9}]}")
            << "3:63"
            << "device 'd' has only 4 channels";
        QTest::newRow("region its own ancestor")
            << QByteArray("{\"regions\": [{\"id\": \"a\", \"name\": \"A\", \"parent\": \"b\"},\n"
                          "  {\"id\": \"b\", \"name\": \"B\", \"parent\": \"a\"}]}")
            << "1:49"
            << "its own ancestor";
        // The fault names the region on the loop, not the one whose walk met it.
        QTest::newRow("chain into a loop")
            << QByteArray("{\"regions\": [{\"id\": \"a\", \"name\": \"A\", \"parent\": \"b\"},\n"
                          "  {\"id\": \"b\", \"name\": \"B\", \"parent\": \"c\"},\n"
                          "  {\"id\": \"c\", \"name\": \"C\", \"parent\": \"b\"}]}")
            << "2:38"
            << "region 'b' is its own ancestor";
        QTest::newRow("member given twice")
            << QByteArray("{\"roles\": [\n  {\"id\": \"a\", \"name\": \"x\", \"name\": \"y\"}]}")
            << "2:36"
            << "member 'name' is given twice";
        QTest::newRow("list given twice")
            << QByteArray("{\"roles\": [{\"id\": \"a\"}],\n \"roles\": []}") << "2:11"
            << "member 'roles' is given twice";
        QTest::newRow("unnamed member given twice")
            << QByteArray("{\"\": [0],\n \"\": \"\"}") << "2:6"
            << "member '' is given twice";
        QTest::newRow("NUL in a text")
            << QByteArray("{\"roles\": [{\"id\": \"a\", \"name\": \"x\\u0000y\"}]}") << "1:32"
            << "NUL character";
        QTest::newRow("name longer than its field")
            << QByteArray("{\"views\": [{\"id\": \"v\", \"name\": \"") + QByteArray(100, 'x') +
                   QByteArray("\"}]}")
            << "1:32"
            << "the text is 100 bytes long; at most 99 fit";
        QTest::newRow("number far out of range")
            << QByteArray("{\"devices\": [{\"id\": \"d\", \"name\": \"D\", \"port\": 1e30}]}")
            << "1:47"
            << "'port' must be a whole number from 0 to 65535";
    }
    void malformedImport()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, where);
        QFETCH(QString, what);
        const QString path = writeFile(QStringLiteral("bad.json"), text);
        const QString address = database(QStringLiteral("untouched.db"));
        // -v would show every request the library sends: there must be none.
        const Run r = run({QStringLiteral("-v"), QStringLiteral("import"), path}, address);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(lines(r.err).size(), 1);
        QVERIFY2(r.err.contains(path + QLatin1Char(':') + where + QStringLiteral(": ")),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(what), qPrintable(r.err));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("untouched.db"))));
    }

    // Usage errors exit with 2 before any login.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("what");
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "unknown command";
        QTest::newRow("unknown kind") << QStringList{"list", "cameras"} << "unknown kind";
        QTest::newRow("list without kind") << QStringList{"list"} << "too few";
        QTest::newRow("channels are made with devices")
            << QStringList{"add", "channel"} << "cannot be changed";
        QTest::newRow("unknown option") << QStringList{"status", "--colour"} << "Unknown option";
        QTest::newRow("password option")
            << QStringList{"status", "--password", "x"} << "Unknown option";
        QTest::newRow("scale zero") << QStringList{"generate-site", "--scale", "0"} << "--scale";
        QTest::newRow("scale not a number")
            << QStringList{"generate-site", "--scale", "big"} << "--scale";
        QTest::newRow("negative seed") << QStringList{"generate-site", "--seed", "-1"} << "--seed";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, what);
        const Run r = run(args, database(QStringLiteral("never.db")));
        QCOMPARE(r.code, 2);
        QCOMPARE(lines(r.err).size(), 1);
        QVERIFY2(r.err.contains(what), qPrintable(r.err));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.db"))));
    }

    // An account whose role has manage.regions adds a region with the grants
    // the library sends after it, and nothing else.
    void regionManagerThroughTheLibrary()
    {
        const QString address = cheapDatabase(QStringLiteral("rights.db"));
        const Run role =
            run({QStringLiteral("add"), QStringLiteral("role"), QStringLiteral("--name"),
                 QStringLiteral("Mappers"), QStringLiteral("--json")},
                address);
        QCOMPARE(role.code, 0);
        const QString guid = QJsonDocument::fromJson(role.out.toUtf8())
                                 .array()
                                 .first()[QStringLiteral("guid")]
                                 .toString();
        QVERIFY(!guid.isEmpty());
        QCOMPARE(run({QStringLiteral("add"), QStringLiteral("permission"), QStringLiteral("--role"),
                      guid, QStringLiteral("--type"), QStringLiteral("manage.regions"),
                      QStringLiteral("--value"), QStringLiteral("true")},
                     address)
                     .code,
                 0);
        const QString file = writeFile(QStringLiteral("mapper-password"), "Mapper-pw-1\n");
        QCOMPARE(run({QStringLiteral("add"), QStringLiteral("account"), QStringLiteral("--name"),
                      QStringLiteral("mapper"), QStringLiteral("--role"), guid,
                      QStringLiteral("--new-password-file"), file},
                     address)
                     .code,
                 0);
        const QString password = QStringLiteral("Mapper-pw-1");
        const QString user = QStringLiteral("mapper");
        const Run region = run({QStringLiteral("add"), QStringLiteral("region"),
                                QStringLiteral("--name"), QStringLiteral("Yard")},
                               address, password, user);
        QCOMPARE(region.err, QString());
        QCOMPARE(region.code, 0);
        const Run device = run({QStringLiteral("add"), QStringLiteral("device"),
                                QStringLiteral("--name"), QStringLiteral("cam")},
                               address, password, user);
        QCOMPARE(device.code, 1);
        QVERIFY2(device.err.contains(QStringLiteral("add device 'cam': forbidden")),
                 qPrintable(device.err));
        const Run accounts =
            run({QStringLiteral("list"), QStringLiteral("accounts")}, address, password, user);
        QCOMPARE(accounts.code, 0);
        QCOMPARE(lines(accounts.out).size(), 2); // the header and its own
    }

    // A script without a password fails instead of trying the default one.
    void noPasswordWithoutTerminal()
    {
        const Run r =
            run({QStringLiteral("status")}, database(QStringLiteral("nopassword.db")), QString());
        QCOMPARE(r.code, 2);
        QCOMPARE(lines(r.err).size(), 1);
        QVERIFY2(r.err.contains(QStringLiteral("no password for 'admin'")), qPrintable(r.err));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("nopassword.db"))));
    }

    // Only a login with the default password warns, and only on stderr.
    void defaultPasswordWarning()
    {
        const QString address = cheapDatabase(QStringLiteral("warning.db"));
        const Run first = run({QStringLiteral("status")}, address);
        QCOMPARE(first.code, 0);
        QCOMPARE(first.err, warningLine(QStringLiteral("admin")));
        QVERIFY(!first.out.contains(QStringLiteral("default password")));
        const QString file = writeFile(QStringLiteral("changed"), "Changed-4417\n");
        QCOMPARE(
            run({QStringLiteral("passwd"), QStringLiteral("--new-password-file"), file}, address)
                .code,
            0);
        const Run after = run({QStringLiteral("status")}, address, QStringLiteral("Changed-4417"));
        QCOMPARE(after.code, 0);
        QCOMPARE(after.err, QString());
        const Run old = run({QStringLiteral("status")}, address);
        QCOMPARE(old.code, 1);
        QVERIFY(!old.err.contains(QStringLiteral("default password")));
    }

    // The export file is its owner's alone under the usual umask, also when it
    // replaces a readable one; --no-credentials leaves device and server
    // passwords out.
    void exportIsPrivate_data()
    {
        QTest::addColumn<bool>("replaces");
        QTest::addColumn<bool>("credentials");
        QTest::newRow("new file") << false << true;
        QTest::newRow("replacing a readable file") << true << true;
        QTest::newRow("no credentials") << false << false;
    }
    void exportIsPrivate()
    {
        QFETCH(bool, replaces);
        QFETCH(bool, credentials);
        const QString path =
            m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".json"));
        if (replaces) {
            QVERIFY(!writeFile(QFileInfo(path).fileName(), "{}").isEmpty());
            QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther));
        }
        QStringList args{QStringLiteral("export"), path};
        if (!credentials)
            args << QStringLiteral("--no-credentials");
        const mode_t saved = ::umask(022);
        const Run r = run(args, m_site);
        ::umask(saved);
        QCOMPARE(r.code, 0);
        QCOMPARE(mode(path), 0600);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject site = QJsonDocument::fromJson(file.readAll()).object();
        for (const char* kind : {"devices", "servers"}) {
            const QJsonArray records = site[QLatin1String(kind)].toArray();
            QVERIFY(!records.isEmpty());
            for (const QJsonValue& record : records)
                QCOMPARE(record.toObject().contains(QStringLiteral("password")), credentials);
        }
    }

    // The database in the user's data directory, both made for the owner
    // only, and its first password hashed at the shipped cost.
    void defaultDatabaseIsPrivate()
    {
        const mode_t saved = ::umask(022);
        const Run r = run({QStringLiteral("status")}, QString());
        ::umask(saved);
        QCOMPARE(r.code, 0);
        const QString dir = m_dir.filePath(QStringLiteral("data/orsactl"));
        const QString path = dir + QStringLiteral("/orsactl.db");
        QCOMPARE(mode(dir), 0700);
        QCOMPARE(mode(path), 0600);
        sqlite3* db = nullptr;
        sqlite3_stmt* s = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_prepare_v2(db, "SELECT iterations FROM accounts", -1, &s, nullptr),
                 SQLITE_OK);
        const bool row = sqlite3_step(s) == SQLITE_ROW;
        const int iterations = row ? sqlite3_column_int(s, 0) : 0;
        sqlite3_finalize(s);
        sqlite3_close(db);
        QCOMPARE(iterations, 600000);
    }

    // What is wrong with the database reaches the user in words.
    void databaseProblems_data()
    {
        QTest::addColumn<Spoil>("spoil");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("reason");
        const auto sql = [](const char* statements) {
            return Spoil([statements](const QString& path) -> Hold {
                sqlite3* db = nullptr;
                const bool done =
                    sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, statements, nullptr, nullptr, nullptr) == SQLITE_OK;
                // Closed when released: a transaction left open keeps its lock until then.
                return done ? Hold(db, sqlite3_close) : (sqlite3_close(db), nullptr);
            });
        };
        QTest::newRow("not a database") << Spoil([](const QString& path) -> Hold {
            QFile file(path);
            const bool done =
                file.open(QIODevice::WriteOnly) && file.write(QByteArray(2048, 'x')) == 2048;
            return done ? std::make_shared<int>(0) : nullptr;
        }) << false << "not a database of this service";
        QTest::newRow("newer version")
            << sql("CREATE TABLE service_version(version INTEGER NOT NULL);"
                   "INSERT INTO service_version VALUES(99);")
            << false << "the database was made by a newer version of the service (version 99;";
        QTest::newRow("read-only") << sql("CREATE TABLE service_version(version INTEGER);") << true
                                   << "the database is read-only";
        // Waits out the service's 5 s patience with a busy database first.
        QTest::newRow("locked by another process")
            << sql("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; CREATE TABLE t(x);") << false
            << "the database is locked by another process";
    }
    void databaseProblems()
    {
        QFETCH(Spoil, spoil);
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);
        // Readable by another user too: root writes any file, so that is who
        // tries a read-only one when the test runs as root.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) |
                                                      QFile::ReadOther | QFile::ExeOther));
        const QString path = dir.filePath(QStringLiteral("problem.db"));
        const Hold hold = spoil(path);
        QVERIFY(hold);
        QStringList wrapper;
        if (readOnly) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
            if (::geteuid() == 0)
                wrapper =
                    QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                                QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
        }
        const QString address = QStringLiteral("embedded:") + path;
        const Run r =
            run({QStringLiteral("status")}, address, QStringLiteral("admin"), QString(), wrapper);
        QCOMPARE(r.code, 1);
        QCOMPARE(lines(r.err).size(), 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("orsactl: %1: %2").arg(address, reason)),
                 qPrintable(r.err));
    }

    // The password given through the environment shows nowhere, debug lines included.
    void passwordNeverShown()
    {
        const QString address = cheapDatabase(QStringLiteral("secret.db"));
        const QString secret = QStringLiteral("Quokka-7731-unique");
        const QString file = writeFile(QStringLiteral("new-password"), secret.toUtf8() + '\n');
        const QList<QStringList> commands = {
            {"-v", "passwd", "--new-password-file", file},
            {"-v", "status"},
            {"-v", "list", "accounts", "--json"},
            {"-v", "edit", "account", "admin", "--phone", "555"},
            {"-v", "add", "account", "--name", "guard", "--new-password-file", file},
        };
        for (int i = 0; i < commands.size(); ++i) {
            const Run r = run(commands.at(i), address, i == 0 ? QStringLiteral("admin") : secret);
            QCOMPARE(r.code, 0);
            QVERIFY2(r.err.contains(QStringLiteral("orsa.datacenter")), "no debug lines with -v");
            QVERIFY2(!r.out.contains(secret) && !r.err.contains(secret),
                     qPrintable(commands.at(i).join(QLatin1Char(' '))));
        }
        QCOMPARE(run({QStringLiteral("status")}, address, secret, QStringLiteral("guard")).code, 0);
    }

    // The same site through orsad on a loopback port: imported, then listed
    // exactly as the embedded service lists it.
    void watch_data();
    void watch();

    void againstOrsad()
    {
        OrsadProcess orsad;
        QVERIFY(orsad.start());
        const QStringList server{QStringLiteral("--port"), QString::number(orsad.port())};
        const QString address = QStringLiteral("127.0.0.1");
        const Run imported =
            run(QStringList{QStringLiteral("import"), QStringLiteral(ORSA_EXAMPLE_SITE)} + server,
                address, QString::fromLatin1(OrsadProcess::adminPassword()));
        QCOMPARE(imported.code, 0);
        QVERIFY2(imported.out.contains(QStringLiteral(", 0 failed")), qPrintable(imported.out));
        for (const QString& kind : {QStringLiteral("roles"), QStringLiteral("regions")}) {
            const Run listed =
                run(QStringList{QStringLiteral("list"), kind, QStringLiteral("--json")} + server,
                    address, QString::fromLatin1(OrsadProcess::adminPassword()));
            QCOMPARE(listed.code, 0);
            QCOMPARE(names(QJsonDocument::fromJson(listed.out.toUtf8()).array()),
                     names(listJson(kind, m_site)));
        }
        const Run refused = run(QStringList{QStringLiteral("status"), QStringLiteral("--port"),
                                            QString::number(closedLoopbackPort())},
                                address, QString::fromLatin1(OrsadProcess::adminPassword()));
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.contains(QStringLiteral("cannot connect to 127.0.0.1")),
                 qPrintable(refused.err));
    }
};

void TestOrsactl::watch_data()
{
    QTest::addColumn<bool>("json");
    QTest::addRow("lines") << false;
    QTest::addRow("JSON lines") << true;
}

// watch against orsad while other orsactl runs change the site: a line per
// change, a resync notice when orsad's short log cannot replay what it
// missed, no credential, and a clean end on SIGTERM.
void TestOrsactl::watch()
{
    QFETCH(bool, json);
    OrsadProcess orsad;
    const QStringList arguments{QStringLiteral("--change-log"), QStringLiteral("2")};
    QVERIFY(orsad.start(arguments));
    const QStringList server{QStringLiteral("--port"), QString::number(orsad.port())};
    const QString address = QStringLiteral("127.0.0.1");
    const QString password = QString::fromLatin1(OrsadProcess::adminPassword());

    QProcess watcher;
    watcher.setProcessEnvironment(environment(address, password));
    QStringList watchArguments = QStringList{QStringLiteral("watch")} + server;
    if (json)
        watchArguments << QStringLiteral("--json");
    watcher.start(QStringLiteral(ORSACTL_PATH), watchArguments);
    // Not left running when the test fails half-way.
    const auto stopWatcher = qScopeGuard([&watcher] {
        if (watcher.state() != QProcess::NotRunning) {
            watcher.kill();
            watcher.waitForFinished(10000);
        }
    });
    QByteArray out, err;
    // Bounded waits for what watch prints.
    auto await = [&](QByteArray& buffer, const QByteArray& text) {
        return QTest::qWaitFor(
            [&] {
                out += watcher.readAllStandardOutput();
                err += watcher.readAllStandardError();
                return buffer.contains(text);
            },
            30000);
    };
    QVERIFY2(await(err, "watching 127.0.0.1"), err.constData());

    const QString secret = QStringLiteral("s3cret-dev");
    const QString credentials = writeFile(QStringLiteral("device-credential"), secret.toUtf8());
    QCOMPARE(run(QStringList{QStringLiteral("add"), QStringLiteral("region"),
                             QStringLiteral("--name"), QStringLiteral("北区")} +
                     server,
                 address, password)
                 .code,
             0);
    QCOMPARE(
        run(QStringList{QStringLiteral("add"), QStringLiteral("device"), QStringLiteral("--name"),
                        QStringLiteral("NVR"), QStringLiteral("--number"), QStringLiteral("DS77"),
                        QStringLiteral("--channels"), QStringLiteral("1"),
                        QStringLiteral("--credential-file"), credentials} +
                server,
            address, password)
            .code,
        0);
    QVERIFY2(await(out, "DS77"), out.constData());
    const QStringList printed = lines(QString::fromUtf8(out));
    // The region with the grants the library adds to it, the device, its channel.
    QCOMPARE(printed.size(), 5);
    if (json) {
        const QJsonObject region = QJsonDocument::fromJson(printed[0].toUtf8()).object();
        QCOMPARE(region[QStringLiteral("operation")].toString(), QStringLiteral("add"));
        QCOMPARE(region[QStringLiteral("kind")].toString(), QStringLiteral("regions"));
        QCOMPARE(region[QStringLiteral("record")][QStringLiteral("name")].toString(),
                 QStringLiteral("北区"));
        QStringList kinds;
        for (const QString& line : printed)
            kinds << QJsonDocument::fromJson(line.toUtf8())
                         .object()[QStringLiteral("kind")]
                         .toString();
        QCOMPARE(kinds,
                 (QStringList{"regions", "video-grants", "alarm-grants", "devices", "channels"}));
    } else {
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+ add regions \\S+ .*name=北区"))
                     .match(printed[0])
                     .hasMatch(),
                 qPrintable(printed[0]));
        QVERIFY2(printed[3].contains(QStringLiteral(" add devices ")), qPrintable(printed[3]));
        QVERIFY2(printed[4].contains(QStringLiteral(" add channels ")), qPrintable(printed[4]));
    }

    // Beyond the reach of a log of two: the resync notice, then the stream goes on.
    orsad.kill();
    QVERIFY(orsad.start(arguments));
    for (const char* name : {"r1", "r2", "r3"})
        QCOMPARE(run(QStringList{QStringLiteral("add"), QStringLiteral("region"),
                                 QStringLiteral("--name"), QLatin1String(name)} +
                         server,
                     address, password)
                     .code,
                 0);
    // watch asks the server something every 5 s, and so reconnects.
    QVERIFY2(await(out, json ? "{\"resync\":true}" : "resync: changes were missed"),
             out.constData());
    QVERIFY(!out.contains(secret.toUtf8()) && !err.contains(secret.toUtf8()));
    QVERIFY(!out.contains(password.toUtf8() + '\n'));

    watcher.terminate();
    QVERIFY(watcher.waitForFinished(30000));
    QCOMPARE(watcher.exitStatus(), QProcess::NormalExit);
    err += watcher.readAllStandardError();
    QVERIFY2(watcher.exitCode() == 0, err.constData());
}

QTEST_GUILESS_MAIN(TestOrsactl)
#include "tst_orsactl.moc"
