// How a hub reaches the service: one request frame in, its answer frame out.
#ifndef ORSA_SDK_TRANSPORT_H
#define ORSA_SDK_TRANSPORT_H

#include <string>

namespace orsa {

class Transport
{
public:
    virtual ~Transport() = default;
    // Called on the hub's thread only. An empty answer means the request was
    // lost; the hub then answers it with an internal error itself.
    virtual std::string exchange(const std::string& requestFrame) = 0;
};

} // namespace orsa

#endif // ORSA_SDK_TRANSPORT_H
