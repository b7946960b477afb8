// One cached list with a hash index from each key to its position, and from
// each value of a grouped field to the positions that hold it.
#ifndef KEYEDINDEX_P_H
#define KEYEDINDEX_P_H

#include "recordkeys_p.h"

#include <QtCore/QHash>
#include <QtCore/QList>

#include <algorithm>
#include <type_traits>

namespace DATACore {

// The list itself stays the cache's, and the application may change it
// through the live accessor. So the index holds a shallow copy of the list as
// it was when the index last described it: QList shares its data until one
// side changes, and any change from outside detaches the list from that copy.
// The index counts as valid only while the two still share their data, and is
// rebuilt on its next use otherwise. The cache's own changes drop the copy
// first, so they are made in place, and take it again afterwards.
template <typename T>
class KeyedIndex
{
public:
    using Traits = RecordKey<T>;
    using Key = typename Traits::Type;

    explicit KeyedIndex(QList<T>& list) : m_list(list), m_fields(Traits::grouped())
    {
        m_groups.resize(m_fields.size());
    }

    // After the whole list was replaced: frees the copy of the old one.
    void reset()
    {
        m_snapshot = QList<T>();
        m_positions.clear();
        for (auto& group : m_groups)
            group.clear();
        m_built = false;
    }

    // The cache's update rule: add and edit overwrite the first record with
    // the same key in place, or append; delete removes the first record with
    // the same key; any other op does nothing.
    void apply(const T& record, int op)
    {
        if (op != CacheAdd && op != CacheEdit && op != CacheDelete)
            return;
        validate();
        m_snapshot = QList<T>(); // the list's data is now the list's alone: no copy below
        const Key key = Traits::of(record);
        const int at = m_positions.value(key, -1);
        if (op == CacheDelete) {
            if (at >= 0)
                removeAt(at, key);
        } else if (at >= 0) {
            overwrite(at, record);
        } else {
            append(key, record);
        }
        m_snapshot = m_list;
    }

    // The records whose field equals value, in list order.
    QList<T> where(TextField<T> field, const QString& value)
    {
        validate();
        QList<T> found;
        if (field == Traits::field && uniqueKeys()) {
            const int at = position(value);
            if (at >= 0)
                found.append(list().at(at));
        } else if (const QVector<int>* group = groupOf(field, value)) {
            for (int at : *group)
                found.append(list().at(at));
        } else if (field == Traits::field || indexOf(field) < 0) {
            for (const T& record : list()) {
                if (record.*field == value)
                    found.append(record);
            }
        }
        return found;
    }

    // The first record whose field equals value, or a default record.
    T first(TextField<T> field, const QString& value)
    {
        validate();
        int at = -1;
        if (field == Traits::field) {
            at = position(value);
        } else if (indexOf(field) >= 0) {
            const QVector<int>* group = groupOf(field, value);
            at = group ? group->first() : -1;
        } else {
            const auto found = std::find_if(list().cbegin(), list().cend(), [&](const T& record) {
                return record.*field == value;
            });
            return found == list().cend() ? T() : *found;
        }
        return at >= 0 ? list().at(at) : T();
    }

private:
    const QList<T>& list() const { return m_list; }

    // The position of the first record keyed value, for kinds keyed by one text.
    int position(const QString& value) const
    {
        if constexpr (std::is_same_v<Key, QString>)
            return m_positions.value(value, -1);
        else
            return -1;
    }

    bool uniqueKeys() const { return m_positions.size() == m_list.size(); }

    int indexOf(TextField<T> field) const { return m_fields.indexOf(field); }

    const QVector<int>* groupOf(TextField<T> field, const QString& value) const
    {
        const int i = indexOf(field);
        if (i < 0)
            return nullptr;
        const auto found = m_groups.at(i).constFind(value);
        return found == m_groups.at(i).cend() ? nullptr : &found.value();
    }

    void validate()
    {
        if (m_built && m_list.isSharedWith(m_snapshot))
            return;
        reset();
        for (int at = 0; at < list().size(); ++at) {
            const T& record = list().at(at);
            m_positions.insert(Traits::of(record), at); // keeps the first on a repeated key
            for (int i = 0; i < m_fields.size(); ++i)
                m_groups[i][record.*m_fields.at(i)].append(at);
        }
        // QHash::insert overwrote repeated keys with later positions.
        if (!uniqueKeys()) {
            for (int at = list().size() - 1; at >= 0; --at)
                m_positions.insert(Traits::of(list().at(at)), at);
        }
        m_snapshot = m_list;
        m_built = true;
    }

    void append(const Key& key, const T& record)
    {
        const int at = m_list.size();
        m_list.append(record);
        m_positions.insert(key, at);
        for (int i = 0; i < m_fields.size(); ++i)
            m_groups[i][record.*m_fields.at(i)].append(at);
    }

    void overwrite(int at, const T& record)
    {
        for (int i = 0; i < m_fields.size(); ++i) {
            const TextField<T> field = m_fields.at(i);
            if (list().at(at).*field == record.*field)
                continue;
            leaveGroup(i, list().at(at).*field, at);
            QVector<int>& group = m_groups[i][record.*field];
            group.insert(std::lower_bound(group.begin(), group.end(), at), at);
        }
        m_list[at] = record;
    }

    void leaveGroup(int i, const QString& value, int at)
    {
        const auto found = m_groups[i].find(value);
        QVector<int>& group = found.value();
        group.erase(std::lower_bound(group.begin(), group.end(), at));
        if (group.isEmpty())
            m_groups[i].erase(found);
    }

    // Every later position moves down by one; a later record with the same
    // key becomes the first.
    void removeAt(int at, const Key& key)
    {
        const bool repeated = !uniqueKeys();
        for (int i = 0; i < m_fields.size(); ++i)
            leaveGroup(i, list().at(at).*m_fields.at(i), at);
        m_list.removeAt(at);
        m_positions.remove(key);
        for (auto it = m_positions.begin(); it != m_positions.end(); ++it) {
            if (it.value() > at)
                --it.value();
        }
        for (auto& groups : m_groups) {
            for (QVector<int>& group : groups) {
                for (auto p = std::upper_bound(group.begin(), group.end(), at); p != group.end();
                     ++p)
                    --*p;
            }
        }
        if (!repeated)
            return;
        for (int next = at; next < list().size(); ++next) {
            if (Traits::of(list().at(next)) == key) {
                m_positions.insert(key, next);
                return;
            }
        }
    }

    QList<T>& m_list;
    QList<T> m_snapshot; // shares the list's data while the index describes it
    bool m_built = false;
    QHash<Key, int> m_positions; // key -> position of its first record
    QVector<TextField<T>> m_fields;
    QVector<QHash<QString, QVector<int>>> m_groups; // per grouped field: value -> positions
};

} // namespace DATACore

#endif // KEYEDINDEX_P_H
