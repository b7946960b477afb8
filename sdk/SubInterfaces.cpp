#include "SubInterfaces.h"

#include "BizOrsaResultCodes.h"
#include "Hub.h"

namespace orsa {

int AccountApi::AddAccount(const char* userName, const char* phone, const char* mail,
                           const char* password, const char* roleGuid)
{
    return m_hub.request(Op::AddAccount, {userName, phone, mail, password, roleGuid});
}
int AccountApi::EditAccount(const char* userName, const char* phone, const char* mail,
                            const char* password, const char* roleGuid)
{
    return m_hub.request(Op::EditAccount, {userName, phone, mail, password, roleGuid});
}
int AccountApi::DeleteAccount(const char* userName)
{
    return m_hub.request(Op::DeleteAccount, {userName});
}
int AccountApi::QueryAccount(const char* userName)
{
    return m_hub.request(Op::QueryAccount, {userName});
}
int AccountApi::Login(const char* userName, const char* password)
{
    return m_hub.request(Op::Login, {userName, password});
}
int AccountApi::Logout()
{
    return m_hub.request(Op::Logout, {});
}

int DeviceApi::AddDevice(const char* devName, const char* devNO, const char* devUser,
                         const char* devPassword, const char* devIP, int devPort, int devChannelNum,
                         int devVender, int devType)
{
    return m_hub.request(Op::AddDevice, {devName, devNO, devUser, devPassword, devIP, devPort,
                                         devChannelNum, devVender, devType});
}
// The slot has no operation behind it.
int DeviceApi::Reserved()
{
    return BIZORSA_REFUSED;
}
int DeviceApi::EditDevice(const char* guid, const char* devName, const char* devUser,
                          const char* devPassword, const char* devIP, int devPort)
{
    return m_hub.request(Op::EditDevice, {guid, devName, devUser, devPassword, devIP, devPort});
}
int DeviceApi::DeleteDevice(const char* guid)
{
    return m_hub.request(Op::DeleteDevice, {guid});
}
int DeviceApi::QueryDevice(const char* guid)
{
    return m_hub.request(Op::QueryDevice, {guid});
}
int DeviceApi::QueryDeviceChannel(const char* devGuid)
{
    return m_hub.request(Op::QueryDeviceChannel, {devGuid});
}

int ViewApi::AddView(const char* name, int divide)
{
    return m_hub.request(Op::AddView, {name, divide});
}
int ViewApi::EditView(const char* guid, const char* name, int divide)
{
    return m_hub.request(Op::EditView, {guid, name, divide});
}
int ViewApi::DeleteView(const char* guid)
{
    return m_hub.request(Op::DeleteView, {guid});
}
int ViewApi::QueryView(const char* guid)
{
    return m_hub.request(Op::QueryView, {guid});
}
int ViewApi::AddViewChannel(const char* viewGuid, const char* channelGuid, int position)
{
    return m_hub.request(Op::AddViewChannel, {viewGuid, channelGuid, position});
}
int ViewApi::EditViewChannel(const char* viewGuid, const char* channelGuid, int position)
{
    return m_hub.request(Op::EditViewChannel, {viewGuid, channelGuid, position});
}
int ViewApi::DeleteViewChannel(const char* viewGuid, const char* channelGuid)
{
    return m_hub.request(Op::DeleteViewChannel, {viewGuid, channelGuid});
}
int ViewApi::QueryViewChannel(const char* viewGuid)
{
    return m_hub.request(Op::QueryViewChannel, {viewGuid});
}

int RegionApi::AddRegion(const char* name, const char* parentGuid, int level, const char* describe)
{
    return m_hub.request(Op::AddRegion, {name, parentGuid, level, describe});
}
int RegionApi::EditRegion(const char* guid, const char* name, const char* describe)
{
    return m_hub.request(Op::EditRegion, {guid, name, describe});
}
int RegionApi::DeleteRegion(const char* guid)
{
    return m_hub.request(Op::DeleteRegion, {guid});
}
int RegionApi::QueryRegion(const char* guid)
{
    return m_hub.request(Op::QueryRegion, {guid});
}
int RegionApi::AddRegionChannel(const char* regionGuid, const char* channelGuid,
                                const char* channelName)
{
    return m_hub.request(Op::AddRegionChannel, {regionGuid, channelGuid, channelName});
}
int RegionApi::EditRegionChannel(const char* regionGuid, const char* channelGuid,
                                 const char* channelName)
{
    return m_hub.request(Op::EditRegionChannel, {regionGuid, channelGuid, channelName});
}
int RegionApi::DeleteRegionChannel(const char* regionGuid, const char* channelGuid)
{
    return m_hub.request(Op::DeleteRegionChannel, {regionGuid, channelGuid});
}
int RegionApi::QueryRegionChannel(const char* regionGuid)
{
    return m_hub.request(Op::QueryRegionChannel, {regionGuid});
}

int RoleApi::AddRole(const char* name, const char* describe)
{
    return m_hub.request(Op::AddRole, {name, describe});
}
int RoleApi::EditRole(const char* guid, const char* name, const char* describe)
{
    return m_hub.request(Op::EditRole, {guid, name, describe});
}
int RoleApi::DeleteRole(const char* guid)
{
    return m_hub.request(Op::DeleteRole, {guid});
}
int RoleApi::QueryRole(const char* guid)
{
    return m_hub.request(Op::QueryRole, {guid});
}

int ServerApi::AddServer(const char* name, const char* user, const char* password, const char* ip,
                         int port, int type)
{
    return m_hub.request(Op::AddServer, {name, user, password, ip, port, type});
}
int ServerApi::EditServer(const char* guid, const char* name, const char* user,
                          const char* password, const char* ip, int port)
{
    return m_hub.request(Op::EditServer, {guid, name, user, password, ip, port});
}
int ServerApi::DeleteServer(const char* guid)
{
    return m_hub.request(Op::DeleteServer, {guid});
}
int ServerApi::QueryServer(const char* guid)
{
    return m_hub.request(Op::QueryServer, {guid});
}

int RolePermissionApi::AddRolePermission(const char* roleGuid, const char* type, const char* value)
{
    return m_hub.request(Op::AddRolePermission, {roleGuid, type, value});
}
int RolePermissionApi::DeleteRolePermission(const char* guid)
{
    return m_hub.request(Op::DeleteRolePermission, {guid});
}
int RolePermissionApi::QueryRolePermission(const char* guid)
{
    return m_hub.request(Op::QueryRolePermission, {guid});
}

int VideoRegionApi::AddVideoRegion(const char* roleGuid, const char* regionGuid)
{
    return m_hub.request(Op::AddVideoRegion, {roleGuid, regionGuid});
}
int VideoRegionApi::DeleteVideoRegion(const char* roleGuid, const char* regionGuid)
{
    return m_hub.request(Op::DeleteVideoRegion, {roleGuid, regionGuid});
}
int VideoRegionApi::QueryVideoRegion(const char* roleGuid)
{
    return m_hub.request(Op::QueryVideoRegion, {roleGuid});
}

int AlarmRegionApi::AddAlarmRegion(const char* roleGuid, const char* regionGuid)
{
    return m_hub.request(Op::AddAlarmRegion, {roleGuid, regionGuid});
}
int AlarmRegionApi::DeleteAlarmRegion(const char* roleGuid, const char* regionGuid)
{
    return m_hub.request(Op::DeleteAlarmRegion, {roleGuid, regionGuid});
}
int AlarmRegionApi::QueryAlarmRegion(const char* roleGuid)
{
    return m_hub.request(Op::QueryAlarmRegion, {roleGuid});
}

} // namespace orsa
