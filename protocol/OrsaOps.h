// The one table of requests that travel between the SDK and the service.
//
// Each row: request name, sub-interface, answering callback, answer shape,
// answer record, and the arguments in call order. An argument is the size of
// the record field it fills (a text must fit it with its NUL), or 0 for an int.
// Rows are only ever appended: the row index is the operation code on the wire.
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
    X(AddAccount, Account, OnAccountAdd, Plain, NoRecord, (64, 100, 64, 64, 64))                   \
    X(EditAccount, Account, OnAccountEdit, Plain, NoRecord, (64, 100, 64, 64, 64))                 \
    X(DeleteAccount, Account, OnAccountDelete, Plain, NoRecord, (64))                              \
    X(QueryAccount, Account, OnAccountGet, Fetch, tabACCOUNT, (64))                                \
    X(Login, Account, OnAccountLogin, Plain, NoRecord, (64, 64))                                   \
    X(Logout, Account, OnAccountLogout, Plain, NoRecord, ())                                       \
    X(AddDevice, Device, OnDeviceAdd, Add, tabDEVICEINFO, (100, 64, 100, 20, 16, 0, 0, 0, 0))      \
    X(EditDevice, Device, OnDeviceEdit, Plain, NoRecord, (64, 100, 100, 20, 16, 0))                \
    X(DeleteDevice, Device, OnDeviceDelete, Plain, NoRecord, (64))                                 \
    X(QueryDevice, Device, OnDeviceGet, Fetch, tabDEVICEINFO, (64))                                \
    X(QueryDeviceChannel, Device, OnDeviceChannelGet, Fetch, tabCHANNELINFO, (64))                 \
    X(AddView, View, OnViewAdd, Add, tabVIEWINFO, (100, 0))                                        \
    X(EditView, View, OnViewEdit, Plain, NoRecord, (64, 100, 0))                                   \
    X(DeleteView, View, OnViewDelete, Plain, NoRecord, (64))                                       \
    X(QueryView, View, OnViewGet, Fetch, tabVIEWINFO, (64))                                        \
    X(AddViewChannel, View, OnViewChannelAdd, Add, tabVIEWCHANNELINFO, (64, 64, 0))                \
    X(EditViewChannel, View, OnViewChannelEdit, Plain, NoRecord, (64, 64, 0))                      \
    X(DeleteViewChannel, View, OnViewChannelDelete, Plain, NoRecord, (64, 64))                     \
    X(QueryViewChannel, View, OnViewChannelGet, Fetch, tabVIEWCHANNELINFO, (64))                   \
    X(AddRegion, Region, OnRegionAdd, Add, tabREGIONINFO, (100, 64, 0, 52))                        \
    X(EditRegion, Region, OnRegionEdit, Plain, NoRecord, (64, 100, 52))                            \
    X(DeleteRegion, Region, OnRegionDelete, Plain, NoRecord, (64))                                 \
    X(QueryRegion, Region, OnRegionGet, Fetch, tabREGIONINFO, (64))                                \
    X(AddRegionChannel, Region, OnRegionChannelAdd, Add, tabREGIONCHANNELINFO, (64, 64, 100))      \
    X(EditRegionChannel, Region, OnRegionChannelEdit, Plain, NoRecord, (64, 64, 100))              \
    X(DeleteRegionChannel, Region, OnRegionChannelDelete, Plain, NoRecord, (64, 64))               \
    X(QueryRegionChannel, Region, OnRegionChannelGet, Fetch, tabREGIONCHANNELINFO, (64))           \
    X(AddRole, Role, OnRoleAdd, Add, tabROLEINFO, (100, 50))                                       \
    X(EditRole, Role, OnRoleEdit, Plain, NoRecord, (64, 100, 50))                                  \
    X(DeleteRole, Role, OnRoleDelete, Plain, NoRecord, (64))                                       \
    X(QueryRole, Role, OnRoleGet, Fetch, tabROLEINFO, (64))                                        \
    X(AddVideoRegion, VideoRegion, OnVideoRegionAdd, Add, tabVIDEOREGIONINFO, (64, 64))            \
    X(DeleteVideoRegion, VideoRegion, OnVideoRegionDelete, Plain, NoRecord, (64, 64))              \
    X(QueryVideoRegion, VideoRegion, OnVideoRegionGet, Fetch, tabVIDEOREGIONINFO, (64))            \
    X(AddAlarmRegion, AlarmRegion, OnAlarmRegionAdd, Add, tabALARMREGIONINFO, (64, 64))            \
    X(DeleteAlarmRegion, AlarmRegion, OnAlarmRegionDelete, Plain, NoRecord, (64, 64))              \
    X(QueryAlarmRegion, AlarmRegion, OnAlarmRegionGet, Fetch, tabALARMREGIONINFO, (64))            \
    X(AddRolePermission, RolePermission, OnRolePermissionAdd, Add, tabROLEPERMISSIONINFO,          \
      (100, 50, 50))                                                                               \
    X(DeleteRolePermission, RolePermission, OnRolePermissionDelete, Plain, NoRecord, (64))         \
    X(QueryRolePermission, RolePermission, OnRolePermissionGet, Fetch, tabROLEPERMISSIONINFO,      \
      (64))                                                                                        \
    X(AddServer, Server, OnServerAdd, Add, tabSERVERINFO, (100, 100, 100, 100, 0, 0))              \
    X(EditServer, Server, OnServerEdit, Plain, NoRecord, (64, 100, 100, 100, 100, 0))              \
    X(DeleteServer, Server, OnServerDelete, Plain, NoRecord, (64))                                 \
    X(QueryServer, Server, OnServerGet, Fetch, tabSERVERINFO, (64))

enum class Op : std::uint16_t {
#define ORSA_OP_ENUM(op, iface, cb, shape, rec, args) op,
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

constexpr std::size_t kMaxArgs = 9;

struct OpInfo {
    const char* name;
    Iface iface;
    Shape shape;
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
