#include "callbackevent_p.h"
#include "eventreceiver.h"
#include "signallog.h"

#include <QtTest/QtTest>

using DATACore::EventReceiver;

namespace {

// The region and the view journal offer the same operations; a journal is
// addressed by name so that one table covers both. A stored record is
// written "type:sid:tag", the tag living in the record's region or view name.
struct RegionJournal {
    using Rec = RegionInfoOPeratorRecord;
    static void add(EventReceiver& r, Rec& rec) { r.addOneRegionOperatorRecord(rec); }
    static Rec get(EventReceiver& r, int sid, int type)
    {
        return r.getRegionInfoOPeratorRecord(sid, OPERATORTYPE(type));
    }
    static void update(EventReceiver& r, IAccountCallBackEvent* ev, Rec& rec)
    {
        r.updateRegionOperatorRecord(ev, rec);
    }
    static QList<Rec> list(EventReceiver& r) { return r.list_region_operator_record(); }
    static void setList(EventReceiver& r, const QList<Rec>& l)
    {
        r.setList_region_operator_record(l);
    }
    static QString& tag(Rec& rec) { return rec.regionInfo.name; }
    static QString details(const Rec& rec)
    {
        const RegionInfo& g = rec.regionInfo;
        const RegionChannelParam& p = rec.channelParam;
        const DeviceChancelInfo& c = rec.regionChannelInfo.channelInfo;
        return QStringList{g.guid,
                           g.parentGuid,
                           g.name,
                           QString::number(g.level),
                           g.describe,
                           p.regionGuid,
                           p.channelGuid,
                           p.name,
                           rec.regionChannelInfo.regionGuid,
                           c.channelGuid,
                           c.channelName,
                           c.devGuid,
                           QString::number(c.channelNo)}
            .join(QLatin1Char(','));
    }
};

struct ViewJournal {
    using Rec = ViewInfoOPeratorRecord;
    static void add(EventReceiver& r, Rec& rec) { r.addOneViewOperatorRecord(rec); }
    static Rec get(EventReceiver& r, int sid, int type)
    {
        return r.getViewInfoOPeratorRecord(sid, OPERATORTYPE(type));
    }
    static void update(EventReceiver& r, IAccountCallBackEvent* ev, Rec& rec)
    {
        r.updateViewOperatorRecord(ev, rec);
    }
    static QList<Rec> list(EventReceiver& r) { return r.list_view_operator_record(); }
    static void setList(EventReceiver& r, const QList<Rec>& l)
    {
        r.setList_view_operator_record(l);
    }
    static QString& tag(Rec& rec) { return rec.viewInfo.name; }
    static QString details(const Rec& rec)
    {
        const UViewChannelInfo& vc = rec.viewChannelInfo;
        const DeviceChancelInfo& c = vc.channelInfo;
        return QStringList{rec.viewInfo.guid,
                           rec.viewInfo.name,
                           QString::number(rec.viewInfo.divide),
                           vc.viewGuid,
                           c.channelGuid,
                           c.channelName,
                           c.devGuid,
                           QString::number(c.channelNo),
                           QString::number(vc.position),
                           rec.viewParam.guid,
                           rec.viewParam.name,
                           QString::number(rec.viewParam.divide)}
            .join(QLatin1Char(','));
    }
};

QString stamp(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss t"));
}

// Everything a record holds, dates included.
template <typename J>
QString describe(const typename J::Rec& rec)
{
    return QStringLiteral("%1:%2:%3 [%4] %5 / %6")
        .arg(rec.operatorType)
        .arg(rec.sid)
        .arg(rec.result)
        .arg(J::details(rec), stamp(rec.startTime), stamp(rec.endTime));
}

template <typename J>
typename J::Rec record(const QString& text)
{
    const QStringList f = text.split(QLatin1Char(':'));
    typename J::Rec rec;
    rec.operatorType = f.value(0).toInt();
    rec.sid = f.value(1).toInt();
    J::tag(rec) = f.value(2);
    return rec;
}

template <typename J>
QStringList texts(EventReceiver& r)
{
    QStringList out;
    for (typename J::Rec rec : J::list(r))
        out << QStringLiteral("%1:%2:%3").arg(rec.operatorType).arg(rec.sid).arg(J::tag(rec));
    return out;
}

template <typename J>
void store(EventReceiver& r, const QStringList& recs)
{
    QList<typename J::Rec> list;
    for (const QString& t : recs)
        list << record<J>(t);
    J::setList(r, list);
}

const QDateTime kResetTime(QDate(1970, 1, 1), QTime(12, 12, 12), Qt::LocalTime);

// The record a look-up returns when it finds nothing.
const QString kRegionReset = QStringLiteral("0:-1:-1 [,,,-1,,,,,,,,,-1] %1 / %1");
const QString kViewReset = QStringLiteral("0:-1:-1 [,,-1,,,,,-1,-1,,,-1] %1 / %1");

template <typename J>
QString resetText();
template <>
QString resetText<RegionJournal>()
{
    return kRegionReset.arg(stamp(kResetTime));
}
template <>
QString resetText<ViewJournal>()
{
    return kViewReset.arg(stamp(kResetTime));
}

void addJournalColumnRows(const char* name, const std::function<void(QTestData&)>& values)
{
    for (const char* journal : {"region", "view"})
        values(QTest::addRow("%s: %s", journal, name) << QString::fromLatin1(journal));
}

} // namespace

