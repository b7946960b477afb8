// Value records the data layer hands to the application, and its enumerations.
//
// Every record is a plain aggregate: texts are QString, numbers 32-bit int, and
// a default-constructed record has empty texts and every number 0. How the
// cache tells two records of one kind apart (their key) is documented on
// UserDataCache::updateInfoNode.
#ifndef ORSARECORDS_H
#define ORSARECORDS_H

#include <QtCore/QDateTime>
#include <QtCore/QString>

// An account; key: userName.
struct AccountInfo {
    QString userName;
    QString password; ///< empty in records built after an add
    QString phone;
    QString mail;
    QString roleGuid;
};

// A role; key: guid.
struct RoleInfo {
    QString guid;
    QString name;
    QString describe;
};

// One permission held by a role; key: guid and roleGuid.
// A permission is granted when its value is the text "true".
struct RolePermissionInfo {
    QString guid;
    QString roleGuid;
    QString type;
    QString value;
};

// A region (area) of the region tree; key: guid.
struct RegionInfo {
    QString guid;
    QString parentGuid;
    QString name;
    int level = 0;
    QString describe;
};

// One channel of a device; key: channelGuid.
struct DeviceChancelInfo {
    QString channelGuid;
    QString channelName;
    QString devGuid;
    int channelNo = 0;
};

// A channel filed in a region under a name of its own;
// key: regionGuid and channelInfo.channelGuid.
struct RegionChannelInfo {
    QString regionGuid;
    DeviceChancelInfo channelInfo;
};

// A device; key: guid. The member names from devName on are also the names of
// the result-object properties that the device operations use.
struct UDeviceInfo {
    QString guid;
    QString devName;
    QString devNO;
    QString devUser;
    QString devPassword;
    QString devIP;
    int devPort = 0;
    int devChannelNum = 0;
    int devExtra = 0;
    int devVender = 0;
    int devType = 0;
    int devBonline = 0;
};

// A view (saved screen layout); key: guid.
struct UViewInfo {
    QString guid;
    QString name;
    int divide = 0;
};

// A channel placed in a pane of a view; key: viewGuid and channelInfo.channelGuid.
struct UViewChannelInfo {
    QString viewGuid;
    DeviceChancelInfo channelInfo;
    int position = 0;
};

// A server of the system; key: guid. type holds a SERVERTYPE value.
struct UServerInfo {
    QString guid;
    QString name;
    QString ip;
    QString user;
    QString password;
    int port = 0;
    int type = 0;
};

// A region whose video a role may watch; key: both members.
struct RoleRegionInfo {
    QString roleGuid;
    QString regionGuid;
};

// A region whose alarms a role receives; key: both members.
struct RegionAlarmInfo {
    QString roleGuid;
    QString regionGuid;
};

// A pair of texts kept in the cache's user-view list; key: both members.
struct UserViewInfo {
    QString userGuid;
    QString viewGuid;
};

// Everything needed to play one channel.
struct AllPlayViewInfo {
    UViewChannelInfo viewChInfo;
    UDeviceInfo devInfo;
};

// Server kinds. Values the server delivers pass through unchanged; the data
// layer interprets only the alarm server.
enum SERVERTYPE : int {
    SERVER_TYPE_ALARM = 4,
};

// The kind of a request, carried by the receiver's signals and the operator records.
enum OPERATORTYPE {
    OPERATOR_NONE = 0,
    OPERATOR_ADD_ACCOUNT = 1,
    OPERATOR_ADD_ROLE = 2,
    OPERATOR_ADD_DEVICE = 3,
    OPERATOR_ADD_REGION = 4,
    OPERATOR_ADD_REGION_CHANNEL = 5,
    OPERATOR_ADD_VIEW = 6,
    OPERATOR_ADD_VIEW_CHANNEL = 7,
    OPERATOR_DEL_ACCOUNT = 8,
    OPERATOR_DEL_ROLE = 9,
    OPERATOR_DEL_DEVICE = 10,
    OPERATOR_DEL_REGION = 11,
    OPERATOR_DEL_REGION_CHANNEL = 12,
    OPERATOR_DEL_VIEW = 13,
    OPERATOR_DEL_VIEW_CHANNEL = 14,
    OPERATOR_EDIT_ACCOUNT = 15,
    OPERATOR_EDIT_ROLE = 16,
    OPERATOR_EDIT_DEVICE = 17,
    OPERATOR_EDIT_REGION = 18,
    OPERATOR_EDIT_REGION_CHANNEL = 19,
    OPERATOR_EDIT_VIEW = 20,
    OPERATOR_EDIT_VIEW_CHANNEL = 21,
    OPERATOR_GET_ACCOUNT = 22,
    OPERATOR_GET_DEVICE = 23,
    OPERATOR_GET_DEVICE_CHANNEL = 24,
    OPERATOR_GET_ROLE = 25,
    OPERATOR_GET_VIEW = 26,
    OPERATOR_GET_VIEW_CHANNEL = 27,
    OPERATOR_GET_REGION = 28,
    OPERATOR_GET_REGION_CHANNEL = 29,
};

// The parameters of a region channel operation.
struct RegionChannelParam {
    QString regionGuid;
    QString channelGuid;
    QString name;
};

// One entry of the receiver's journal of region operations.
struct RegionInfoOPeratorRecord {
    int operatorType = 0; ///< an OPERATORTYPE value
    int sid = 0;
    int result = 0;
    RegionInfo regionInfo;
    RegionChannelParam channelParam;
    RegionChannelInfo regionChannelInfo;
    QDateTime startTime;
    QDateTime endTime;
};

// One entry of the receiver's journal of view operations.
struct ViewInfoOPeratorRecord {
    int operatorType = 0; ///< an OPERATORTYPE value
    int sid = 0;
    int result = 0;
    UViewInfo viewInfo;
    UViewChannelInfo viewChannelInfo;
    UViewInfo viewParam;
    QDateTime startTime;
    QDateTime endTime;
};

// The event that carries one SDK answer to the receiver (defined privately).
class IAccountCallBackEvent;

#endif // ORSARECORDS_H
