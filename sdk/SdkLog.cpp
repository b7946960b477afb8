#include "SdkLog.h"

#include <cstdio>

namespace orsa {

void sdkLog(const std::string& line)
{
    // One call per line, so that lines of several threads do not interleave.
    std::fprintf(stderr, "BizOrsaClientLib: %s\n", line.c_str());
}

} // namespace orsa
