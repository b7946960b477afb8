// Choices made by whoever starts the service, beyond its database.
#ifndef ORSA_SERVICEOPTIONS_H
#define ORSA_SERVICEOPTIONS_H

#include <string>

namespace orsa {

struct ServiceOptions {
    // The password of the account "admin" put into a database the service creates.
    std::string firstAdminPassword = "admin";
    // How many of the newest changes the change log keeps for sessions that
    // come back after a loss; one further back must reload everything.
    std::int64_t changeLogSize = 100000;
};

} // namespace orsa

#endif // ORSA_SERVICEOPTIONS_H
