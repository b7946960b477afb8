// The data layer of the Orsa surveillance client: include this one header.
//
// DATACore::UserManagerCore  the blocking facade: connect, log in, fetch,
//                            manage every kind of record, query the cache;
// DATACore::UserDataCache    the cached lists and the shared result object;
// DATACore::EventReceiver    turns SDK answers into cache updates and signals.
#ifndef ORSADATACENTER_H
#define ORSADATACENTER_H

#include "eventreceiver.h"
#include "orsarecords.h"
#include "userdatacache.h"
#include "usermanagercore.h"

#endif // ORSADATACENTER_H
