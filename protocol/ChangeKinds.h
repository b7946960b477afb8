// The kinds of record a change is about: the wire code of each (the values
// of BizOrsaChangeKind), its record, the request that queries it, and where
// its key lies in that record: the text at offset 0, and for records keyed
// by a pair, a second text.
#ifndef ORSA_CHANGEKINDS_H
#define ORSA_CHANGEKINDS_H

#include "OrsaOps.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace orsa {

#define ORSA_FOR_EACH_CHANGE_KIND(X)                                                               \
    X(1, Account, tabACCOUNT, QueryAccount, 0)                                                     \
    X(2, Role, tabROLEINFO, QueryRole, 0)                                                          \
    X(3, RolePermission, tabROLEPERMISSIONINFO, QueryRolePermission, 0)                            \
    X(4, Region, tabREGIONINFO, QueryRegion, 0)                                                    \
    X(5, RegionChannel, tabREGIONCHANNELINFO, QueryRegionChannel,                                  \
      offsetof(tabREGIONCHANNELINFO, channelInfo.channelGuid))                                     \
    X(6, Device, tabDEVICEINFO, QueryDevice, 0)                                                    \
    X(7, Channel, tabCHANNELINFO, QueryDeviceChannel, 0)                                           \
    X(8, View, tabVIEWINFO, QueryView, 0)                                                          \
    X(9, ViewChannel, tabVIEWCHANNELINFO, QueryViewChannel,                                        \
      offsetof(tabVIEWCHANNELINFO, channelInfo.channelGuid))                                       \
    X(10, Server, tabSERVERINFO, QueryServer, 0)                                                   \
    X(11, VideoRegion, tabVIDEOREGIONINFO, QueryVideoRegion,                                       \
      offsetof(tabVIDEOREGIONINFO, regionGuid))                                                    \
    X(12, AlarmRegion, tabALARMREGIONINFO, QueryAlarmRegion,                                       \
      offsetof(tabALARMREGIONINFO, regionGuid))

enum class ChangeKind : std::uint32_t {
#define ORSA_CHANGE_KIND_ENUM(code, name, rec, query, second) name = code,
    ORSA_FOR_EACH_CHANGE_KIND(ORSA_CHANGE_KIND_ENUM)
#undef ORSA_CHANGE_KIND_ENUM
};

// The values of BizOrsaChangeOperation.
enum class ChangeOp : std::uint32_t { Add = 1, Edit = 2, Delete = 3 };

constexpr std::size_t kLargestChangeRecord = std::max({
#define ORSA_CHANGE_KIND_SIZE(code, name, rec, query, second) sizeof(rec),
    ORSA_FOR_EACH_CHANGE_KIND(ORSA_CHANGE_KIND_SIZE)
#undef ORSA_CHANGE_KIND_SIZE
});

struct ChangeKindInfo {
    ChangeKind kind;
    Op query;
    std::uint32_t recordSize;
    std::uint32_t secondKey; // 0: keyed by the text at offset 0 alone
};

// Null for a code that is no kind.
const ChangeKindInfo* changeKindInfo(std::uint32_t code);
inline const ChangeKindInfo& changeKindInfo(ChangeKind kind)
{
    return *changeKindInfo(static_cast<std::uint32_t>(kind));
}

} // namespace orsa

#endif // ORSA_CHANGEKINDS_H
