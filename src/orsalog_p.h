// The data layer's logging category, "orsa.datacenter" (debug on by default).
#ifndef ORSALOG_P_H
#define ORSALOG_P_H

#include <QtCore/QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcOrsa)

#endif // ORSALOG_P_H
