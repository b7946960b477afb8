// The local 8-bit encoding in which texts travel to and from the SDK.
#ifndef LOCALTEXT_P_H
#define LOCALTEXT_P_H

#include <QtCore/QByteArray>
#include <QtCore/QString>
// In Core5Compat under Qt 6.
#include <QTextCodec>

namespace DATACore {

// The locale's encoding, or the one the application set with
// QTextCodec::setCodecForLocale. Asked of the codec itself: Qt 6's
// QString::toLocal8Bit is UTF-8 whatever the locale, Qt 5's follows the codec.
inline QByteArray toLocal8Bit(const QString& text)
{
    return QTextCodec::codecForLocale()->fromUnicode(text);
}

inline QString fromLocal8Bit(const char* text, int size)
{
    return QTextCodec::codecForLocale()->toUnicode(text, size);
}

} // namespace DATACore

#endif // LOCALTEXT_P_H
