// orsactl: administration of the management server from the command line.
#include "cli.h"
#include "commands.h"
#include "kinds.h"
#include "session.h"

#include <QTextCodec>
#include <QtCore/QCoreApplication>
#include <QtCore/QLoggingCategory>

#include <cstdio>

using namespace orsactl;

namespace {

QString commandList()
{
    QString text = QStringLiteral("Administration client of the Orsa management server.\n\n"
                                  "Commands:\n");
    for (const Command& command : commands())
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QLatin1String(command.name), QLatin1String(command.synopsis),
                         QLatin1String(command.summary));
    text += QStringLiteral("\nKinds: ") + kindNames().join(QStringLiteral(", ")) +
            QStringLiteral("\nRun 'orsactl COMMAND --help' for a command's options.");
    return text;
}

void setUpParser(QCommandLineParser& parser, const Command* command)
{
    parser.setApplicationDescription(command ? QLatin1String(command->summary) +
                                                   QStringLiteral("\n\nKinds: ") +
                                                   kindNames().join(QStringLiteral(", "))
                                             : commandList());
    parser.addHelpOption();
    parser.addOptions(globalOptions());
    if (!command) {
        parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command."),
                                     QStringLiteral("COMMAND [arguments]"));
        return;
    }
    parser.addOptions(command->options());
    parser.addPositionalArgument(QLatin1String(command->name), QLatin1String(command->synopsis),
                                 QLatin1String(command->name) + QLatin1Char(' ') +
                                     QLatin1String(command->synopsis));
}

// The library's debug lines are for -v only, and then go to stderr.
void setUpLogging(bool verbose)
{
    if (!verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("orsa.datacenter.debug=false"));
}

// Names travel to the server in the local 8-bit encoding: a locale whose
// encoding has no Chinese (Latin-1, say) would turn each such character into '?'.
void setUpEncoding()
{
    QTextCodec* locale = QTextCodec::codecForLocale();
    if (locale->fromUnicode(QStringLiteral("\u533a")) == "?")
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

int run(const QStringList& arguments)
{
    // First pass: find the command, knowing every option that takes a value.
    QCommandLineParser probe;
    probe.addHelpOption();
    probe.addOptions(globalOptions());
    probe.addOptions(allCommandOptions());
    probe.parse(arguments);
    const QStringList positional = probe.positionalArguments();
    const Command* command = positional.isEmpty() ? nullptr : findCommand(positional.first());
    if (!positional.isEmpty() && !command)
        usageError(QStringLiteral("unknown command '%1' (try --help)").arg(positional.first()));

    QCommandLineParser parser;
    setUpParser(parser, command);
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        return ExitOk;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        printOut(QStringLiteral("orsactl %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitOk;
    }
    if (!command)
        usageError(QStringLiteral("no command given (try --help)"));
    setUpLogging(parser.isSet(QStringLiteral("verbose")));
    Context ctx(parser, parser.positionalArguments().mid(1));
    return command->run(ctx);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orsactl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORSACTL_VERSION));
    setUpEncoding();
    try {
        return run(QCoreApplication::arguments());
    } catch (const Failure& failure) {
        printError(failure.message());
        return failure.code();
    }
}
