#include "recordconversion_p.h"

namespace DATACore {

AccountInfo fromSdk(const tabACCOUNT& r, TextDecoder d)
{
    return {fieldText(r.userName, d), fieldText(r.password, d), fieldText(r.phone, d),
            fieldText(r.mail, d), fieldText(r.roleGuid, d)};
}

RoleInfo fromSdk(const tabROLEINFO& r, TextDecoder d)
{
    return {fieldText(r.guid, d), fieldText(r.name, d), fieldText(r.describe, d)};
}

RolePermissionInfo fromSdk(const tabROLEPERMISSIONINFO& r, TextDecoder d)
{
    return {fieldText(r.guid, d), fieldText(r.roleGuid, d), fieldText(r.type, d),
            fieldText(r.value, d)};
}

RegionInfo fromSdk(const tabREGIONINFO& r, TextDecoder d)
{
    return {fieldText(r.guid, d), fieldText(r.parentGuid, d), fieldText(r.name, d), r.level,
            fieldText(r.describe, d)};
}

DeviceChancelInfo fromSdk(const tabCHANNELINFO& r, TextDecoder d)
{
    return {fieldText(r.channelGuid, d), fieldText(r.channelName, d), fieldText(r.devGuid, d),
            r.channelNo};
}

RegionChannelInfo fromSdk(const tabREGIONCHANNELINFO& r, TextDecoder d)
{
    return {fieldText(r.regionGuid, d), fromSdk(r.channelInfo, d)};
}

UDeviceInfo fromSdk(const tabDEVICEINFO& r, TextDecoder d)
{
    UDeviceInfo device;
    device.guid = fieldText(r.guid, d);
    device.devName = fieldText(r.devName, d);
    device.devNO = fieldText(r.devNO, d);
    device.devUser = fieldText(r.devUser, d);
    device.devPassword = fieldText(r.devPassword, d);
    device.devIP = fieldText(r.devIP, d);
    device.devPort = r.devPort;
    device.devChannelNum = r.devChannelNum;
    device.devExtra = r.devExtra;
    device.devVender = r.devVender;
    device.devType = r.devType;
    return device; // the SDK does not deliver devBonline
}

UViewInfo fromSdk(const tabVIEWINFO& r, TextDecoder d)
{
    return {fieldText(r.guid, d), fieldText(r.name, d), r.divide};
}

UViewChannelInfo fromSdk(const tabVIEWCHANNELINFO& r, TextDecoder d, TextDecoder decodeViewGuid)
{
    return {fieldText(r.viewGuid, decodeViewGuid), fromSdk(r.channelInfo, d), r.position};
}

UServerInfo fromSdk(const tabSERVERINFO& r, TextDecoder d)
{
    // The record's field order differs from UServerInfo's member order.
    UServerInfo server;
    server.guid = fieldText(r.guid, d);
    server.name = fieldText(r.name, d);
    server.ip = fieldText(r.ip, d);
    server.user = fieldText(r.user, d);
    server.password = fieldText(r.password, d);
    server.port = r.port;
    server.type = r.type;
    return server;
}

RoleRegionInfo fromSdk(const tabVIDEOREGIONINFO& r, TextDecoder d)
{
    return {fieldText(r.roleGuid, d), fieldText(r.regionGuid, d)};
}

RegionAlarmInfo fromSdk(const tabALARMREGIONINFO& r, TextDecoder d)
{
    return {fieldText(r.roleGuid, d), fieldText(r.regionGuid, d)};
}

} // namespace DATACore
