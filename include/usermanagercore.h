// The blocking facade of the data layer.
#ifndef USERMANAGERCORE_H
#define USERMANAGERCORE_H

#include "orsadatacenter_export.h"
#include "orsarecords.h"

#include <QtCore/QList>
#include <QtCore/QMap>
#include <QtCore/QMetaType>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

class IBizOrsaClient;
class IBizOrsaAccount;
class IBizOrsaDevice;
class IBizOrsaView;
class IBizOrsaRegion;
class IBizOrsaRole;
class IBizOrsaServer;
class IBizOrsaRolePermission;
class IBizOrsaVideoRegion;
class IBizOrsaAlarmRegion;

namespace DATACore {

class IAccountEvent;
class IDeviceEvent;
class IviewEvent;
class IRegionEvent;
class IRoleEvent;
class IServerEvent;
class IRolePermissionEvent;
class IRegionRoleEvent;
class IAlarmRoleEvent;

// How a request of the facade ended.
struct RequestOutcome {
    enum Status {
        NoRequest, // none made yet
        Refused,   // the SDK refused it at once: nothing was sent
        Answered,  // the server answered with resultCode
        TimedOut,  // no answer within 15 s
    };
    Status status = NoRequest;
    // The server's result code when answered (0 or more is success, the codes
    // of BizOrsaResultCodes.h otherwise); the SDK's request number when refused.
    int resultCode = 0;

    bool succeeded() const { return status == Answered && resultCode >= 0; }
};

// A change another session made on the server, as the library applied it to
// the cache (see UserManagerCore::signalRemoteChange).
struct RemoteChange {
    // The kind of the changed record, one flag per cached list.
    enum Kind : uint {
        Account = 0x1,        // AccountInfo
        Role = 0x2,           // RoleInfo
        RolePermission = 0x4, // RolePermissionInfo
        Region = 0x8,         // RegionInfo
        RegionChannel = 0x10, // RegionChannelInfo
        Device = 0x20,        // UDeviceInfo
        Channel = 0x40,       // DeviceChancelInfo, a device's channel
        View = 0x80,          // UViewInfo
        ViewChannel = 0x100,  // UViewChannelInfo
        Server = 0x200,       // UServerInfo
        VideoRegion = 0x400,  // RoleRegionInfo
        AlarmRegion = 0x800,  // RegionAlarmInfo
    };
    Q_DECLARE_FLAGS(Kinds, Kind)
    enum Operation { Added, Edited, Deleted };

    // Strictly increasing over the server's whole history of changes.
    qint64 revision = 0;
    Kind kind = Account;
    Operation operation = Added;
    // The record's key as the cache compares it (UserDataCache::updateInfoNode):
    // one text, or two in the order given there (a role permission: guid,
    // roleGuid; a region channel: regionGuid, channel guid; ...).
    QStringList key;
    // A delete the server made because another record, deleted in the same
    // change, took this one with it.
    bool cascaded = false;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(RemoteChange::Kinds)

// Everything the application does with the management server goes through
// this singleton, on the main thread.
//
// Every server operation is blocking: it sends one request through the SDK and
// runs a local event loop until the answer to that very request has been
// handled by EventReceiver::instance() or its own 15 s time-out has fired, then
// returns true only when the server confirmed the request. Answers are matched
// by request number: a late answer, or one to another request, neither ends
// the wait nor changes its outcome.
//
// While it waits, the loop dispatches every other event of the main thread. A
// slot that runs meanwhile may start another blocking operation: it waits for
// its own answer in a nested loop, and the outer operation resumes when the
// slot returns (at once, if its answer came in the meantime).
//
// Successful changes are mirrored into UserDataCache and announced by the
// signals below; failures change nothing. A confirmed delete also drops from
// the cache what the server deleted with the record. Queries answer from the
// cache alone.
class ORSADATACENTER_EXPORT UserManagerCore : public QObject
{
    Q_OBJECT
public:
    static UserManagerCore* instance();
    ~UserManagerCore() override;

    // ---- Connection -------------------------------------------------------
    // Creates the SDK instance for address:port, obtains its nine
    // sub-interfaces and registers the callback sinks, which post to owner
    // (pass EventReceiver::instance(), or no wait ever ends on an answer).
    // Must succeed before any server operation.
    //
    // Called again, it sets up the new instance first: when that succeeds the
    // previous instance is released and the user is logged out (the new
    // connection has no session); when it fails the previous connection stays
    // as it was. The SDK instance is released when the application's
    // QCoreApplication is destroyed, so no answer arrives after that.
    bool ExportInterFace(QObject* owner, const QString& address, short port, bool flag);
    // Whether CreateOrsa returned a hub.
    bool BizOrsaClient_Create_Success() const;
    // Whether the SDK instance delivers the changes other sessions make
    // (the signals signalRemoteChange and after): an SDK without the change
    // feed works as before, with a cache that only a reload brings up to date.
    bool changeFeedAvailable() const;

