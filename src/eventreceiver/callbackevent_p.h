// The event that carries one SDK answer from an SDK thread to the receiver.
#ifndef CALLBACKEVENT_P_H
#define CALLBACKEVENT_P_H

#include "orsarecords.h"

#include <QtCore/QEvent>
#include <QtCore/QList>

// Event types, QEvent::User + 15 to + 61: add, delete, edit, fetch within each
// kind of object.
enum CallbackEventType : int {
    EvAccountAdd = QEvent::User + 15,
    EvAccountDelete,
    EvAccountEdit,
    EvAccountGet,
    EvAccountLogin,
    EvAccountLogout,
    EvDeviceAdd, // 1021
    EvDeviceDelete,
    EvDeviceEdit,
    EvDeviceGet,
    EvDeviceChannelGet,
    EvViewAdd, // 1026
    EvViewDelete,
    EvViewEdit,
    EvViewGet,
    EvViewChannelAdd,
    EvViewChannelDelete,
    EvViewChannelEdit,
    EvViewChannelGet,
    EvRegionAdd, // 1034
    EvRegionDelete,
    EvRegionEdit,
    EvRegionGet,
    EvRegionChannelAdd,
    EvRegionChannelDelete,
    EvRegionChannelEdit,
    EvRegionChannelGet,
    EvRoleAdd, // 1042
    EvRoleDelete,
    EvRoleEdit,
    EvRoleGet,
    EvVideoRegionAdd, // 1046
    EvVideoRegionDelete,
    EvVideoRegionGet,
    EvAlarmRegionAdd, // 1049
    EvAlarmRegionDelete,
    EvAlarmRegionGet,
    EvServerAdd, // 1052
    EvServerDelete,
    EvServerEdit,
    EvServerGet,
    EvRolePermissionAdd, // 1056
    EvRolePermissionDelete,
    EvRolePermissionGet,
    EvReserved1059,
    EvReserved1060,
    EvUserViewGet, // 1061: no callback sends it
    EvFirst = EvAccountAdd,
    EvLast = EvUserViewGet,
};
static_assert(EvDeviceAdd == 1021 && EvViewAdd == 1026 && EvRegionAdd == 1034 &&
                  EvRoleAdd == 1042 && EvServerAdd == 1052 && EvRolePermissionAdd == 1056 &&
                  EvUserViewGet == 1061,
              "callback event numbering");

// One class for every callback: a given event fills only what its type needs.
// Kept inline so that the vtable lives wherever the class is used.
class IAccountCallBackEvent : public QEvent
{
public:
    explicit IAccountCallBackEvent(QEvent::Type type) : QEvent(type) {}
    // A matched answer is kept for its request as a copy; the lists are shared.
    IAccountCallBackEvent(const IAccountCallBackEvent&) = default;
    ~IAccountCallBackEvent() override = default;

    int sid = -1;
    int result = -1;
    QString guid;
    QList<AccountInfo> accounts;
    QList<UDeviceInfo> devices;
    QList<DeviceChancelInfo> deviceChannels;
    QList<UViewInfo> views;
    QList<UViewChannelInfo> viewChannels;
    QList<RegionInfo> regions;
    QList<RegionChannelInfo> regionChannels;
    QList<RoleInfo> roles;
    QList<RoleRegionInfo> roleRegions;
    QList<RegionAlarmInfo> regionAlarms;
    QList<UserViewInfo> userViews;
    QList<UServerInfo> servers;
    QList<RolePermissionInfo> rolePermissions;
    UDeviceInfo device;
    UViewInfo view;
    UViewChannelInfo viewChannel;
    RegionInfo region;
    RegionChannelInfo regionChannel;
    RoleInfo role;
    UServerInfo server;
};

#endif // CALLBACKEVENT_P_H
