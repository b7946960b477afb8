#include "secrets.h"

#include "cli.h"

#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace orsactl {

QString readSecretFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(ExitFailed,
                      QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

QString promptSecret(const QString& prompt)
{
    std::fprintf(stderr, "%s", prompt.toUtf8().constData());
    std::fflush(stderr);
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        line.append(char(c));
    if (terminal)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

QString newPassword(const QString& file, const QString& whose)
{
    QString password;
    if (!file.isEmpty()) {
        password = readSecretFile(file);
    } else {
        if (!stdinIsTerminal())
            usageError(QStringLiteral("no terminal to ask for the new password of '%1': "
                                      "use --new-password-file")
                           .arg(whose));
        password = promptSecret(QStringLiteral("New password for %1: ").arg(whose));
        if (promptSecret(QStringLiteral("Again: ")) != password)
            usageError(QStringLiteral("the two passwords differ"));
    }
    if (password.isEmpty())
        usageError(QStringLiteral("the new password of '%1' is empty").arg(whose));
    return password;
}

QString randomText(QRandomGenerator& random, int length)
{
    // No look-alikes (0 O, 1 l I), for passwords read off a screen.
    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    QString text;
    for (int i = 0; i < length; ++i)
        text += QLatin1Char(alphabet[random.bounded(int(sizeof alphabet - 1))]);
    return text;
}

QString randomPassword()
{
    return randomText(*QRandomGenerator::system(), 14);
}

} // namespace orsactl
