// The kinds of record, and how each is shown: columns for a table, members for JSON.
#ifndef ORSACTL_KINDS_H
#define ORSACTL_KINDS_H

#include "cli.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariantList>

namespace orsactl {

struct Column {
    QString member; // the JSON member
    QString header; // the table header
};

struct Listing {
    QList<Column> columns;
    QList<QVariantList> rows; // texts and numbers, one value per column
};

// The kinds in their plural form, as `list` takes them.
QStringList kindNames();
// The plural form of a kind given in either form; a usage error when unknown.
QString kindOf(const QString& name);
// The cached records of a kind, those matching key when it is not empty.
Listing listKind(const QString& kind, const QString& key);
// As a table, or as a JSON array with --json.
void printListing(const Context& ctx, const Listing& listing);

// Names that make a guid readable in tables.
QString roleName(const QString& guid);
QString regionName(const QString& guid);

} // namespace orsactl

#endif // ORSACTL_KINDS_H
