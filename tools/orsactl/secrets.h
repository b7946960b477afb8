// Passwords: from the environment, a file or a prompt without echo; never
// from the command line, where other users of the machine can read them.
#ifndef ORSACTL_SECRETS_H
#define ORSACTL_SECRETS_H

#include <QtCore/QString>

class QRandomGenerator;

namespace orsactl {

// The first line of the file, without its line end; a failure when unreadable.
QString readSecretFile(const QString& path);
// Asks on the terminal with echo off.
QString promptSecret(const QString& prompt);
// A new password from FILE, else asked twice on the terminal; a usage error
// when neither is possible or the two answers differ.
QString newPassword(const QString& file, const QString& whose);
// A random password of letters and digits.
QString randomPassword();
// length letters and digits drawn from random.
QString randomText(QRandomGenerator& random, int length);

} // namespace orsactl

#endif // ORSACTL_SECRETS_H
