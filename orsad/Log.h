// orsad's log: one line per event, on standard error, for the supervisor's
// journal. Never pass a secret.
#ifndef ORSAD_LOG_H
#define ORSAD_LOG_H

#include <string>

namespace orsad {

void logLine(const std::string& line);

} // namespace orsad

#endif // ORSAD_LOG_H
