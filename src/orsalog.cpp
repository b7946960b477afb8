#include "orsalog_p.h"

Q_LOGGING_CATEGORY(lcOrsa, "orsa.datacenter")
