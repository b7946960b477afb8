// Pinyin initials of GB2312 byte strings.
#include "userdatacache.h"

#include <QtCore/QFile>
#include <QtCore/QMap>
#include <QtTest/QtTest>

using DATACore::UserDataCache;

namespace {

QString initials(const QByteArray& bytes)
{
    QString out;
    UserDataCache::instance()->GetFirstLetter(bytes, out);
    return out;
}

// The two bytes of the GB2312 character with this zone * 100 + position code.
QByteArray gbCode(int code)
{
    QByteArray bytes;
    bytes.append(static_cast<char>(code / 100 + 160));
    bytes.append(static_cast<char>(code % 100 + 160));
    return bytes;
}

QString latin1(std::initializer_list<int> codes)
{
    QString s;
    for (int c : codes)
        s += QChar(c);
    return s;
}

constexpr int level2Zones = 32;
constexpr int positions = 94;

} // namespace

class tst_Pinyin : public QObject
{
    Q_OBJECT
private slots:
    void examples_data();
    void examples();
    void level1Bounds_data();
    void level1Bounds();
    void level2Table_data();
    void level2Table();
    void level2LetterCounts();
    void appendsToOutput();
};

void tst_Pinyin::examples_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::addRow("empty") << QByteArray() << QString();
    QTest::addRow("single ASCII byte") << QByteArray("q") << QStringLiteral("q");
    QTest::addRow("single high byte") << QByteArray::fromHex("b1") << latin1({0xB1});
    QTest::addRow("trailing byte >= A1 after a pair")
        << QByteArray::fromHex("b1b1b1") << QString(QLatin1Char('B') + latin1({0xB1}));
    QTest::addRow("high byte then low byte")
        << QByteArray::fromHex("b141") << QString(latin1({0xB1}) + QLatin1Char('A'));
    QTest::addRow("GBK extension lead byte below A1")
        << QByteArray::fromHex("81b1b1bea9") << QString(latin1({0x81}) + QStringLiteral("BJ"));
    QTest::addRow("code 1601") << gbCode(1601) << QStringLiteral("A");
    QTest::addRow("code 1636") << gbCode(1636) << QStringLiteral("A");
    QTest::addRow("code 1637") << gbCode(1637) << QStringLiteral("B");
    QTest::addRow("code 5248") << gbCode(5248) << QStringLiteral("Y");
    QTest::addRow("code 5249") << gbCode(5249) << QStringLiteral("Z");
    QTest::addRow("code 5589 (D7 F9)") << QByteArray::fromHex("d7f9") << QStringLiteral("Z");
    for (int b2 = 0xFA; b2 <= 0xFE; ++b2) {
        QTest::addRow("unassigned D7 %X", b2)
            << QByteArray::fromHex("d7") + char(b2) << latin1({0xD7, b2});
    }
    QTest::addRow("full-width letter A3 C1") << QByteArray::fromHex("a3c1") << latin1({0xA3, 0xC1});
    QTest::addRow("zone 1 symbol A1 A1") << QByteArray::fromHex("a1a1") << latin1({0xA1, 0xA1});
    QTest::addRow("past the last zone F8 A1")
        << QByteArray::fromHex("f8a1") << latin1({0xF8, 0xA1});
    QTest::addRow("first second-level D8 A1") << QByteArray::fromHex("d8a1") << QStringLiteral("C");
    QTest::addRow("radical D8 AD") << QByteArray::fromHex("d8ad") << QStringLiteral("[");
    QTest::addRow("last second-level F7 FE") << QByteArray::fromHex("f7fe") << QStringLiteral("Z");
    QTest::addRow("BJ") << QByteArray::fromHex("b1b1bea9") << QStringLiteral("BJ");
    QTest::addRow("ZW") << QByteArray::fromHex("d6d0cec4") << QStringLiteral("ZW");
    QTest::addRow("AQ1") << QByteArray::fromHex("41c7f831") << QStringLiteral("AQ1");
    QTest::addRow("JW") << QByteArray::fromHex("d8a2d8a3") << QStringLiteral("JW");
    QTest::addRow("letter case kept")
        << QByteArray("aB ") + QByteArray::fromHex("b1b1") + "z-9" << QStringLiteral("aB Bz-9");
}