    // ---- Outcome of the last request ---------------------------------------
    // The last request the facade sent, whichever operation sent it: for an
    // operation made of several requests, the last one it made (the failed
    // one when it stopped on a failure).
    RequestOutcome lastRequestOutcome() const;
    // The same in words: "success", "already exists", "still in use",
    // "no answer within 15 s", ...
    QString lastRequestText() const;

    // ---- Login and the current user's rights --------------------------------
    // Logs in, refreshes the cached accounts, roles and role permissions, and
    // works out the user's role and permissions from them. False, with the
    // user logged out, when the login or any of the three fetches failed.
    bool AccountLogin(const QString& userName, const QString& password);
    bool AccountLogout();
    bool isLoggedIn();
    QString userName();
    QString password();
    RoleInfo userRole();
    QList<RolePermissionInfo> userPermission();
    // Whether the logged-in user holds a permission of this type whose value is "true".
    bool verifyPermission(const QString& type);
    // The whole cached role list.
    QList<RoleInfo> GetRole();

    // ---- Fetches: ask the server, install the answer in the cache ------------
    // An empty key asks for every record. ok is false when the request was
    // refused or not answered in time; a list is empty when the server
    // reported failure.
    QList<AccountInfo> getAccountFromSDK(const QString& key, bool& ok);
    QList<RoleInfo> getRoleFromSDK(const QString& key, bool& ok);
    QList<RolePermissionInfo> getRolePermissionFromSDK(const QString& key, bool& ok);
    QList<RegionInfo> getRegionData(const QString& key, bool& ok);
    QList<RegionInfo> getOneRegionFromSDK(const QString& key, bool& ok);
    QList<DeviceChancelInfo> getRegionChannelFromSDK(const QString& key, bool& ok);
    QList<UDeviceInfo> getDeviceFromSDK(const QString& key, bool& ok);
    QList<DeviceChancelInfo> getDevChannelInfoFromSDK(const QString& key, bool& ok);
    QList<UViewInfo> getViewFromSDK(const QString& key, bool& ok);
    // Fetches the views and returns the cached view list, whatever the outcome.
    QList<UViewInfo> getViewData(const QString& key);
    QList<UViewChannelInfo> getViewChannelFromSDK(const QString& key, bool& ok);
    QList<UServerInfo> getServersFromSDK(const QString& key, bool& ok);
    QList<RoleRegionInfo> getRegionVideoFromSDK(const QString& key, bool& ok);
    QList<RegionAlarmInfo> getAlarmRegionFromSDK(const QString& key, bool& ok);
    // Fetches every list but accounts, roles and permissions (login fetches
    // those); true when all nine fetches succeeded.
    bool getCacheFromSDK();

    // ---- Cache lookups -------------------------------------------------------
    QList<AccountInfo> GetAccount(const QString& userName);
    // Roles with this guid, in pinyin order of their names.
    QList<RoleInfo> GetRole(const QString& guid);
    QList<RolePermissionInfo> getRolePermission(const QString& guid);
    QList<RoleRegionInfo> getRegionVideo(const QString& roleGuid);
    QList<RegionAlarmInfo> getAlarmRegion(const QString& roleGuid);
    RegionInfo getRegionByGuid(const QString& guid);
    QList<RegionInfo> getOneRegionByCache(const QString& guid);
    QList<RegionInfo> GetAreasWhereChannelIn(const QString& channelGuid);
    QList<DeviceChancelInfo> GetRegionChannel(const QString& regionGuid);
    QList<DeviceChancelInfo> getRegionChannelByCache(const QString& regionGuid);
    QList<DeviceChancelInfo> getChannelInfoByAreaGuid(const QString& regionGuid);
    DeviceChancelInfo getChannelInfoByAreaGuid(const QString& regionGuid,
                                               const QString& channelGuid);
    DeviceChancelInfo getChannelInfoByChannelGuid(const QString& channelGuid);
    QList<UDeviceInfo> GetDevice(const QString& guid);
    UDeviceInfo getDeviceInfoByDeviceID(const QString& devNO);
    UDeviceInfo getDeviceInfoByDeviceGuid(const QString& guid);
    UDeviceInfo getDevInfo(const QString& guid);
    bool isExistByCloudNo(const QString& devNO);
    QList<DeviceChancelInfo> getDevChannelInfo(const QString& devGuid);
    DeviceChancelInfo getDevChannelInfoByChannelGuid(const QString& channelGuid);
    DeviceChancelInfo channelInfoByDeviceNo(const QString& devNO, int channelNo);
    DeviceChancelInfo channelInfoByIP(const QString& ip, int channelNo);
    DeviceChancelInfo channelInfoByDeviceGUID(const QString& devGuid, int channelNo);
    AllPlayViewInfo getPlayerInfoByGuid(const QString& channelGuid);
    QList<UViewInfo> GetView(const QString& guid);
    QList<UViewChannelInfo> GetViewChannel(const QString& viewGuid);
    QList<UServerInfo> GetServers(const QString& guid);
    QList<UServerInfo> GetServersByType(SERVERTYPE type);
    bool isHaveAlarmServer();
    UServerInfo getAlarmServer();

