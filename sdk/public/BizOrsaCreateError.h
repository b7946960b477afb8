// Why CreateOrsa made no hub, in words a user can act on.
#ifndef BIZORSACREATEERROR_H
#define BIZORSACREATEERROR_H

#include "BizOrsaClientLib.h"

// Why the last CreateOrsa on the calling thread returned null: a short
// lower-case text to put into a sentence, such as "the database is
// read-only", "the database is locked by another process", "not a database
// of this service" or "the database was made by a newer version of the
// service (...)". Empty when that CreateOrsa made a hub, or before the
// thread's first one. Valid until the thread's next CreateOrsa.
extern "C" BIZORSA_API const char* BizOrsaLastCreateError();

#endif // BIZORSACREATEERROR_H