void tst_Pinyin::examples()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(initials(bytes), expected);
}

// Each first-level bound and the code just below it, which belongs to the previous letter.
void tst_Pinyin::level1Bounds_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");

    const QList<QPair<int, char>> bounds = {
        {1601, 'A'}, {1637, 'B'}, {1833, 'C'}, {2078, 'D'}, {2274, 'E'}, {2302, 'F'},
        {2433, 'G'}, {2594, 'H'}, {2787, 'J'}, {3106, 'K'}, {3212, 'L'}, {3472, 'M'},
        {3635, 'N'}, {3722, 'O'}, {3730, 'P'}, {3858, 'Q'}, {4027, 'R'}, {4086, 'S'},
        {4390, 'T'}, {4558, 'W'}, {4684, 'X'}, {4925, 'Y'}, {5249, 'Z'},
    };
    for (int k = 0; k < bounds.size(); ++k) {
        const int code = bounds[k].first;
        QTest::addRow("%d", code) << code << QString(QLatin1Char(bounds[k].second));
        if (k > 0) {
            QTest::addRow("%d", code - 1) << code - 1 << QString(QLatin1Char(bounds[k - 1].second));
        }
    }
}

void tst_Pinyin::level1Bounds()
{
    QFETCH(int, code);
    QFETCH(QString, expected);
    QCOMPARE(initials(gbCode(code)), expected);
}

// One row per second-level zone: each of its 94 code points, looked up one at
// a time, against the committed reference table.
void tst_Pinyin::level2Table_data()
{
    QTest::addColumn<int>("firstByte");
    QTest::addColumn<QString>("expected");

    QFile file(QFINDTESTDATA("data/gb2312-level2-initials.txt"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), level2Zones);
    for (int zone = 0; zone < level2Zones; ++zone) {
        const int firstByte = 0xD8 + zone;
        QTest::addRow("zone %d (%X)", 56 + zone, firstByte)
            << firstByte << QString::fromLatin1(lines[zone].trimmed());
    }
}

void tst_Pinyin::level2Table()
{
    QFETCH(int, firstByte);
    QFETCH(QString, expected);
    QCOMPARE(expected.size(), positions);

    QString actual;
    for (int position = 0; position < positions; ++position) {
        const char pair[] = {static_cast<char>(firstByte), static_cast<char>(0xA1 + position)};
        actual += initials(QByteArray(pair, 2));
    }
    QCOMPARE(actual, expected);
}

void tst_Pinyin::level2LetterCounts()
{
    QMap<QChar, int> counts;
    for (int firstByte = 0xD8; firstByte < 0xD8 + level2Zones; ++firstByte) {
        for (int second = 0xA1; second < 0xA1 + positions; ++second) {
            const char pair[] = {static_cast<char>(firstByte), static_cast<char>(second)};
            const QString letter = initials(QByteArray(pair, 2));
            QCOMPARE(letter.size(), 1);
            ++counts[letter.at(0)];
        }
    }
    QString actual;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        actual += QStringLiteral("%1%2 ").arg(it.key()).arg(it.value());
    QCOMPARE(actual.trimmed(),
             QStringLiteral("A36 B130 C188 D142 E26 F80 G142 H143 J227 K97 L225 M130 "
                            "N82 O5 P100 Q161 R41 S179 T105 W82 X167 Y264 Z215 [41"));
}

void tst_Pinyin::appendsToOutput()
{
    QString out = QStringLiteral("x-");
    UserDataCache::instance()->GetFirstLetter(QByteArray::fromHex("b1b1bea9"), out);
    QCOMPARE(out, QStringLiteral("x-BJ"));
}

QTEST_GUILESS_MAIN(tst_Pinyin)
#include "tst_pinyin.moc"
