// The indexes of the cache's lists, and the library's queries through them.
#ifndef CACHEINDEXES_P_H
#define CACHEINDEXES_P_H

#include "keyedindex_p.h"
#include "userdatacache.h"

#include <tuple>

namespace DATACore {

class CacheIndexes
{
public:
    explicit CacheIndexes(UserDataCache& cache);

    static CacheIndexes& of(UserDataCache& cache) { return *cache.m_indexes; }

    template <typename T>
    KeyedIndex<T>& get()
    {
        return std::get<KeyedIndex<T>>(m_indexes);
    }

private:
    std::tuple<KeyedIndex<AccountInfo>, KeyedIndex<UDeviceInfo>, KeyedIndex<DeviceChancelInfo>,
               KeyedIndex<UViewInfo>, KeyedIndex<UViewChannelInfo>, KeyedIndex<RegionInfo>,
               KeyedIndex<RegionChannelInfo>, KeyedIndex<RoleInfo>, KeyedIndex<RoleRegionInfo>,
               KeyedIndex<RegionAlarmInfo>, KeyedIndex<UServerInfo>, KeyedIndex<RolePermissionInfo>,
               KeyedIndex<UserViewInfo>>
        m_indexes;
};

template <typename T>
KeyedIndex<T>& cacheIndex()
{
    return CacheIndexes::of(*UserDataCache::instance()).get<T>();
}

// The cached records of a kind whose field equals value, in cache order.
template <typename T>
QList<T> cachedWhere(TextField<T> field, const QString& value)
{
    return cacheIndex<T>().where(field, value);
}

// As cachedWhere, but an empty value selects every record.
template <typename T>
QList<T> cachedWhereOrAll(const QList<T>& all, TextField<T> field, const QString& value)
{
    return value.isEmpty() ? all : cachedWhere(field, value);
}

// The first cached record of a kind whose field equals value, or a default record.
template <typename T>
T cachedFirst(TextField<T> field, const QString& value)
{
    return cacheIndex<T>().first(field, value);
}

} // namespace DATACore

#endif // CACHEINDEXES_P_H
