#include "jsonlocator.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QSet>

namespace orsactl {
namespace {

// The parser refuses deeper nesting; going no deeper keeps the stack small.
constexpr int kMaxDepth = 1024;

} // namespace

JsonLocator::JsonLocator(const QByteArray& text) : m_text(text)
{
    value(QString(), 0);
}

void JsonLocator::skipSpace()
{
    while (m_pos < m_text.size() && QByteArray(" \t\r\n").contains(m_text.at(m_pos)))
        ++m_pos;
}

// Reads a string token at m_pos and returns its decoded text.
QString JsonLocator::key()
{
    const int start = m_pos++;
    while (m_pos < m_text.size() && m_text.at(m_pos) != '"')
        m_pos += m_text.at(m_pos) == '\\' ? 2 : 1;
    ++m_pos;
    const QByteArray raw = m_text.mid(start, m_pos - start);
    if (!raw.contains('\\'))
        return QString::fromUtf8(raw.mid(1, raw.size() - 2));
    return QJsonDocument::fromJson('[' + raw + ']').array().at(0).toString();
}

void JsonLocator::value(const QString& path, int depth)
{
    skipSpace();
    if (m_pos >= m_text.size() || depth > kMaxDepth)
        return;
    m_offsets.insert(path, m_pos);
    const char c = m_text.at(m_pos);
    if (c == '"') {
        key();
    } else if (c == '{' || c == '[') {
        ++m_pos;
        const char close = c == '{' ? '}' : ']';
        QSet<QString> names;
        for (int index = 0;; ++index) {
            skipSpace();
            const int start = m_pos;
            if (m_pos >= m_text.size() || m_text.at(m_pos) == close)
                break;
            QString child = path + QStringLiteral("[%1]").arg(index);
            if (c == '{') {
                const QString name = key();
                child = path.isEmpty() ? name : path + QLatin1Char('.') + name;
                // Its offset becomes the second one's, where the fault is shown.
                if (names.contains(name) && !m_hasRepeated) {
                    m_repeated = child;
                    m_hasRepeated = true;
                }
                names.insert(name);
                skipSpace();
                ++m_pos; // ':'
            }
            value(child, depth + 1);
            skipSpace();
            if (m_pos < m_text.size() && m_text.at(m_pos) == ',')
                ++m_pos;
            // Text that is not JSON, such as "[}": past it, so that the loop ends.
            if (m_pos == start)
                ++m_pos;
        }
        ++m_pos;
    } else {
        while (m_pos < m_text.size() && !QByteArray(",]} \t\r\n").contains(m_text.at(m_pos)))
            ++m_pos;
    }
}

int JsonLocator::offsetOf(QString path) const
{
    while (!m_offsets.contains(path) && !path.isEmpty()) {
        const int cut =
            qMax(path.lastIndexOf(QLatin1Char('.')), path.lastIndexOf(QLatin1Char('[')));
        path = path.left(qMax(cut, 0));
    }
    return m_offsets.value(path, 0);
}

QString JsonLocator::position(const QByteArray& text, int offset)
{
    const QByteArray before = text.left(offset);
    const int lineStart = before.lastIndexOf('\n') + 1;
    const int line = before.count('\n') + 1;
    const int column = QString::fromUtf8(before.mid(lineStart)).size() + 1;
    return QStringLiteral("%1:%2").arg(line).arg(column);
}

} // namespace orsactl
