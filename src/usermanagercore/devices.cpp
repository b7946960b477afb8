// Devices. Their attributes are parked on the result object's properties for
// applications that read them during the wait; the records are built from the
// arguments themselves, which no other answer can overwrite.
#include "cascade_p.h"
#include "request_p.h"

#include "BizOrsaClientLib.h"

namespace DATACore {
namespace {

// The attributes an add and an edit both send.
void setSent(UDeviceInfo& device, const QString& name, const QString& number, const QString& user,
             const QString& password, const QString& ip, int port)
{
    device.devName = name;
    device.devNO = number;
    device.devUser = user;
    device.devPassword = password;
    device.devIP = ip;
    device.devPort = port;
}

} // namespace

bool UserManagerCore::AddDevice(const QString& name, const QString& number, const QString& user,
                                const QString& password, const QString& ip, int port,
                                int channelNum, int vendor, int type, int online)
{
    setResultProperties({{"devName", name},
                         {"devNO", number},
                         {"devUser", user},
                         {"devPassword", password},
                         {"devIP", ip},
                         {"devPort", port},
                         {"devChannelNum", channelNum},
                         {"devVender", vendor},
                         {"devType", type},
                         {"devBonline", online}});
    if (!Request::run(ORSA_HERE,
                      ParamLog("add device param_dev_name:", name)
                          .arg(" param_dev_NO:", number)
                          .arg(" param_dev_account:", user)
                          .secret(" param_dev_password:", password)
                          .arg(" param_dev_Ip:", ip)
                          .arg(" param_port:", port)
                          .arg(" param_ChannelNum:", channelNum)
                          .arg(" param_DeviceVender:", vendor)
                          .arg(" param_DeviceType", type)
                          .value(online),
                      [&] {
                          return sdkCall(m_device, &IBizOrsaDevice::AddDevice, name, number, user,
                                         password, ip, port, channelNum, vendor, type);
                      }))
        return false;
    UDeviceInfo device;
    device.guid = Request::resultGuid();
    setSent(device, name, number, user, password, ip, port);
    device.devChannelNum = channelNum;
    device.devVender = vendor;
    device.devType = type;
    device.devBonline = online;
    updateCache(device, CacheAdd);
    emit signalAddDevice(device);
    return true;
}

bool UserManagerCore::EditDevice(const QString& guid, const QString& number, const QString& name,
                                 const QString& user, const QString& password, const QString& ip,
                                 int port)
{
    setResultProperties({{"devName", name},
                         {"devUser", user},
                         {"devPassword", password},
                         {"devIP", ip},
                         {"devPort", port},
                         {"guid", guid},
                         {"devNO", number}});
    if (!Request::run(ORSA_HERE,
                      ParamLog("edit device param_dev_guid:", guid)
                          .arg(" param_name:", name)
                          .arg(" param_account:", user)
                          .secret(" param_password:", password)
                          .arg(" param_IP:", ip)
                          .arg(" port:", port),
                      [&] {
                          return sdkCall(m_device, &IBizOrsaDevice::EditDevice, guid, name, user,
                                         password, ip, port);
                      }))
        return false;
    // The edit sends neither the channel count nor the codes: they come from
    // the cached device. An uncached device could only be completed with
    // invented values, so nothing is stored then.
    const QList<UDeviceInfo> cached = GetDevice(guid);
    if (cached.isEmpty())
        return true;
    UDeviceInfo device = cached.first();
    setSent(device, name, number, user, password, ip, port);
    updateCache(device, CacheEdit);
    emit signalEditDevice(device);
    return true;
}

bool UserManagerCore::DeleteDevice(const QString& guid)
{
    // An empty guid would select every cached channel for the cascade.
    if (guid.isEmpty())
        return false;
    setResultProperties({{"guid", guid}});
    ParamLog("delete device param_guid:", guid).write(ORSA_HERE);
    // The device's channels leave every region and view first, whatever that gives.
    for (const DeviceChancelInfo& channel : getDevChannelInfo(guid)) {
        deleteRegionChannel(channel.channelGuid);
        deleteViewChannel(channel.channelGuid);
    }
    if (!Request::run(ORSA_HERE,
                      [&] { return sdkCall(m_device, &IBizOrsaDevice::DeleteDevice, guid); }))
        return false;
    UDeviceInfo device;
    device.guid = guid;
    updateCache(device, CacheDelete);
    dropDependents(*this, Deleted::Device, guid);
    emit signalDeleteDevice(guid);
    return true;
}

} // namespace DATACore
