#include "recordkinds.h"
#include "userdatacache.h"

#include <QtTest/QtTest>

using namespace recordkinds;

class tst_UserDataCache : public QObject
{
    Q_OBJECT
private slots:
    void init() { clearCache(); }

    void updateInfoNode_data();
    void updateInfoNode();
    void settersReplaceOnlyTheirList_data();
    void settersReplaceOnlyTheirList();
    void accessorsAreLiveOrCopies_data();
    void accessorsAreLiveOrCopies();
    void deviceChannelInfoByCache_data();
    void deviceChannelInfoByCache();
    void snapshotsDoNotFollowChanges();
    void indexFollowsEveryChange_data();
    void indexFollowsEveryChange();
    void ownChangesCopyNothing_data();
    void ownChangesCopyNothing();
    void singleton();
};

// Each scenario once for every kind: records are "k1|k2|v" (recordkinds.h).
// Where single and two-part keys behave differently, the row gives both.
void tst_UserDataCache::updateInfoNode_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("cached");
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("op");
    QTest::addColumn<QStringList>("expected");

    struct Scenario {
        const char* name;
        QStringList cached;
        const char* record;
        int op;
        QStringList singleKey;
        QStringList twoPartKey;
    };
    const QString K = QStringLiteral("K|S|1");
    const QStringList abc{QStringLiteral("A|S|1"), QStringLiteral("K|S|2"),
                          QStringLiteral("B|S|3")};
    const Scenario scenarios[] = {
        {"add to empty list appends", {}, "K|S|1", 1, {K}, {K}},
        {"add overwrites in place",
         abc,
         "K|S|9",
         1,
         {"A|S|1", "K|S|9", "B|S|3"},
         {"A|S|1", "K|S|9", "B|S|3"}},
        {"edit of uncached key appends",
         {"A|S|1"},
         "K|S|2",
         3,
         {"A|S|1", "K|S|2"},
         {"A|S|1", "K|S|2"}},
        {"edit overwrites only the first match",
         {"K|S|1", "K|S|2"},
         "K|S|9",
         3,
         {"K|S|9", "K|S|2"},
         {"K|S|9", "K|S|2"}},
        {"delete removes only the first match",
         {"K|S|1", "A|S|2", "K|S|3"},
         "K|S|",
         2,
         {"A|S|2", "K|S|3"},
         {"A|S|2", "K|S|3"}},
        {"delete of uncached key", {"A|S|1"}, "K|S|", 2, {"A|S|1"}, {"A|S|1"}},
        {"delete from empty list", {}, "K|S|", 2, {}, {}},
        {"keys are case-sensitive", {"k|S|1"}, "K|S|2", 1, {"k|S|1", "K|S|2"}, {"k|S|1", "K|S|2"}},
        {"op 0 does nothing", {"K|S|1"}, "K|S|2", 0, {"K|S|1"}, {"K|S|1"}},
        {"op 4 does nothing", {"K|S|1"}, "K|S|2", 4, {"K|S|1"}, {"K|S|1"}},
        {"op 4 does not delete", {"K|S|1"}, "K|S|", 4, {"K|S|1"}, {"K|S|1"}},
        {"empty key matches empty key",
         {"K|S|1", "|S|2"},
         "|S|9",
         1,
         {"K|S|1", "|S|9"},
         {"K|S|1", "|S|9"}},
        {"empty key matches no other key",
         {"K|S|1"},
         "|S|2",
         1,
         {"K|S|1", "|S|2"},
         {"K|S|1", "|S|2"}},
        {"other second part", {"K|S|1"}, "K|T|2", 1, {"K|T|2"}, {"K|S|1", "K|T|2"}},
        {"delete with other second part", {"K|S|1"}, "K|T|", 2, {}, {"K|S|1"}},
        // Catches a key test that compares k1 of the entry with k2 of the record.
        {"second part equal to the cached first",
         {"X|X|1"},
         "Y|X|2",
         1,
         {"X|X|1", "Y|X|2"},
         {"X|X|1", "Y|X|2"}},
    };
    for (const KindOps& kind : kinds()) {
        for (const Scenario& s : scenarios) {
            QTest::addRow("%s: %s", qPrintable(kind.name), s.name)
                << kind.name << s.cached << QString::fromLatin1(s.record) << s.op
                << (kind.composite ? s.twoPartKey : s.singleKey);
        }
    }
}

