// An "embedded:PATH" hub keeps what it acknowledged across DestroyOrsa and
// CreateOrsa; "embedded" hubs are private to themselves.
#include "TestHub.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_SdkPersistence : public QObject
{
    Q_OBJECT
private slots:
    void survivesRecreation();
    void inMemoryHubsAreSeparate();
};

void tst_SdkPersistence::survivesRecreation()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray address = "embedded:" + QFile::encodeName(dir.filePath("orsa.db"));
    QByteArray device;
    QByteArray role;
    {
        TestHub t(address);
        QVERIFY(t.hub);
        QVERIFY(t.login());
        device = t.addDevice("cam", 2);
        role = t.addRole("guards");
        QCOMPARE(t.result(t.account()->AddAccount("ann", "", "", "secret", role)), 0);
        QCOMPARE(t.result(t.view()->AddViewChannel(t.addView("v"), t.channel(device, 2), 3)), 0);
    }
    TestHub t(address);
    QVERIFY(t.hub);
    QCOMPARE(t.result(t.account()->Login("ann", "secret")), 0);
    QCOMPARE(t.count(t.device()->QueryDevice(device)), 1);
    QCOMPARE(t.count(t.device()->QueryDeviceChannel(device)), 2);
    QCOMPARE(text(t.wait(t.role()->QueryRole(role)).record<tabROLEINFO>().name),
             QByteArray("guards"));
    QCOMPARE(t.wait(t.view()->QueryViewChannel("")).record<tabVIEWCHANNELINFO>().position, 3);
    // The first account was made once, not again on reopening.
    QVERIFY(t.login());
    QCOMPARE(t.count(t.account()->QueryAccount("")), 2);
}

void tst_SdkPersistence::inMemoryHubsAreSeparate()
{
    TestHub a;
    TestHub b;
    QVERIFY(a.login());
    QVERIFY(b.login());
    QVERIFY(!a.addRole("only in a").isEmpty());
    QCOMPARE(a.count(a.role()->QueryRole("")), 2);
    QCOMPARE(b.count(b.role()->QueryRole("")), 1);
}

QTEST_GUILESS_MAIN(tst_SdkPersistence)
#include "tst_sdkpersistence.moc"
