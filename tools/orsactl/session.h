// The connection: address, login and the bulk load every command starts from.
#ifndef ORSACTL_SESSION_H
#define ORSACTL_SESSION_H

#include "cli.h"

#include <QtCore/QString>

namespace orsactl {

class Session
{
public:
    // Connects, logs in and loads every list; a failure ends the command.
    static Session& open(const Context& ctx);
    QString address;
    QString user;
};

// "embedded:" and a database file in the user's data directory, created when missing.
QString defaultAddress();

} // namespace orsactl

#endif // ORSACTL_SESSION_H
