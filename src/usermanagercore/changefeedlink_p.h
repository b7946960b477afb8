// The link between an SDK instance's change feed and the receiver: the feed
// is looked up at run time, so an SDK without it works as before.
#ifndef CHANGEFEEDLINK_P_H
#define CHANGEFEEDLINK_P_H

#include <QtCore/QtGlobal>

class IBizOrsaClient;
class QObject;

namespace DATACore {

// Registers a sink with the hub's change feed, when the SDK that made the hub
// has one; the sink posts a ChangeEvent per notice to owner. For a hub
// attached before, only the owner changes. Main thread only, as the rest.
void attachChangeFeed(IBizOrsaClient* hub, QObject* owner);
// Stops the hub's feed, releases the hub (DestroyOrsa) and then frees its
// sink; the hub's notices still queued are dropped when they are handled.
void releaseHub(IBizOrsaClient* hub);
// Whether the hub delivers changes.
bool changeFeedAttached(IBizOrsaClient* hub);
// Whether notices of this link are still applied: it is the newest attached
// and its hub was not released.
bool changeLinkCurrent(quint64 link);

} // namespace DATACore

#endif // CHANGEFEEDLINK_P_H
