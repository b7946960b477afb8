// Ordering of role and region lists by the pinyin initials of their names.
#ifndef PINYINSORT_P_H
#define PINYINSORT_P_H

#include "userdatacache.h"

#include <QTextCodec>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QString>

#include <algorithm>
#include <cstddef>
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

// The same, remembered: lists are sorted again and again with the same names,
// and working out initials costs more than the sort itself. Main thread only,
// like every query; forgets everything past a size that real sites never reach.
inline QString rememberedPinyinSortKey(const QString& name)
{
    static QHash<QString, QString> remembered;
    const auto found = remembered.constFind(name);
    if (found != remembered.constEnd())
        return found.value();
    if (remembered.size() >= 200000)
        remembered.clear();
    return remembered.insert(name, pinyinSortKey(name)).value();
}

// Counts marked positions in ranges, each query and mark in logarithmic time.
class PositionCounter
{
public:
    explicit PositionCounter(int size) : m_tree(std::size_t(size) + 1, 0) {}
    void mark(int position)
    {
        for (std::size_t k = std::size_t(position) + 1; k < m_tree.size(); k += k & (~k + 1))
            ++m_tree[k];
    }
    // Marked positions in [from, to).
    int count(int from, int to) const { return before(to) - before(from); }

private:
    int before(int position) const
    {
        int total = 0;
        for (std::size_t k = std::size_t(position); k > 0; k -= k & (~k + 1))
            total += m_tree[k];
        return total;
    }
    std::vector<int> m_tree;
};

// The order of an exchange sort of ranks (for each i, for each j > i: swap i
// and j when rank j < rank i), as positions into the original list, without
// its quadratic number of swaps.
//
// The result holds the ranks in ascending order; only the order within a
// rank needs working out. Restricted to the entries of rank r and below, the
// sort behaves as it does on that subsequence alone, and there an entry of
// rank r moves only when a pass starts at it: it lands where the first lower
// entry after it was. That is a queue: scanning the subsequence, an entry of
// rank r joins the back, and each lower entry sends the front to the back.
// The final queue, front first, is the rank's order. The lower entries between
// two of rank r are counted, so each rank costs its own size (and the queue's
// insertions), not the whole list's.
inline std::vector<int> exchangeOrder(const std::vector<int>& ranks)
{
    const int n = int(ranks.size());
    const int rankCount = n == 0 ? 0 : *std::max_element(ranks.begin(), ranks.end()) + 1;
    std::vector<std::vector<int>> positionsOf(static_cast<std::size_t>(rankCount));
    for (int k = 0; k < n; ++k)
        positionsOf[std::size_t(ranks[std::size_t(k)])].push_back(k);

    PositionCounter lower(n);
    std::vector<int> order;
    order.reserve(std::size_t(n));
    std::vector<int> queue; // cyclic; its front at head
    for (const std::vector<int>& positions : positionsOf) {
        queue.clear();
        std::size_t head = 0;
        int from = 0;
        const auto passLowerUpTo = [&](int to) {
            if (!queue.empty())
                head = (head + std::size_t(lower.count(from, to))) % queue.size();
        };
        for (int position : positions) {
            passLowerUpTo(position);
            queue.insert(queue.begin() + std::ptrdiff_t(head), position);
            ++head;
            from = position + 1;
        }
        passLowerUpTo(n);
        for (std::size_t k = 0; k < queue.size(); ++k)
            order.push_back(queue[(head + k) % queue.size()]);
        for (int position : positions)
            lower.mark(position);
    }
    return order;
}

// Sorts records by the pinyin initials of their names (nameOf: a member
// pointer such as &RegionInfo::name, or a callable), with the order of an
// exchange sort (for each i, for each j > i: swap i and j when key j < key i).
// Callers rely on that exchange order, equal keys included, which no standard
// sort reproduces: equal keys never swap, yet they end up reordered.
//
// Each key is computed once and replaced by its rank among the distinct keys;
// the records are copied once at the end.
template <typename T, typename NameOf>
void sortByPinyinInitials(QList<T>& records, NameOf nameOf)
{
    const int n = records.size();
    if (n < 2)
        return;

    std::vector<QString> keys;
    keys.reserve(std::size_t(n));
    for (const T& record : records)
        keys.push_back(rememberedPinyinSortKey(std::invoke(nameOf, record)));

    std::vector<QString> distinct = keys;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());

    std::vector<int> ranks(static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < ranks.size(); ++k)
        ranks[k] =
            int(std::lower_bound(distinct.begin(), distinct.end(), keys[k]) - distinct.begin());

    QList<T> sorted;
    sorted.reserve(n);
    for (int k : exchangeOrder(ranks))
        sorted.append(records.at(k));
    records.swap(sorted);
}

} // namespace DATACore

#endif // PINYINSORT_P_H
