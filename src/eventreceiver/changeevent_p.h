// The event that carries one notice of the change feed from the SDK's thread
// to the receiver, as IAccountCallBackEvent carries an answer.
#ifndef CHANGEEVENT_P_H
#define CHANGEEVENT_P_H

#include "callbackevent_p.h"
#include "orsarecords.h"
#include "usermanagercore.h"

#include <QtCore/QEvent>

#include <variant>

namespace DATACore {

constexpr QEvent::Type EvChangeFeed = QEvent::Type(EvLast + 1);

// A changed record in the library's form. The alternatives are in the order of
// BizOrsaChangeKind: the index of a kind's record is its number less one.
using ChangedRecord = std::variant<AccountInfo, RoleInfo, RolePermissionInfo, RegionInfo,
                                   RegionChannelInfo, UDeviceInfo, DeviceChancelInfo, UViewInfo,
                                   UViewChannelInfo, UServerInfo, RoleRegionInfo, RegionAlarmInfo>;

class ChangeEvent : public QEvent
{
public:
    enum What {
        Change,       // a change of another session
        ResyncNeeded, // changes were missed
        BatchEnd,     // posted by the receiver to itself after a batch's first change
    };
    ChangeEvent(What what, quint64 link) : QEvent(EvChangeFeed), what(what), link(link) {}

    What what;
    // The feed link that delivered it: events of a link since detached are dropped.
    quint64 link;
    qint64 revision = 0;
    RemoteChange::Operation operation = RemoteChange::Added;
    bool cascaded = false;
    ChangedRecord record;
};

// Applies a change, announces a resync, or ends a batch; on the receiver's thread.
void handleChangeEvent(QObject* receiver, const ChangeEvent& event);

} // namespace DATACore

#endif // CHANGEEVENT_P_H
