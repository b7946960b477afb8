// Ordering of role and region lists by the pinyin initials of their names.
#ifndef PINYINSORT_P_H
#define PINYINSORT_P_H

#include "userdatacache.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QTextCodec>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace DATACore {

// The initials tables are indexed by GB2312 codes, and the local 8-bit
// encoding is often UTF-8, so names are always converted with GB18030, which
// writes every GB2312 character with its GB2312 bytes.
inline QByteArray gb2312CompatibleBytes(const QString& text)
{
    static QTextCodec* const codec = QTextCodec::codecForName("GB18030");
    Q_ASSERT(codec);
    return codec->fromUnicode(text);
}

// What the sort compares: the lower-cased initials of a name.
inline QString pinyinSortKey(const QString& name)
{
    QString initials;
    UserDataCache::instance()->GetFirstLetter(gb2312CompatibleBytes(name), initials);
    return std::move(initials).toLower();
}

// Sorts records by the pinyin initials of their names (nameOf: a member
// pointer such as &RegionInfo::name, or a callable), with the order of an
// exchange sort (for each i, for each j > i: swap i and j when key j < key i).
// Callers rely on that exchange order, equal keys included, which no standard
// sort reproduces: equal keys never swap, yet they end up reordered.
//
// Each key is computed once and replaced by its rank among the distinct keys,
// so the quadratic pass compares integers and moves indices; the records are
// copied once at the end.
template <typename T, typename NameOf>
void sortByPinyinInitials(QList<T>& records, NameOf nameOf)
{
    const int n = records.size();
    if (n < 2)
        return;

    std::vector<QString> keys;
    keys.reserve(n);
    for (const T& record : records)
        keys.push_back(pinyinSortKey(std::invoke(nameOf, record)));

    std::vector<QString> distinct = keys;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());

    std::vector<int> ranks(n);
    std::vector<int> order(n);
    for (int k = 0; k < n; ++k) {
        ranks[k] =
            int(std::lower_bound(distinct.begin(), distinct.end(), keys[k]) - distinct.begin());
        order[k] = k;
    }

    // The entry held at i lives in locals during its pass. Whether an entry
    // swaps is unpredictable, and compilers turn a conditional swap back into
    // a branch, so the swap is done with masks: all ones when j's rank is lower.
    for (int i = 0; i < n; ++i) {
        int rank = ranks[i];
        int index = order[i];
        for (int j = i + 1; j < n; ++j) {
            const int rankJ = ranks[j];
            const int indexJ = order[j];
            const int swapMask = -int(rankJ < rank);
            const int rankFlip = (rankJ ^ rank) & swapMask;
            const int indexFlip = (indexJ ^ index) & swapMask;
            ranks[j] = rankJ ^ rankFlip;
            order[j] = indexJ ^ indexFlip;
            rank ^= rankFlip;
            index ^= indexFlip;
        }
        ranks[i] = rank;
        order[i] = index;
    }

    QList<T> sorted;
    sorted.reserve(n);
    for (int k : order)
        sorted.append(records.at(k));
    records.swap(sorted);
}

} // namespace DATACore

#endif // PINYINSORT_P_H
