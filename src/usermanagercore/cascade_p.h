// What a confirmed delete takes with it on the server, mirrored into the cache.
#ifndef CASCADE_P_H
#define CASCADE_P_H

#include "orsarecords.h"

#include <QtCore/QString>

namespace DATACore {

class UserManagerCore;

enum class Deleted { View, Region, Role, Device };

// Removes from the cache every record the server deleted together with the
// record of this kind and key, announcing those that have a signal.
void dropDependents(UserManagerCore& core, Deleted kind, const QString& key);

// The facade's signal for a filing or a placement that went.
void filingGone(UserManagerCore& core, const RegionChannelInfo& filing);
void placementGone(UserManagerCore& core, const UViewChannelInfo& placement);

} // namespace DATACore

#endif // CASCADE_P_H
