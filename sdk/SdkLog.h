// The library's few messages for a person (a refused certificate, a server
// that cannot be reached), one line each on standard error.
#ifndef ORSA_SDK_SDKLOG_H
#define ORSA_SDK_SDKLOG_H

#include <string>

namespace orsa {

void sdkLog(const std::string& line);

} // namespace orsa

#endif // ORSA_SDK_SDKLOG_H