    // ---- Regions the logged-in user may see ----------------------------------
    QList<RegionInfo> GetOneRegion(const QString& guid);
    bool groupNameExists(const QString& name);
    bool isExistByAreaName(const QString& name);
    QString getAreaUidByName(const QString& name);

    // ---- Accounts ------------------------------------------------------------
    bool AddOneAccount(const QString& user, const QString& phone, const QString& mail,
                       const QString& password, const QString& roleGuid);
    bool EditOneAccount(const QString& user, const QString& phone, const QString& mail,
                        const QString& password, const QString& roleGuid);
    bool DeleteOneAccount(const QString& user);

    // ---- Roles and grants ----------------------------------------------------
    bool AddOneRole(const QString& name, const QString& description);
    bool EditOneRole(const QString& guid, const QString& name, const QString& description);
    bool DeleteOneRole(const QString& guid);
    // Replaces the role's permissions of this type with one of the given value.
    bool addRolePermission(const QString& roleGuid, const QString& type, const QString& value);
    bool deleteRolePermission(const RolePermissionInfo& permission);
    // Deletes every cached permission of the role with this type.
    void deleteRolePermission(const QString& roleGuid, const QString& type);
    bool addRegionVideo(const QString& roleGuid, const QString& regionGuid);
    bool deleteRegionVideo(const QString& roleGuid, const QString& regionGuid);
    bool addAlarmRegion(const QString& roleGuid, const QString& regionGuid);
    bool deleteAlarmRegion(const QString& roleGuid, const QString& regionGuid);

    // ---- Regions and region channels -----------------------------------------
    // Also grants the new region to the logged-in user's role and to the
    // administrators' role; false when any grant failed.
    bool AddOneRegion(const QString& name, const QString& parentGuid, int level,
                      const QString& description);
    bool EditOneRegion(const QString& guid, const QString& name, const QString& description);
    bool DeleteOneRegion(const QString& guid);
    bool AddRegionChannel(const QString& regionGuid, const QString& channelGuid,
                          const QString& name);
    bool EditRegionChannel(const QString& regionGuid, const QString& channelGuid,
                           const QString& name);
    bool DeleteRegionChannel(const QString& regionGuid, const QString& channelGuid);
    // Removes the channel from every region; stops at the first failure.
    bool deleteRegionChannel(const QString& channelGuid);

    // ---- Devices -------------------------------------------------------------
    bool AddDevice(const QString& name, const QString& number, const QString& user,
                   const QString& password, const QString& ip, int port, int channelNum, int vendor,
                   int type, int online);
    bool EditDevice(const QString& guid, const QString& number, const QString& name,
                    const QString& user, const QString& password, const QString& ip, int port);
    // Removes the device's channels from every region and view first.
    bool DeleteDevice(const QString& guid);

    // ---- Servers -------------------------------------------------------------
    bool AddServer(const QString& name, const QString& ip, const QString& user,
                   const QString& password, const int& port, const int& type);
    bool EditServer(const QString& guid, const QString& name, const QString& ip,
                    const QString& user, const QString& password, int port, int type);
    bool DeleteServer(const QString& guid, SERVERTYPE type);