void tst_UserDataCache::updateInfoNode()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, cached);
    QFETCH(QString, record);
    QFETCH(int, op);
    QFETCH(QStringList, expected);

    const KindOps& k = recordkinds::kind(kind);
    k.setCached(cached);
    k.update(record, op);
    for (QString& e : expected)
        e = k.normalise(e);
    QCOMPARE(k.cached(), expected);
}

void tst_UserDataCache::settersReplaceOnlyTheirList_data()
{
    QTest::addColumn<QString>("kind");
    for (const KindOps& kind : kinds())
        QTest::addRow("%s", qPrintable(kind.name)) << kind.name;
}

void tst_UserDataCache::settersReplaceOnlyTheirList()
{
    QFETCH(QString, kind);
    const KindOps& k = recordkinds::kind(kind);
    const QStringList first{k.normalise(QStringLiteral("A|S|1")),
                            k.normalise(QStringLiteral("B|T|2"))};
    const QStringList second{k.normalise(QStringLiteral("C|U|3"))};

    k.setCached(first);
    QCOMPARE(k.cached(), first);
    k.setCached(second);
    QCOMPARE(k.cached(), second);
    for (const KindOps& other : kinds()) {
        if (other.name != kind)
            QVERIFY2(other.cached().isEmpty(), qPrintable(other.name));
    }
}

void tst_UserDataCache::accessorsAreLiveOrCopies_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("live");
    for (const KindOps& kind : kinds()) {
        const bool copy =
            kind.name == QLatin1String("servers") || kind.name == QLatin1String("userViews");
        QTest::addRow("%s", qPrintable(kind.name)) << kind.name << !copy;
    }
}

void tst_UserDataCache::accessorsAreLiveOrCopies()
{
    QFETCH(QString, kind);
    QFETCH(bool, live);
    QCOMPARE(recordkinds::kind(kind).accessorIsLive(), live);
}

void tst_UserDataCache::deviceChannelInfoByCache_data()
{
    QTest::addColumn<QString>("devGuid");
    QTest::addColumn<QStringList>("channels");

    QTest::addRow("all of one device, in order") << "D" << QStringList{"c1", "c4"};
    QTest::addRow("case-sensitive") << "d" << QStringList{"c3"};
    QTest::addRow("empty guid gives only channels without device") << "" << QStringList{"c2"};
    QTest::addRow("device without cached channels") << "E" << QStringList{};
    QTest::addRow("no prefix match") << "D1" << QStringList{};
}

void tst_UserDataCache::deviceChannelInfoByCache()
{
    QFETCH(QString, devGuid);
    QFETCH(QStringList, channels);

    auto channel = [](const char* guid, const char* dev) {
        return DeviceChancelInfo{QLatin1String(guid), QStringLiteral("name"), QLatin1String(dev),
                                 7};
    };
    UserDataCache::instance()->setList_device_channel_info(
        {channel("c1", "D"), channel("c2", ""), channel("c3", "d"), channel("c4", "D")});

    QStringList found;
    for (const DeviceChancelInfo& c :
         UserDataCache::instance()->deviceChannelInfoByCache(devGuid)) {
        QCOMPARE(c.devGuid, devGuid);
        QCOMPARE(c.channelNo, 7);
        found << c.channelGuid;
    }
    QCOMPARE(found, channels);
}

void tst_UserDataCache::snapshotsDoNotFollowChanges()
{
    UserDataCache* c = UserDataCache::instance();
    c->setList_device_channel_info({DeviceChancelInfo{"c1", "", "D", 0}});
    const QList<DeviceChancelInfo> found = c->deviceChannelInfoByCache(QStringLiteral("D"));
    c->list_device_channel_info()[0].channelName = QStringLiteral("renamed");
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().channelName, QString());

    const QList<UServerInfo> servers = c->list_server_info();
    UServerInfo server{"s1", "name", "", "", "", 0, 0};
    c->updateInfoNode(server, 1);
    QVERIFY(servers.isEmpty());
    QCOMPARE(c->list_server_info().size(), 1);
}

void tst_UserDataCache::indexFollowsEveryChange_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<quint32>("seed");
    for (const KindOps& kind : kinds()) {
        for (quint32 seed : {1u, 2u, 3u})
            QTest::addRow("%s, seed %u", qPrintable(kind.name), seed) << kind.name << seed;
    }
}

