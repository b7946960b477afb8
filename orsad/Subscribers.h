// The logged-in connections that follow the change log, each at its own
// place in it. Used only under the service's lock.
#ifndef ORSAD_SUBSCRIBERS_H
#define ORSAD_SUBSCRIBERS_H

#include "Service.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orsad {

class Subscribers
{
public:
    // Hands push frames, in revision order, to the connection's own thread.
    using Deliver = std::function<void(std::vector<std::string> frames)>;

    // position: the revision of the last change the client delivered, 0 for
    // "from its login on".
    void add(const void* key, std::shared_ptr<orsa::Session> session, std::int64_t position,
             Deliver deliver);
    void remove(const void* key);
    // Sends every subscriber the changes it may see and has not had.
    void publish(orsa::Service& service);

private:
    struct Entry {
        std::shared_ptr<orsa::Session> session;
        std::int64_t position;
        Deliver deliver;
    };
    std::map<const void*, Entry> m_entries;
};

} // namespace orsad

#endif // ORSAD_SUBSCRIBERS_H
