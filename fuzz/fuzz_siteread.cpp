// orsactl's site-file reader on arbitrary bytes: it accepts the file or says
// why not, and nothing in between.
#include "sitemodel.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orsactl::Site site;
    QString error;
    const bool read = orsactl::readSite(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)), site, error);
    if (read == !error.isEmpty())
        std::abort();
    return 0;
}
