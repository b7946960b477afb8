// Selections from a list of records, shared by the lookups and the fetches.
#ifndef SELECT_P_H
#define SELECT_P_H

#include "orsarecords.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <algorithm>
#include <functional>

namespace DATACore {

// The records whose field equals key, in list order.
template <typename T, typename Field, typename Key>
QList<T> selectWhere(const QList<T>& records, Field field, const Key& key)
{
    QList<T> selected;
    for (const T& record : records) {
        if (std::invoke(field, record) == key)
            selected.append(record);
    }
    return selected;
}

// As selectWhere, but an empty key selects every record.
template <typename T, typename Field>
QList<T> selectOrAll(const QList<T>& records, Field field, const QString& key)
{
    return key.isEmpty() ? records : selectWhere(records, field, key);
}

// The first record whose field equals key, or a default record.
template <typename T, typename Field, typename Key>
T firstWhere(const QList<T>& records, Field field, const Key& key)
{
    const auto found = std::find_if(records.cbegin(), records.cend(), [&](const T& record) {
        return std::invoke(field, record) == key;
    });
    return found == records.cend() ? T() : *found;
}

// Region channel entries carry their channel under the name it was filed with.
inline QList<DeviceChancelInfo> channelsOf(const QList<RegionChannelInfo>& entries)
{
    QList<DeviceChancelInfo> channels;
    channels.reserve(entries.size());
    for (const RegionChannelInfo& entry : entries)
        channels.append(entry.channelInfo);
    return channels;
}

} // namespace DATACore

#endif // SELECT_P_H
