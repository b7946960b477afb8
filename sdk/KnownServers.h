// Trust on first use: the certificate fingerprint of each server, pinned the
// first time it is seen, in $XDG_CONFIG_HOME/orsa/known_servers (or
// ~/.config/orsa/known_servers), one "HOST:PORT FINGERPRINT" line each,
// readable by its owner only.
#ifndef ORSA_SDK_KNOWNSERVERS_H
#define ORSA_SDK_KNOWNSERVERS_H

#include <string>

namespace orsa {

enum class PinCheck {
    Matches,
    Pinned,  // first use: now stored
    Changed, // another certificate was pinned for this server
    Failed,  // the file cannot be read or written
};

PinCheck checkPin(const std::string& server, const std::string& fingerprint);
std::string knownServersPath();

} // namespace orsa

#endif // ORSA_SDK_KNOWNSERVERS_H
