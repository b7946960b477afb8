// Where each value of a JSON text starts, so that a fault found after parsing
// can still be shown at its line and column.
#ifndef ORSACTL_JSONLOCATOR_H
#define ORSACTL_JSONLOCATOR_H

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QString>

namespace orsactl {

class JsonLocator
{
public:
    // Offsets are exact for valid JSON; any other text is read to its end
    // without fault, with offsets that may be off.
    explicit JsonLocator(const QByteArray& text);
    // The offset of the value at path ("roles[2].name"), or of its nearest
    // ancestor that is there.
    int offsetOf(QString path) const;
    // "LINE:COLUMN" of an offset of text, both from 1, columns counted in characters.
    static QString position(const QByteArray& text, int offset);
    // Whether a member is named a second time in its object. The parser would
    // silently keep the last, and Qt 5's leaks the first when it is an array
    // or object: ask this before parsing.
    bool hasRepeatedMember() const { return m_hasRepeated; }
    // The path of the first such member (empty for a member "" at the top).
    QString firstRepeatedMember() const { return m_repeated; }

private:
    void value(const QString& path, int depth);
    void skipSpace();
    QString key();

    const QByteArray& m_text;
    int m_pos = 0;
    QHash<QString, int> m_offsets;
    QString m_repeated;
    bool m_hasRepeated = false;
};

} // namespace orsactl

#endif // ORSACTL_JSONLOCATOR_H
