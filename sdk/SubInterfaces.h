// The nine request faces of a hub: each call becomes one request of the op table.
#ifndef ORSA_SDK_SUBINTERFACES_H
#define ORSA_SDK_SUBINTERFACES_H

#include "BizOrsaClientLib.h"

namespace orsa {

class Hub;

class AccountApi final : public IBizOrsaAccount
{
public:
    explicit AccountApi(Hub& hub) : m_hub(hub) {}
    int AddAccount(const char* userName, const char* phone, const char* mail, const char* password,
                   const char* roleGuid) override;
    int EditAccount(const char* userName, const char* phone, const char* mail, const char* password,
                    const char* roleGuid) override;
    int DeleteAccount(const char* userName) override;
    int QueryAccount(const char* userName) override;
    int Login(const char* userName, const char* password) override;
    int Logout() override;

private:
    Hub& m_hub;
};

class DeviceApi final : public IBizOrsaDevice
{
public:
    explicit DeviceApi(Hub& hub) : m_hub(hub) {}
    int AddDevice(const char* devName, const char* devNO, const char* devUser,
                  const char* devPassword, const char* devIP, int devPort, int devChannelNum,
                  int devVender, int devType) override;
    int Reserved() override;
    int EditDevice(const char* guid, const char* devName, const char* devUser,
                   const char* devPassword, const char* devIP, int devPort) override;
    int DeleteDevice(const char* guid) override;
    int QueryDevice(const char* guid) override;
    int QueryDeviceChannel(const char* devGuid) override;

private:
    Hub& m_hub;
};

class ViewApi final : public IBizOrsaView
{
public:
    explicit ViewApi(Hub& hub) : m_hub(hub) {}
    int AddView(const char* name, int divide) override;
    int EditView(const char* guid, const char* name, int divide) override;
    int DeleteView(const char* guid) override;
    int QueryView(const char* guid) override;
    int AddViewChannel(const char* viewGuid, const char* channelGuid, int position) override;
    int EditViewChannel(const char* viewGuid, const char* channelGuid, int position) override;
    int DeleteViewChannel(const char* viewGuid, const char* channelGuid) override;
    int QueryViewChannel(const char* viewGuid) override;

private:
    Hub& m_hub;
};

class RegionApi final : public IBizOrsaRegion
{
public:
    explicit RegionApi(Hub& hub) : m_hub(hub) {}
    int AddRegion(const char* name, const char* parentGuid, int level,
                  const char* describe) override;
    int EditRegion(const char* guid, const char* name, const char* describe) override;
    int DeleteRegion(const char* guid) override;
    int QueryRegion(const char* guid) override;
    int AddRegionChannel(const char* regionGuid, const char* channelGuid,
                         const char* channelName) override;
    int EditRegionChannel(const char* regionGuid, const char* channelGuid,
                          const char* channelName) override;
    int DeleteRegionChannel(const char* regionGuid, const char* channelGuid) override;
    int QueryRegionChannel(const char* regionGuid) override;

private:
    Hub& m_hub;
};

class RoleApi final : public IBizOrsaRole
{
public:
    explicit RoleApi(Hub& hub) : m_hub(hub) {}
    int AddRole(const char* name, const char* describe) override;
    int EditRole(const char* guid, const char* name, const char* describe) override;
    int DeleteRole(const char* guid) override;
    int QueryRole(const char* guid) override;

private:
    Hub& m_hub;
};

class ServerApi final : public IBizOrsaServer
{
public:
    explicit ServerApi(Hub& hub) : m_hub(hub) {}
    int AddServer(const char* name, const char* user, const char* password, const char* ip,
                  int port, int type) override;
    int EditServer(const char* guid, const char* name, const char* user, const char* password,
                   const char* ip, int port) override;
    int DeleteServer(const char* guid) override;
    int QueryServer(const char* guid) override;

private:
    Hub& m_hub;
};

class RolePermissionApi final : public IBizOrsaRolePermission
{
public:
    explicit RolePermissionApi(Hub& hub) : m_hub(hub) {}
    int AddRolePermission(const char* roleGuid, const char* type, const char* value) override;
    int DeleteRolePermission(const char* guid) override;
    int QueryRolePermission(const char* guid) override;

private:
    Hub& m_hub;
};

class VideoRegionApi final : public IBizOrsaVideoRegion
{
public:
    explicit VideoRegionApi(Hub& hub) : m_hub(hub) {}
    int AddVideoRegion(const char* roleGuid, const char* regionGuid) override;
    int DeleteVideoRegion(const char* roleGuid, const char* regionGuid) override;
    int QueryVideoRegion(const char* roleGuid) override;

private:
    Hub& m_hub;
};

class AlarmRegionApi final : public IBizOrsaAlarmRegion
{
public:
    explicit AlarmRegionApi(Hub& hub) : m_hub(hub) {}
    int AddAlarmRegion(const char* roleGuid, const char* regionGuid) override;
    int DeleteAlarmRegion(const char* roleGuid, const char* regionGuid) override;
    int QueryAlarmRegion(const char* roleGuid) override;

private:
    Hub& m_hub;
};

} // namespace orsa

#endif // ORSA_SDK_SUBINTERFACES_H
