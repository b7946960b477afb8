// What the receiver does with each callback event type.
#ifndef DISPATCH_P_H
#define DISPATCH_P_H

#include "callbackevent_p.h"
#include "eventreceiver.h"

namespace DATACore {

class UserDataCache;

struct CallbackAction {
    // Installs the event's fetched list in the cache; null when none.
    void (*installList)(UserDataCache* cache, const IAccountCallBackEvent& ev);
    // Whether the event's guid is published as the "guid" property.
    bool publishesGuid;
    // The typed signal, null when the type has none.
    void (EventReceiver::*signal)(uchar, int, int);
    uchar operatorType;
};

// The action of a callback event type, EvFirst to EvLast; null outside.
const CallbackAction* callbackAction(int type);

} // namespace DATACore

#endif // DISPATCH_P_H