// Random updates, whole lists installed and, through the live accessors,
// changes made behind the cache's back, on few keys so that they meet and
// repeat: after each step the list is what the update rule gives on a plain
// list, and every indexed filter answers what a scan of the list answers.
void tst_UserDataCache::indexFollowsEveryChange()
{
    QFETCH(QString, kind);
    QFETCH(quint32, seed);
    const KindOps& k = recordkinds::kind(kind);
    QRandomGenerator random(seed);
    const QStringList parts{"A", "B", "C", "", "S", "T", "1", "2"};
    auto any = [&](const QStringList& from) { return from.at(random.bounded(from.size())); };
    auto anyRecord = [&] {
        return k.normalise(join(any(parts.mid(0, 4)), any(parts.mid(4, 2)), any(parts.mid(6))));
    };
    auto keyOf = [&](const QString& t) {
        const QStringList f = t.split(QLatin1Char('|'));
        return k.composite ? f.at(0) + QLatin1Char('|') + f.at(1) : f.at(0);
    };

    QStringList plain;
    for (int step = 0; step < 300; ++step) {
        const int what = random.bounded(20);
        if (what < 12) {
            const int op = random.bounded(5); // 0 and 4 change nothing
            const QString record = anyRecord();
            k.update(record, op);
            int at = 0;
            while (at < plain.size() && keyOf(plain.at(at)) != keyOf(record))
                ++at;
            if (op == 2 && at < plain.size())
                plain.removeAt(at);
            else if ((op == 1 || op == 3) && at < plain.size())
                plain[at] = record;
            else if (op == 1 || op == 3)
                plain.append(record);
        } else if (what < 19) {
            const auto change = LiveChange(random.bounded(5));
            const int at = plain.isEmpty() ? 0 : random.bounded(plain.size());
            const int other = plain.isEmpty() ? 0 : random.bounded(plain.size());
            const bool needsOne = change != LiveChange::Prepend && change != LiveChange::Clear;
            if (needsOne && plain.isEmpty())
                continue;
            const QString record = anyRecord();
            if (!k.changeLive(change, at, other, record))
                continue;
            applyChange(plain, change, at, other, record);
        } else {
            plain.clear();
            for (int n = random.bounded(6); n > 0; --n)
                plain.append(anyRecord()); // repeated keys too
            k.setCached(plain);
        }
        QCOMPARE(k.cached(), plain);
        for (const QString& value : parts)
            QCOMPARE(k.indexed(value, false), k.indexed(value, true));
    }
}

void tst_UserDataCache::ownChangesCopyNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("op");
    for (const KindOps& kind : kinds()) {
        QTest::addRow("%s, add", qPrintable(kind.name)) << kind.name << 1;
        QTest::addRow("%s, edit", qPrintable(kind.name)) << kind.name << 3;
        QTest::addRow("%s, delete", qPrintable(kind.name)) << kind.name << 2;
    }
}

// The cache changes its indexed lists in place: its records stay where they
// are, so one update does not copy the whole list.
void tst_UserDataCache::ownChangesCopyNothing()
{
    QFETCH(QString, kind);
    QFETCH(int, op);
    const KindOps& k = recordkinds::kind(kind);
    k.setCached({k.normalise(QStringLiteral("A|S|1")), k.normalise(QStringLiteral("B|S|2")),
                 k.normalise(QStringLiteral("C|S|3"))});
    k.update(QStringLiteral("B|S|4"), 3); // the index is built and held
    const void* first = k.firstRecord();
    QVERIFY(first);
    k.update(op == 2 ? QStringLiteral("C|S|") : QStringLiteral("D|S|5"), op);
    QCOMPARE(k.firstRecord(), first);
}

void tst_UserDataCache::singleton()
{
    UserDataCache* first = UserDataCache::instance();
    QVERIFY(first);
    QCOMPARE(UserDataCache::instance(), first);
    QVERIFY(!first->parent());
    QCOMPARE(&first->dataObj(), &UserDataCache::instance()->dataObj());

    first->dataObj().setProperty("guid", QStringLiteral("kept"));
    QCOMPARE(UserDataCache::instance()->dataObj().property("guid").toString(),
             QStringLiteral("kept"));
}

QTEST_GUILESS_MAIN(tst_UserDataCache)
#include "tst_userdatacache.moc"