class tst_OperatorRecords : public QObject
{
    Q_OBJECT
private slots:
    void add_data();
    void add();
    void get_data();
    void get();
    void updateStoresOverEverySid_data();
    void updateStoresOverEverySid();
    void updateSignals_data();
    void updateSignals();
    void updateWithoutEvent_data();
    void updateWithoutEvent();

private:
    template <typename J>
    void add();
    template <typename J>
    void get();
    template <typename J>
    void updateStoresOverEverySid();
    template <typename J>
    void updateWithoutEvent();
};

#define ORSA_BY_JOURNAL(test)                                                                      \
    void tst_OperatorRecords::test()                                                               \
    {                                                                                              \
        QFETCH(QString, journal);                                                                  \
        if (journal == QLatin1String("region"))                                                    \
            test<RegionJournal>();                                                                 \
        else                                                                                       \
            test<ViewJournal>();                                                                   \
    }
ORSA_BY_JOURNAL(add)
ORSA_BY_JOURNAL(get)
ORSA_BY_JOURNAL(updateStoresOverEverySid)
ORSA_BY_JOURNAL(updateWithoutEvent)

void tst_OperatorRecords::add_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");

    auto row = [](const char* name, QStringList stored, QStringList added, QStringList expected) {
        addJournalColumnRows(name, [&](QTestData& d) { d << stored << added << expected; });
    };
    row("first add appends", {}, {"4:5:a"}, {"4:5:a"});
    row("same type and sid overwrite in place", {}, {"4:1:a", "4:5:b", "4:7:c", "4:5:d"},
        {"4:1:a", "4:5:d", "4:7:c"});
    row("same sid, other type appends", {}, {"4:5:a", "11:5:b"}, {"4:5:a", "11:5:b"});
    row("same type, other sid appends", {}, {"4:5:a", "4:6:b"}, {"4:5:a", "4:6:b"});
    row("only the first of two equal records is overwritten", {"4:5:a", "4:5:b"}, {"4:5:c"},
        {"4:5:c", "4:5:b"});
}

template <typename J>
void tst_OperatorRecords::add()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    EventReceiver receiver;
    store<J>(receiver, stored);
    for (const QString& t : added) {
        typename J::Rec rec = record<J>(t);
        J::add(receiver, rec);
    }
    QCOMPARE(texts<J>(receiver), expected);
}

void tst_OperatorRecords::get_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<int>("sid");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("found"); // tag, or empty for the reset record

    auto row = [](const char* name, int sid, int type, const char* found) {
        addJournalColumnRows(name, [&](QTestData& d) { d << sid << type << QString(found); });
    };
    row("first match", 5, 4, "a");
    row("type decides", 5, 11, "b");
    row("sid decides", 6, 4, "d");
    row("no match gives the reset record", 7, 4, "");
    row("OPERATOR_NONE gives the reset record although stored", 5, OPERATOR_NONE, "");
}

template <typename J>
void tst_OperatorRecords::get()
{
    QFETCH(int, sid);
    QFETCH(int, type);
    QFETCH(QString, found);
    EventReceiver receiver;
    store<J>(receiver, {"4:5:a", "11:5:b", "4:5:c", "4:6:d", "0:5:e"});

    typename J::Rec rec = J::get(receiver, sid, type);
    if (found.isEmpty()) {
        QCOMPARE(describe<J>(rec), resetText<J>());
        QCOMPARE(rec.startTime.timeSpec(), Qt::LocalTime);
    } else {
        QCOMPARE(J::tag(rec), found);
        QCOMPARE(rec.sid, sid);
        QCOMPARE(rec.operatorType, type);
    }
}

void tst_OperatorRecords::updateStoresOverEverySid_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<int>("result");
    addJournalColumnRows("success", [](QTestData& d) { d << 0; });
    addJournalColumnRows("failure", [](QTestData& d) { d << -4; });
}