    // ---- Views and view channels ---------------------------------------------
    bool AddView(const QString& name, int divide);
    bool EditView(const QString& guid, const QString& name, int divide);
    bool DeleteView(const QString& guid);
    bool AddViewChannel(const QString& viewGuid, const QString& channelGuid, int position);
    bool EditViewChannel(const QString& viewGuid, const QString& channelGuid, int position);
    bool DeleteViewChannel(const QString& viewGuid, const QString& channelGuid);
    // Places channels (position -> channel guid) in ascending positions; stops
    // at the first failure.
    bool saveViewChannel(const QString& viewGuid, QMap<int, QString>& channels);
    // Removes the channel from every view; stops at the first failure.
    bool deleteViewChannel(const QString& channelGuid);
    // Removes every cached placement of the view.
    void deleteViewAllChannel(const QString& viewGuid);
    bool viewNameExists(const QString& name);

signals:
    void signalAddView(const UViewInfo& viewInfo);
    void signalEditView(const UViewInfo& viewInfo);
    void signalDeleteView(const QString& viewguid);
    void signalAddDevice(const UDeviceInfo& devInfo);
    void signalEditDevice(const UDeviceInfo& devInfo);
    void signalDeleteDevice(const QString& devguid);
    void signalAddRegion(const RegionInfo& regionInfo);
    void signalEditRegioin(const RegionInfo& regionInfo);
    void signalDeleteRegion(const QString& uid);
    void signalAddRegionChannel(const RegionChannelInfo& regionInfo);
    void signalEditRegionChannel(const RegionChannelInfo& regionInfo);
    void signalDeleteRegionChannl(const QString& regionGuid, const QString& channelGuid);
    void signalAddViewChannel(const UViewChannelInfo& viewChInfo);
    void signalEditViewChannel(const UViewChannelInfo& viewChInfo);
    void signalDelViewChannel(const QString& regionGuid, const QString& chGuid);
    void signalAddServer(const UServerInfo& serverInfo);
    void signalEditServer(const UServerInfo& serverInfo);
    void signalDeleteServer(const QString& serverguid, SERVERTYPE serverType);
    void signalAddAccount(const AccountInfo& accountInfo);
    void signalDeleteAccount(const QString& name);
    void signalEditAccount(const AccountInfo& accountInfo);
    void signalAddRole(const RoleInfo& roleInfo);
    void signalEditRole(const RoleInfo& roleInfo);

    // ---- Changes made by other sessions ----------------------------------------
    // Once logged in, every change another session makes on the server reaches
    // the cache in the server's order, by the rule of a confirmed change of
    // this session, and is announced by the typed signal above for that change,
    // when there is one (a view channel's by signalAddViewChannel,
    // signalEditViewChannel or signalDelViewChannel), then by
    // signalRemoteChange. This session's own changes are announced only by the
    // operations that made them. Emitted on the receiver's thread.
    void signalRemoteChange(const DATACore::RemoteChange& change);
    // After the changes from other sessions handled in one turn of the event
    // loop: the kinds of record they changed, so a view can refresh once.
    void signalRemoteChanges(DATACore::RemoteChange::Kinds kinds);
    // Changes from other sessions were missed (the connection was lost for
    // longer than the server remembers): the cache may be stale. Reload it:
    // getCacheFromSDK() and the lists AccountLogin fetches (getAccountFromSDK,
    // getRoleFromSDK, getRolePermissionFromSDK with an empty key). Changes
    // after it keep coming.
    void signalResyncNeeded();

protected:
    // Blocks in a local event loop until sender emits signal (a SIGNAL() text).
    // It starts the receiver's time-out, which emits
    // signal_least_callback_coming() after 15 s. A generic wait, matched to no
    // request: the library's own operations do not use it.
    void waitForResult(QObject* sender, const char* signal);

private:
    explicit UserManagerCore(QObject* parent = nullptr);

    bool CreateORSAInstance(const QString& address, short port, bool flag);
    void setBizOrsaClient_Create_Success(bool created);
    // Releases the SDK instance and forgets it: later requests are refused.
    void ReleaseORSAInstance();
    static void releaseAtExit();
    void forgetLogin();

    friend class Request;

    IBizOrsaClient* m_hub = nullptr;
    IBizOrsaAccount* m_account = nullptr;
    IBizOrsaDevice* m_device = nullptr;
    IBizOrsaView* m_view = nullptr;
    IBizOrsaRegion* m_region = nullptr;
    IBizOrsaRole* m_role = nullptr;
    IBizOrsaServer* m_server = nullptr;
    IBizOrsaRolePermission* m_rolePermission = nullptr;
    IBizOrsaVideoRegion* m_videoRegion = nullptr;
    IBizOrsaAlarmRegion* m_alarmRegion = nullptr;

    IAccountEvent* m_accountEvent = nullptr;
    IDeviceEvent* m_deviceEvent = nullptr;
    IviewEvent* m_viewEvent = nullptr;
    IRegionEvent* m_regionEvent = nullptr;
    IRoleEvent* m_roleEvent = nullptr;
    IServerEvent* m_serverEvent = nullptr;
    IRolePermissionEvent* m_rolePermissionEvent = nullptr;
    IRegionRoleEvent* m_regionRoleEvent = nullptr;
    IAlarmRoleEvent* m_alarmRoleEvent = nullptr;

    bool m_created = false;
    QObject* m_owner = nullptr;

    bool m_loggedIn = false;
    QString m_userName;
    RoleInfo m_userRole;
    QString m_password;
    QList<RolePermissionInfo> m_userPermission;
};

} // namespace DATACore

Q_DECLARE_METATYPE(DATACore::RemoteChange)
Q_DECLARE_METATYPE(DATACore::RemoteChange::Kinds)

#endif // USERMANAGERCORE_H
