// Choices made by whoever starts the service, beyond its database.
#ifndef ORSA_SERVICEOPTIONS_H
#define ORSA_SERVICEOPTIONS_H

#include <string>

namespace orsa {

struct ServiceOptions {
    // The password of the account "admin" put into a database the service creates.
    std::string firstAdminPassword = "admin";
};

} // namespace orsa

#endif // ORSA_SERVICEOPTIONS_H
