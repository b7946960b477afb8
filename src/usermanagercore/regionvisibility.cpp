// The regions the logged-in user's role may watch.
#include "pinyinsort_p.h"
#include "userdatacache.h"
#include "usermanagercore.h"

#include <algorithm>

namespace DATACore {

QList<RegionInfo> UserManagerCore::GetOneRegion(const QString& guid)
{
    if (!isLoggedIn())
        return getOneRegionByCache(guid);

    // A role may be granted thousands of regions: each is found by its key.
    QList<RegionInfo> visible;
    for (const RoleRegionInfo& grant : getRegionVideo(userRole().guid)) {
        if (guid.isEmpty() || grant.regionGuid == guid)
            visible += getOneRegionByCache(grant.regionGuid);
    }
    sortByPinyinInitials(visible, &RegionInfo::name);
    return visible;
}

bool UserManagerCore::groupNameExists(const QString& name)
{
    const QList<RegionInfo> visible = GetOneRegion(QString());
    return std::any_of(visible.cbegin(), visible.cend(),
                       [&](const RegionInfo& region) { return region.name == name; });
}

bool UserManagerCore::isExistByAreaName(const QString& name)
{
    return groupNameExists(name);
}

QString UserManagerCore::getAreaUidByName(const QString& name)
{
    for (const RegionInfo& region : GetOneRegion(QString())) {
        if (region.name == name)
            return region.guid;
    }
    return QString();
}

} // namespace DATACore
