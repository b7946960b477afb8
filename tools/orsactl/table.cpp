#include "table.h"

#include <QtCore/QVector>

namespace orsactl {
namespace {

// East Asian Wide and Fullwidth ranges.
bool isWide(uint code)
{
    return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0x303E) ||
           (code >= 0x3041 && code <= 0xA4CF) || (code >= 0xAC00 && code <= 0xD7A3) ||
           (code >= 0xF900 && code <= 0xFAFF) || (code >= 0xFE30 && code <= 0xFE4F) ||
           (code >= 0xFF00 && code <= 0xFF60) || (code >= 0xFFE0 && code <= 0xFFE6) ||
           (code >= 0x20000 && code <= 0x3FFFD);
}

QString padded(const QString& text, int width)
{
    return text + QString(width - displayWidth(text), QLatin1Char(' '));
}

} // namespace

int displayWidth(const QString& text)
{
    int width = 0;
    for (uint code : text.toUcs4()) {
        const QChar::Category category = QChar::category(code);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing)
            continue;
        width += isWide(code) ? 2 : 1;
    }
    return width;
}

QString formatTable(const QStringList& headers, const QList<QStringList>& rows)
{
    QVector<int> widths(headers.size());
    for (int c = 0; c < headers.size(); ++c)
        widths[c] = displayWidth(headers.at(c));
    for (const QStringList& row : rows) {
        for (int c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = qMax(widths[c], displayWidth(row.at(c)));
    }
    QString out;
    auto appendRow = [&](const QStringList& cells) {
        QString line;
        for (int c = 0; c < cells.size(); ++c) {
            if (c > 0)
                line += QStringLiteral("  ");
            line += c + 1 < cells.size() ? padded(cells.at(c), widths[c]) : cells.at(c);
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out += line + QLatin1Char('\n');
    };
    appendRow(headers);
    for (const QStringList& row : rows)
        appendRow(row);
    return out;
}

} // namespace orsactl
