#include "commands.h"

namespace orsactl {
namespace {

QCommandLineOption valueOption(const char* name, const char* description, const char* valueName)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description),
                              QString::fromLatin1(valueName));
}

QList<QCommandLineOption> none()
{
    return {};
}

QList<QCommandLineOption> passwdOptions()
{
    return {valueOption("new-password-file", "Read the new password from the first line of FILE.",
                        "FILE")};
}

QList<QCommandLineOption> exportOptions()
{
    return {QCommandLineOption(QStringLiteral("no-credentials"),
                               QStringLiteral("Leave the passwords of devices and servers out."))};
}

QList<QCommandLineOption> generateOptions()
{
    return {
        valueOption("scale", "Size against the reference site of 10,000 devices (default 1).", "X"),
        valueOption("seed", "Seed of the made-up names and choices (default 1).", "N"),
        QCommandLineOption(QStringLiteral("no-accounts"),
                           QStringLiteral("Leave the accounts out."))};
}

} // namespace

QList<QCommandLineOption> globalOptions()
{
    return {
        valueOption("address",
                    "Server address (default: $ORSA_ADDRESS, else an embedded service on a "
                    "database in the user's data directory).",
                    "ADDR"),
        valueOption("port", "Server port, 1 to 65535 (default 7100; unused when embedded).", "N"),
        valueOption("user", "Log in as NAME (default admin).", "NAME"),
        valueOption("password-file",
                    "Read the login password from the first line of FILE (else $ORSA_PASSWORD, "
                    "else a prompt on the terminal).",
                    "FILE"),
        QCommandLineOption(QStringLiteral("json"), QStringLiteral("Print JSON.")),
        // -v is verbose here, so the version has only its long name.
        QCommandLineOption(QStringLiteral("version"), QStringLiteral("Print the version.")),
        QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("verbose")},
                           QStringLiteral("Show the data layer's debug lines on stderr.")),
    };
}

QList<QCommandLineOption> changeOptions()
{
    return {
        valueOption("name", "Name.", "TEXT"),
        valueOption("describe", "Description.", "TEXT"),
        valueOption("phone", "Account phone.", "TEXT"),
        valueOption("mail", "Account mail.", "TEXT"),
        valueOption("role", "Role guid.", "GUID"),
        valueOption("region", "Region guid.", "GUID"),
        valueOption("parent", "Parent region guid (none: top level).", "GUID"),
        valueOption("level", "Region level.", "N"),
        valueOption("number", "Device number.", "TEXT"),
        valueOption("login", "User name on the device or server.", "TEXT"),
        valueOption("credential-file",
                    "Read the device's or server's password from the first line of FILE.", "FILE"),
        valueOption("ip", "IP address.", "ADDR"),
        valueOption("tcp-port", "Port of the device or server.", "N"),
        valueOption("channels", "Device channel count.", "N"),
        valueOption("vendor", "Device vendor code.", "N"),
        valueOption("type", "Device or server type code; permission type.", "VALUE"),
        valueOption("value", "Permission value (\"true\" grants it).", "TEXT"),
        valueOption("channel", "Channel guid.", "GUID"),
        valueOption("view", "View guid.", "GUID"),
        valueOption("position", "Pane of the view.", "N"),
        valueOption("divide", "Panes of the view.", "N"),
        valueOption("new-password-file",
                    "Read a new account's password from the first line of FILE.", "FILE"),
    };
}

const QList<Command>& commands()
{
    static const QList<Command> table = {
        {"status", "", "Show the address, the user and role, and the size of each list.", none,
         runStatus},
        {"list", "KIND [KEY]", "List the records of a kind, or those with KEY.", none, runList},
        {"tree", "", "Show the visible regions as a tree with their channels.", none, runTree},
        {"add", "KIND", "Add a record; its fields come from the options.", changeOptions, runAdd},
        {"edit", "KIND [KEY]", "Change the given fields of a record.", changeOptions, runEdit},
        {"delete", "KIND [KEY]", "Delete a record.", changeOptions, runDelete},
        {"passwd", "[USER]", "Set an account's password (default: the logged-in user's).",
         passwdOptions, runPasswd},
        {"import", "FILE", "Create a whole site from a JSON file.", none, runImport},
        {"export", "[FILE]",
         "Write the whole site as JSON (stdout without FILE; a FILE is readable by its owner "
         "only).",
         exportOptions, runExport},
        {"generate-site", "[FILE]",
         "Write a made-up site of 10,000 devices, or of another scale, for import (stdout "
         "without FILE; a FILE is readable by its owner only).",
         generateOptions, runGenerateSite},
        {"watch", "", "Print each change other sessions make, as it arrives, until interrupted.",
         none, runWatch},
    };
    return table;
}

const Command* findCommand(const QString& name)
{
    for (const Command& command : commands()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QList<QCommandLineOption> allCommandOptions()
{
    // passwd's only option is among these too.
    return changeOptions() + exportOptions() + generateOptions();
}

} // namespace orsactl
