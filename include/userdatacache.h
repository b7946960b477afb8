// The process-wide store of every record the server delivered.
#ifndef USERDATACACHE_H
#define USERDATACACHE_H

#include "orsadatacenter_export.h"
#include "orsarecords.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QObject>

#include <memory>

namespace DATACore {

class CacheIndexes;

// One list per kind of record, in the order records arrived (nothing sorts
// them), plus the result object through which an answer reaches the waiting
// call. Main thread only: there is no lock.
//
// Each list is indexed by its key, so that updateInfoNode and the facade's
// queries by key do not grow with the list. A list changed through its live
// accessor is indexed again on its next use. An index shares its list's
// data, so once a list is indexed, any non-const use of its live reference
// (a range-for over it too) copies the list first, as with any shared QList:
// read it through a const reference (std::as_const) to avoid the copy.
class ORSADATACENTER_EXPORT UserDataCache : public QObject
{
    Q_OBJECT
public:
    // The singleton, created on first call with no parent; never destroyed.
    static UserDataCache* instance();

    explicit UserDataCache(QObject* parent = nullptr);
    ~UserDataCache() override;

    // The shared result object: its dynamic properties "result" (bool),
    // "sid" (int) and "guid" (QString) carry an answer's outcome.
    QObject& dataObj();

    // Live lists; a reference sees later changes.
    QList<AccountInfo>& list_account_Info();
    QList<UDeviceInfo>& list_device_info();
    QList<DeviceChancelInfo>& list_device_channel_info();
    QList<UViewInfo>& list_view_info();
    QList<UViewChannelInfo>& viewChannelInfo();
    QList<RegionInfo>& list_region_info();
    QList<RegionChannelInfo>& list_region_channel_info();
    QList<RoleInfo>& list_role_info();
    QList<RoleRegionInfo>& list_role_region_info();
    QList<RegionAlarmInfo>& list_region_alarm_info();
    // Copies.
    QList<UServerInfo> list_server_info();
    const QList<RolePermissionInfo>& list_role_permission_info() const;
    QList<UserViewInfo> listUserView();

    // Each replaces a whole list.
    void setList_account_Info(const QList<AccountInfo>& list);
    void setList_device_info(const QList<UDeviceInfo>& list);
    void setList_device_channel_info(const QList<DeviceChancelInfo>& list);
    void setList_view_info(const QList<UViewInfo>& list);
    void setViewChannelInfo(const QList<UViewChannelInfo>& list);
    void setList_region_info(const QList<RegionInfo>& list);
    void setList_region_channel_info(const QList<RegionChannelInfo>& list);
    void setList_role_info(const QList<RoleInfo>& list);
    void setList_role_region_info(const QList<RoleRegionInfo>& list);
    void setList_role_alarm_info(const QList<RegionAlarmInfo>& list);
    void setList_server_info(const QList<UServerInfo>& list);
    void setList_role_permission_info(const QList<RolePermissionInfo>& list);
    void setListUserView(const QList<UserViewInfo>& list);

    // Keeps one record of the cache up to date after a change the server
    // confirmed. op 1 (add) and 3 (edit) overwrite the first record with the
    // same key in place, or append; op 2 (delete) removes the first record
    // with the same key; any other op does nothing. Keys are compared exactly:
    // AccountInfo by userName; UDeviceInfo, UViewInfo, RegionInfo, RoleInfo
    // and UServerInfo by guid; DeviceChancelInfo by channelGuid;
    // RolePermissionInfo by guid and roleGuid; RoleRegionInfo and
    // RegionAlarmInfo by roleGuid and regionGuid; RegionChannelInfo by
    // regionGuid and channel guid; UViewChannelInfo by viewGuid and channel
    // guid; UserViewInfo by userGuid and viewGuid.
    void updateInfoNode(AccountInfo& record, int op);
    void updateInfoNode(UDeviceInfo& record, int op);
    void updateInfoNode(DeviceChancelInfo& record, int op);
    void updateInfoNode(UViewInfo& record, int op);
    void updateInfoNode(RegionAlarmInfo& record, int op);
    void updateInfoNode(RoleRegionInfo& record, int op);
    void updateInfoNode(RoleInfo& record, int op);
    void updateInfoNode(RegionChannelInfo& record, int op);
    void updateInfoNode(RegionInfo& record, int op);
    void updateInfoNode(UViewChannelInfo& record, int op);
    void updateInfoNode(UServerInfo& record, int op);
    void updateInfoNode(RolePermissionInfo& record, int op);
    void updateInfoNode(UserViewInfo& record, int op);

    // The cached channels whose devGuid equals devGuid exactly, in order.
    QList<DeviceChancelInfo> deviceChannelInfoByCache(const QString& devGuid);

    // Appends the pinyin initials of a GB2312 byte string to out: first- and
    // second-level characters give their upper-case initial (second-level
    // radicals without a reading give "["), other bytes are copied as Latin-1.
    void GetFirstLetter(const QByteArray& bytes, QString& out);

private:
    QList<AccountInfo> m_list_account_Info;
    QList<UDeviceInfo> m_list_device_info;
    QList<DeviceChancelInfo> m_list_device_channel_info;
    QList<UViewInfo> m_list_view_info;
    QList<UViewChannelInfo> m_viewChannelInfo;
    QList<RegionInfo> m_list_region_info;
    QList<RegionChannelInfo> m_list_region_channel_info;
    QList<RoleInfo> m_list_role_info;
    QList<RoleRegionInfo> m_list_role_region_info;
    QList<RegionAlarmInfo> m_list_region_alarm_info;
    QList<UServerInfo> m_list_server_info;
    QList<RolePermissionInfo> m_list_role_permission_info;
    QList<UserViewInfo> m_listUserView;
    QObject m_dataObj;
    friend class CacheIndexes;
    std::unique_ptr<CacheIndexes> m_indexes; // after the lists it refers to

    static UserDataCache* _static_UserDataCache_ptr;
};

} // namespace DATACore

#endif // USERDATACACHE_H
