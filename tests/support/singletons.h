// Short names for the library's singletons in tests.
#ifndef SINGLETONS_H
#define SINGLETONS_H

#include "orsadatacenter.h"

inline DATACore::UserManagerCore* core()
{
    return DATACore::UserManagerCore::instance();
}
inline DATACore::UserDataCache* cache()
{
    return DATACore::UserDataCache::instance();
}

#endif // SINGLETONS_H
