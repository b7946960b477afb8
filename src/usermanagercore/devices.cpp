// Devices. Their attributes travel through the result object's properties,
// which applications read during the wait.
#include "request_p.h"

#include "BizOrsaClientLib.h"

namespace DATACore {
namespace {

QVariant resultProperty(const char* name)
{
    return UserDataCache::instance()->dataObj().property(name);
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
    device.guid = resultProperty("guid").toString();
    device.devName = resultProperty("devName").toString();
    device.devNO = resultProperty("devNO").toString();
    device.devUser = resultProperty("devUser").toString();
    device.devPassword = resultProperty("devPassword").toString();
    device.devIP = resultProperty("devIP").toString();
    device.devPort = resultProperty("devPort").toInt();
    device.devChannelNum = resultProperty("devChannelNum").toInt();
    device.devVender = resultProperty("devVender").toInt();
    device.devType = resultProperty("devType").toInt();
    device.devBonline = resultProperty("devBonline").toInt();
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
    device.devUser = resultProperty("devUser").toString();
    device.guid = resultProperty("guid").toString();
    device.devIP = resultProperty("devIP").toString();
    device.devName = resultProperty("devName").toString();
    device.devPassword = resultProperty("devPassword").toString();
    device.devPort = resultProperty("devPort").toInt();
    device.devNO = resultProperty("devNO").toString();
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
    emit signalDeleteDevice(guid);
    return true;
}

} // namespace DATACore
