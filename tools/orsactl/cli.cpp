#include "cli.h"

#include "session.h"

#include "orsadatacenter.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSaveFile>

#include <cstdio>
#include <unistd.h>

namespace orsactl {

void usageError(const QString& message)
{
    throw Failure(ExitUsage, message);
}

QString lastRequestReason()
{
    return DATACore::UserManagerCore::instance()->lastRequestText();
}

void requestFailed(const QString& operation, const QString& record)
{
    throw Failure(ExitFailed,
                  QStringLiteral("%1 '%2': %3").arg(operation, record, lastRequestReason()));
}

void printError(const QString& message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "orsactl: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

void printOut(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printJson(const QJsonValue& value)
{
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    printOut(QString::fromUtf8(document.toJson(QJsonDocument::Indented)));
}

void writeOwnerOnlyFile(const QString& path, const QByteArray& text)
{
    // Readable by its owner only, also when it replaces a file that others
    // could read; a reader never sees it half-written.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(text) != text.size() || !file.commit())
        throw Failure(ExitFailed,
                      QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

bool stdinIsTerminal()
{
    return isatty(STDIN_FILENO) == 1;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

int Context::intOption(const char* name, int fallback) const
{
    if (!has(name))
        return fallback;
    bool ok = false;
    const int number = option(name).toInt(&ok);
    if (!ok)
        usageError(QStringLiteral("--%1 wants a whole number, not '%2'")
                       .arg(QLatin1String(name), option(name)));
    return number;
}

QString Context::required(const char* name) const
{
    if (!has(name))
        usageError(QStringLiteral("--%1 is required here").arg(QLatin1String(name)));
    return option(name);
}

QString Context::arg(int index, const char* what) const
{
    if (index >= args.size())
        usageError(QStringLiteral("missing %1").arg(QLatin1String(what)));
    return args.at(index);
}

void Context::expectArgs(int min, int max) const
{
    if (args.size() < min)
        usageError(QStringLiteral("too few arguments (try --help)"));
    if (args.size() > max)
        usageError(QStringLiteral("unexpected argument '%1'").arg(args.at(max)));
}

Session& Context::session()
{
    if (!m_session)
        m_session = &Session::open(*this);
    return *m_session;
}

} // namespace orsactl
