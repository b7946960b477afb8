// Aligned text tables, where a wide (CJK) character takes two columns.
#ifndef ORSACTL_TABLE_H
#define ORSACTL_TABLE_H

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace orsactl {

// The columns text takes on a terminal.
int displayWidth(const QString& text);

// Columns separated by two spaces, each as wide as its widest cell; the last
// column is not padded.
QString formatTable(const QStringList& headers, const QList<QStringList>& rows);

} // namespace orsactl

#endif // ORSACTL_TABLE_H
