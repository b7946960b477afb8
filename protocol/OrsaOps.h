// The one table of requests that travel between the SDK and the service.
//
// Each row: request name, sub-interface, answering callback, answer shape,
// answer record, who may run it (Access), and the arguments in call order. An argument is the size
// of the record field it fills (a text must fit it with its NUL), or 0 for an int. Rows are only
// ever appended: the row index is the operation code on the wire.
#ifndef ORSA_OPS_H
#define ORSA_OPS_H

#include "BizOrsaClientLib.h"

#include <cstddef>
#include <cstdint>

namespace orsa {

// Answer record of the requests that answer with a result only.
struct NoRecord {
};

#define ORSA_FOR_EACH_OP(X)                                                                        \
    X(AddAccount, Account, OnAccountAdd, Plain, NoRecord, Accounts, (64, 100, 64, 64, 64))         \
    X(EditAccount, Account, OnAccountEdit, Plain, NoRecord, AccountsOrOwnContact,                  \
      (64, 100, 64, 64, 64))                                                                       \
    X(DeleteAccount, Account, OnAccountDelete, Plain, NoRecord, Accounts, (64))                    \
    X(QueryAccount, Account, OnAccountGet, Fetch, tabACCOUNT, Member, (64))                        \
    X(Login, Account, OnAccountLogin, Plain, NoRecord, Open, (64, 64))                             \
    X(Logout, Account, OnAccountLogout, Plain, NoRecord, Member, ())                               \
    X(AddDevice, Device, OnDeviceAdd, Add, tabDEVICEINFO, Devices,                                 \
      (100, 64, 100, 20, 16, 0, 0, 0, 0))                                                          \
    X(EditDevice, Device, OnDeviceEdit, Plain, NoRecord, Devices, (64, 100, 100, 20, 16, 0))       \
    X(DeleteDevice, Device, OnDeviceDelete, Plain, NoRecord, Devices, (64))                        \
    X(QueryDevice, Device, OnDeviceGet, Fetch, tabDEVICEINFO, Member, (64))                        \
    X(QueryDeviceChannel, Device, OnDeviceChannelGet, Fetch, tabCHANNELINFO, Member, (64))         \
    X(AddView, View, OnViewAdd, Add, tabVIEWINFO, Views, (100, 0))                                 \
    X(EditView, View, OnViewEdit, Plain, NoRecord, Views, (64, 100, 0))                            \
    X(DeleteView, View, OnViewDelete, Plain, NoRecord, Views, (64))                                \
    X(QueryView, View, OnViewGet, Fetch, tabVIEWINFO, Member, (64))                                \
    X(AddViewChannel, View, OnViewChannelAdd, Add, tabVIEWCHANNELINFO, Views, (64, 64, 0))         \
    X(EditViewChannel, View, OnViewChannelEdit, Plain, NoRecord, Views, (64, 64, 0))               \
    X(DeleteViewChannel, View, OnViewChannelDelete, Plain, NoRecord, Views, (64, 64))              \
    X(QueryViewChannel, View, OnViewChannelGet, Fetch, tabVIEWCHANNELINFO, Member, (64))           \
    X(AddRegion, Region, OnRegionAdd, Add, tabREGIONINFO, Regions, (100, 64, 0, 52))               \
    X(EditRegion, Region, OnRegionEdit, Plain, NoRecord, Regions, (64, 100, 52))                   \
    X(DeleteRegion, Region, OnRegionDelete, Plain, NoRecord, Regions, (64))                        \
    X(QueryRegion, Region, OnRegionGet, Fetch, tabREGIONINFO, Member, (64))                        \
    X(AddRegionChannel, Region, OnRegionChannelAdd, Add, tabREGIONCHANNELINFO, Regions,            \
      (64, 64, 100))                                                                               \
    X(EditRegionChannel, Region, OnRegionChannelEdit, Plain, NoRecord, Regions, (64, 64, 100))     \
    X(DeleteRegionChannel, Region, OnRegionChannelDelete, Plain, NoRecord, Regions, (64, 64))      \
    X(QueryRegionChannel, Region, OnRegionChannelGet, Fetch, tabREGIONCHANNELINFO, Member, (64))   \
    X(AddRole, Role, OnRoleAdd, Add, tabROLEINFO, Roles, (100, 50))                                \
    X(EditRole, Role, OnRoleEdit, Plain, NoRecord, Roles, (64, 100, 50))                           \
    X(DeleteRole, Role, OnRoleDelete, Plain, NoRecord, Roles, (64))                                \
    X(QueryRole, Role, OnRoleGet, Fetch, tabROLEINFO, Member, (64))                                \
    X(AddVideoRegion, VideoRegion, OnVideoRegionAdd, Add, tabVIDEOREGIONINFO,                      \
      RolesOrRegionFollowUp, (64, 64))                                                             \
    X(DeleteVideoRegion, VideoRegion, OnVideoRegionDelete, Plain, NoRecord, Roles, (64, 64))       \
    X(QueryVideoRegion, VideoRegion, OnVideoRegionGet, Fetch, tabVIDEOREGIONINFO, Member, (64))    \
    X(AddAlarmRegion, AlarmRegion, OnAlarmRegionAdd, Add, tabALARMREGIONINFO,                      \
      RolesOrRegionFollowUp, (64, 64))                                                             \
    X(DeleteAlarmRegion, AlarmRegion, OnAlarmRegionDelete, Plain, NoRecord, Roles, (64, 64))       \
    X(QueryAlarmRegion, AlarmRegion, OnAlarmRegionGet, Fetch, tabALARMREGIONINFO, Member, (64))    \
    X(AddRolePermission, RolePermission, OnRolePermissionAdd, Add, tabROLEPERMISSIONINFO, Roles,   \
      (100, 50, 50))                                                                               \
    X(DeleteRolePermission, RolePermission, OnRolePermissionDelete, Plain, NoRecord, Roles, (64))  \
    X(QueryRolePermission, RolePermission, OnRolePermissionGet, Fetch, tabROLEPERMISSIONINFO,      \
      Member, (64))                                                                                \
    X(AddServer, Server, OnServerAdd, Add, tabSERVERINFO, Servers, (100, 100, 100, 100, 0, 0))     \
    X(EditServer, Server, OnServerEdit, Plain, NoRecord, Servers, (64, 100, 100, 100, 100, 0))     \
    X(DeleteServer, Server, OnServerDelete, Plain, NoRecord, Servers, (64))                        \
    X(QueryServer, Server, OnServerGet, Fetch, tabSERVERINFO, Member, (64))

enum class Op : std::uint16_t {
#define ORSA_OP_ENUM(op, iface, cb, shape, rec, access, args) op,
    ORSA_FOR_EACH_OP(ORSA_OP_ENUM)
#undef ORSA_OP_ENUM
        Count
};

// The nine sub-interfaces, in the hub's slot order. Each name N stands for
// IBizOrsaN, IBizOrsaNEvent, GetNInterface and SetNEvent.
#define ORSA_FOR_EACH_IFACE(X)                                                                     \
    X(Account)                                                                                     \
    X(Device)                                                                                      \
    X(View)                                                                                        \
    X(Region)                                                                                      \
    X(Role)                                                                                        \
    X(VideoRegion)                                                                                 \
    X(AlarmRegion)                                                                                 \
    X(RolePermission)                                                                              \
    X(Server)

enum class Iface : std::uint8_t {
#define ORSA_IFACE_ENUM(name) name,
    ORSA_FOR_EACH_IFACE(ORSA_IFACE_ENUM)
#undef ORSA_IFACE_ENUM
        Count
};

enum class Shape : std::uint8_t { Plain, Add, Fetch };

// Who may run a request: the rights it needs are those of BizOrsaRights.h.
enum class Access : std::uint8_t {
    Open,   // without a login
    Member, // any logged-in account
    Accounts,
    Roles,
    Regions,
    Devices,
    Views,
    Servers,
    // manage.accounts, or an edit of the caller's own account that keeps its role
    AccountsOrOwnContact,
    // manage.roles, or manage.regions granting a region to the caller's own
    // role or the administrators' role: the follow-up of adding a region
    RolesOrRegionFollowUp,
};

constexpr std::size_t kMaxArgs = 9;

struct OpInfo {
    const char* name;
    Iface iface;
    Shape shape;
    Access access;
    std::uint32_t recordSize; // 0 for a plain answer
    std::uint8_t argCount;
    std::uint16_t argFieldSize[kMaxArgs]; // 0: int argument
};

// Null for a code outside the table.
const OpInfo* opInfo(std::uint16_t code);
inline const OpInfo& opInfo(Op op)
{
    return *opInfo(static_cast<std::uint16_t>(op));
}

} // namespace orsa

#endif // ORSA_OPS_H