template <typename J>
void tst_OperatorRecords::updateStoresOverEverySid()
{
    QFETCH(int, result);
    EventReceiver receiver;
    store<J>(receiver, {"4:5:a", "6:8:b", "11:5:c"});
    IAccountCallBackEvent ev(QEvent::Type(1034));
    ev.sid = 5;
    ev.result = result;
    typename J::Rec rec = record<J>(QStringLiteral("18:0:new"));

    const QDateTime before = QDateTime::currentDateTime();
    J::update(receiver, &ev, rec);
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(rec.sid, 5);
    QCOMPARE(rec.result, result);
    QVERIFY(rec.endTime >= before && rec.endTime <= after);
    QCOMPARE(rec.endTime.timeSpec(), Qt::LocalTime);
    QVERIFY(rec.startTime.isNull());
    const QList<typename J::Rec> list = J::list(receiver);
    QCOMPARE(list.size(), 3);
    QCOMPARE(describe<J>(list.at(0)), describe<J>(rec));
    QCOMPARE(describe<J>(list.at(1)), describe<J>(record<J>(QStringLiteral("6:8:b"))));
    QCOMPARE(describe<J>(list.at(2)), describe<J>(rec));
}

void tst_OperatorRecords::updateSignals_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<int>("operatorType");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    const QStringList some{"4:5:a"};
    const QStringList other{"4:6:a"};
    struct {
        const char* journal;
        int op;
        const char* signal;
    } const rows[] = {
        {"region", OPERATOR_ADD_REGION_CHANNEL, "signal_Region_Channel_add(R,5)"},
        {"region", OPERATOR_DEL_REGION, "signal_Region_delete(G)"},
        {"region", OPERATOR_DEL_REGION_CHANNEL, "signal_Region_remove(R,C)"},
        {"region", OPERATOR_EDIT_REGION_CHANNEL, "signal_Region_Channel_edit(R,C,N)"},
        {"region", OPERATOR_ADD_REGION, nullptr},
        {"region", OPERATOR_EDIT_REGION, nullptr},
        {"region", OPERATOR_GET_REGION_CHANNEL, nullptr},
        {"region", OPERATOR_ADD_VIEW, nullptr},
        {"region", OPERATOR_NONE, nullptr},
        {"view", OPERATOR_ADD_VIEW, "signal_view_add(V,Name,4)"},
        {"view", OPERATOR_ADD_VIEW_CHANNEL, nullptr},
        {"view", OPERATOR_DEL_VIEW, nullptr},
        {"view", OPERATOR_EDIT_VIEW, nullptr},
        {"view", OPERATOR_DEL_REGION, nullptr},
        {"view", OPERATOR_NONE, nullptr},
    };
    for (const auto& r : rows) {
        const QStringList signal = r.signal ? QStringList{QLatin1String(r.signal)} : none;
        QTest::addRow("%s %d ok", r.journal, r.op) << r.journal << r.op << 0 << some << signal;
        QTest::addRow("%s %d ok positive", r.journal, r.op)
            << r.journal << r.op << 2 << some << signal;
        QTest::addRow("%s %d ok, sid not stored", r.journal, r.op)
            << r.journal << r.op << 0 << other << signal;
        QTest::addRow("%s %d failed", r.journal, r.op) << r.journal << r.op << -1 << some << none;
    }
}

void tst_OperatorRecords::updateSignals()
{
    QFETCH(QString, journal);
    QFETCH(int, operatorType);
    QFETCH(int, result);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, expected);
    EventReceiver receiver;
    SignalLog log(&receiver);
    IAccountCallBackEvent ev(QEvent::Type(1038));
    ev.sid = 5;
    ev.result = result;

    if (journal == QLatin1String("region")) {
        store<RegionJournal>(receiver, stored);
        RegionInfoOPeratorRecord rec;
        rec.operatorType = operatorType;
        rec.regionInfo.guid = QStringLiteral("G");
        rec.channelParam = {QStringLiteral("R"), QStringLiteral("C"), QStringLiteral("N")};
        receiver.updateRegionOperatorRecord(&ev, rec);
    } else {
        store<ViewJournal>(receiver, stored);
        ViewInfoOPeratorRecord rec;
        rec.operatorType = operatorType;
        rec.viewInfo = {QStringLiteral("V"), QStringLiteral("Name"), 4};
        rec.viewParam = {QStringLiteral("P"), QStringLiteral("Other"), 9};
        receiver.updateViewOperatorRecord(&ev, rec);
    }
    QCOMPARE(log.lines, expected);
}

void tst_OperatorRecords::updateWithoutEvent_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<int>("operatorType");
    addJournalColumnRows("region channel add", [](QTestData& d) { d << 5; });
    addJournalColumnRows("view add", [](QTestData& d) { d << 6; });
}

template <typename J>
void tst_OperatorRecords::updateWithoutEvent()
{
    QFETCH(int, operatorType);
    EventReceiver receiver;
    SignalLog log(&receiver);
    store<J>(receiver, {"4:5:a"});
    typename J::Rec rec = record<J>(QStringLiteral("%1:5:new").arg(operatorType));
    const QString untouched = describe<J>(rec);

    J::update(receiver, nullptr, rec);
    QCOMPARE(describe<J>(rec), untouched);
    QCOMPARE(texts<J>(receiver), QStringList{QStringLiteral("4:5:a")});
    QVERIFY(log.lines.isEmpty());
}

QTEST_GUILESS_MAIN(tst_OperatorRecords)
#include "tst_operatorrecords.moc"
