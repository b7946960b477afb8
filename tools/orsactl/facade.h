// Short names for the data layer's singletons, which every command uses.
#ifndef ORSACTL_FACADE_H
#define ORSACTL_FACADE_H

#include "orsadatacenter.h"

#include <QtCore/QVariant>

namespace orsactl {

inline DATACore::UserManagerCore* core()
{
    return DATACore::UserManagerCore::instance();
}

inline DATACore::UserDataCache* cache()
{
    return DATACore::UserDataCache::instance();
}

// The guid the server gave the record of the last successful add.
inline QString newGuid()
{
    return cache()->dataObj().property("guid").toString();
}

} // namespace orsactl

#endif // ORSACTL_FACADE_H
