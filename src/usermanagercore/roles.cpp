// Roles, role permissions and a role's video and alarm regions.
#include "cascade_p.h"
#include "request_p.h"

#include "BizOrsaClientLib.h"

namespace DATACore {
namespace {

// A video or alarm grant: the same request shape for adding and removing.
template <typename Grant, typename Iface>
bool changeGrant(const LogSite& site, const char* logText, Iface* iface,
                 int (Iface::*op)(const char*, const char*), const QString& roleGuid,
                 const QString& regionGuid, int cacheOp)
{
    if (!Request::run(site, ParamLog(logText, roleGuid).arg(" param_region_guid:", regionGuid),
                      [&] { return sdkCall(iface, op, roleGuid, regionGuid); }))
        return false;
    updateCache(Grant{roleGuid, regionGuid}, cacheOp);
    return true;
}

} // namespace

bool UserManagerCore::AddOneRole(const QString& name, const QString& description)
{
    if (!Request::run(
            ORSA_HERE,
            ParamLog("add role param_role_name:", name).arg(" param_desrip:", description),
            [&] { return sdkCall(m_role, &IBizOrsaRole::AddRole, name, description); }))
        return false;
    const RoleInfo role{Request::resultGuid(), name, description};
    updateCache(role, CacheAdd);
    emit signalAddRole(role);
    return true;
}

bool UserManagerCore::EditOneRole(const QString& guid, const QString& name,
                                  const QString& description)
{
    if (!Request::run(
            ORSA_HERE,
            ParamLog("edit role param_guid:", guid)
                .arg(" param_role_name:", name)
                .arg(" param_desrip:", description),
            [&] { return sdkCall(m_role, &IBizOrsaRole::EditRole, guid, name, description); }))
        return false;
    const RoleInfo role{guid, name, description};
    updateCache(role, CacheEdit);
    emit signalEditRole(role);
    return true;
}

bool UserManagerCore::DeleteOneRole(const QString& guid)
{
    if (!Request::run(ORSA_HERE, ParamLog("delete role param_guid:", guid),
                      [&] { return sdkCall(m_role, &IBizOrsaRole::DeleteRole, guid); }))
        return false;
    // The server refuses to delete a role an account still names.
    updateCache(RoleInfo{guid, {}, {}}, CacheDelete);
    dropDependents(*this, Deleted::Role, guid);
    return true;
}

bool UserManagerCore::addRolePermission(const QString& roleGuid, const QString& type,
                                        const QString& value)
{
    ParamLog("add role permission param_role_guid:", roleGuid)
        .arg(" param_type:", type)
        .arg(" param_value:", value)
        .write(ORSA_HERE);
    // A role holds one permission per type: the new one replaces the old ones.
    deleteRolePermission(roleGuid, type);
    if (!Request::run(ORSA_HERE, [&] {
            return sdkCall(m_rolePermission, &IBizOrsaRolePermission::AddRolePermission, roleGuid,
                           type, value);
        }))
        return false;
    updateCache(RolePermissionInfo{Request::resultGuid(), roleGuid, type, value}, CacheAdd);
    return true;
}

bool UserManagerCore::deleteRolePermission(const RolePermissionInfo& permission)
{
    if (!Request::run(
            ORSA_HERE, ParamLog("delete role permission param_permission_guid:", permission.guid),
            [&] {
                return sdkCall(m_rolePermission, &IBizOrsaRolePermission::DeleteRolePermission,
                               permission.guid);
            }))
        return false;
    updateCache(permission, CacheDelete);
    return true;
}

void UserManagerCore::deleteRolePermission(const QString& roleGuid, const QString& type)
{
    const QList<RolePermissionInfo> snapshot = getRolePermission(QString());
    for (const RolePermissionInfo& permission : snapshot) {
        if (permission.roleGuid == roleGuid && permission.type == type)
            deleteRolePermission(permission);
    }
}

bool UserManagerCore::addRegionVideo(const QString& roleGuid, const QString& regionGuid)
{
    return changeGrant<RoleRegionInfo>(
        ORSA_HERE, "add Region Video param_role_guid:", m_videoRegion,
        &IBizOrsaVideoRegion::AddVideoRegion, roleGuid, regionGuid, CacheAdd);
}

bool UserManagerCore::deleteRegionVideo(const QString& roleGuid, const QString& regionGuid)
{
    return changeGrant<RoleRegionInfo>(
        ORSA_HERE, "delete Region Video param_role_guid:", m_videoRegion,
        &IBizOrsaVideoRegion::DeleteVideoRegion, roleGuid, regionGuid, CacheDelete);
}

bool UserManagerCore::addAlarmRegion(const QString& roleGuid, const QString& regionGuid)
{
    return changeGrant<RegionAlarmInfo>(
        ORSA_HERE, "add Region Alarm param_role_guid:", m_alarmRegion,
        &IBizOrsaAlarmRegion::AddAlarmRegion, roleGuid, regionGuid, CacheAdd);
}

bool UserManagerCore::deleteAlarmRegion(const QString& roleGuid, const QString& regionGuid)
{
    return changeGrant<RegionAlarmInfo>(
        ORSA_HERE, "delete Region Alarm param_role_guid:", m_alarmRegion,
        &IBizOrsaAlarmRegion::DeleteAlarmRegion, roleGuid, regionGuid, CacheDelete);
}

} // namespace DATACore
