// The table of commands: name, synopsis, options and the function that runs it.
#ifndef ORSACTL_COMMANDS_H
#define ORSACTL_COMMANDS_H

#include "cli.h"

#include <QtCore/QCommandLineOption>
#include <QtCore/QList>

namespace orsactl {

struct Command {
    const char* name;
    const char* synopsis; // the arguments after the command name
    const char* summary;
    QList<QCommandLineOption> (*options)();
    int (*run)(Context&);
};

const QList<Command>& commands();
const Command* findCommand(const QString& name);
// The options every command takes.
QList<QCommandLineOption> globalOptions();
// The union of every command's options, so that a first pass finds the command name.
QList<QCommandLineOption> allCommandOptions();

int runStatus(Context& ctx);
int runList(Context& ctx);
int runTree(Context& ctx);
int runAdd(Context& ctx);
int runEdit(Context& ctx);
int runDelete(Context& ctx);
int runPasswd(Context& ctx);
int runImport(Context& ctx);
int runExport(Context& ctx);
int runGenerateSite(Context& ctx);
int runWatch(Context& ctx);

QList<QCommandLineOption> changeOptions();

} // namespace orsactl

#endif // ORSACTL_COMMANDS_H
