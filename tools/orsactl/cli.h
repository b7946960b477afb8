// What every command shares: exit codes, errors, output, the parsed command line.
#ifndef ORSACTL_CLI_H
#define ORSACTL_CLI_H

#include <QtCore/QCommandLineParser>
#include <QtCore/QJsonValue>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <exception>

namespace orsactl {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Ends the command: main() prints the message as one line on stderr and
// exits with the code.
class Failure : public std::exception
{
public:
    Failure(ExitCode code, QString message) : m_code(code), m_message(std::move(message)) {}
    ExitCode code() const { return m_code; }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return "orsactl failure"; }

private:
    ExitCode m_code;
    QString m_message;
};

[[noreturn]] void usageError(const QString& message);
// A request the server refused or did not answer: names the operation and the record.
[[noreturn]] void requestFailed(const QString& operation, const QString& record);
// Why the last request failed, as the data layer can tell it.
QString lastRequestReason();

// One line on stderr, prefixed with the program name.
void printError(const QString& message);
// Text on stdout, UTF-8, in one piece.
void printOut(const QString& text);
void printJson(const QJsonValue& value);
// Writes text to path, readable by its owner only; a failure when it cannot.
void writeOwnerOnlyFile(const QString& path, const QByteArray& text);
bool stdinIsTerminal();
bool stderrIsTerminal();

class Session;

// The parsed command line of one command.
class Context
{
public:
    Context(QCommandLineParser& parser, QStringList arguments)
        : parser(parser), args(std::move(arguments))
    {}
    QCommandLineParser& parser;
    QStringList args; // positional arguments after the command name
    bool json() const { return parser.isSet(QStringLiteral("json")); }
    QString option(const char* name) const { return parser.value(QString::fromLatin1(name)); }
    bool has(const char* name) const { return parser.isSet(QString::fromLatin1(name)); }
    // An integer option, or fallback when it is absent; a usage error when malformed.
    int intOption(const char* name, int fallback) const;
    // A required option; a usage error when it is missing.
    QString required(const char* name) const;
    // The positional argument at index, or a usage error naming what is missing.
    QString arg(int index, const char* what) const;
    void expectArgs(int min, int max) const;
    // Connects and logs in on first use.
    Session& session();

private:
    Session* m_session = nullptr;
};

} // namespace orsactl

#endif // ORSACTL_CLI_H
