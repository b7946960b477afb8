// Conversion of the SDK's records into the library's records.
#ifndef RECORDCONVERSION_P_H
#define RECORDCONVERSION_P_H

#include "BizOrsaClientLib.h"
#include "localtext_p.h"
#include "orsarecords.h"

#include <QtCore/QString>

#include <cstring>

namespace DATACore {

// Decodes size bytes of 8-bit text: local 8-bit or UTF-8.
using TextDecoder = QString (*)(const char*, int);

inline QString decodeLocal8Bit(const char* text, int size)
{
    return fromLocal8Bit(text, size);
}
inline QString decodeUtf8(const char* text, int size)
{
    return QString::fromUtf8(text, size);
}

// The text of a fixed-size field: up to its first NUL, never past its end.
template <std::size_t N>
QString fieldText(const char (&field)[N], TextDecoder decode)
{
    const void* nul = std::memchr(field, '\0', N);
    const std::size_t size = nul ? static_cast<const char*>(nul) - field : N;
    return decode(field, static_cast<int>(size));
}

AccountInfo fromSdk(const tabACCOUNT& r, TextDecoder decode);
RoleInfo fromSdk(const tabROLEINFO& r, TextDecoder decode);
RolePermissionInfo fromSdk(const tabROLEPERMISSIONINFO& r, TextDecoder decode);
RegionInfo fromSdk(const tabREGIONINFO& r, TextDecoder decode);
DeviceChancelInfo fromSdk(const tabCHANNELINFO& r, TextDecoder decode);
RegionChannelInfo fromSdk(const tabREGIONCHANNELINFO& r, TextDecoder decode);
UDeviceInfo fromSdk(const tabDEVICEINFO& r, TextDecoder decode);
UViewInfo fromSdk(const tabVIEWINFO& r, TextDecoder decode);
// The view guid has a decoder of its own: fetched placements carry it as UTF-8.
UViewChannelInfo fromSdk(const tabVIEWCHANNELINFO& r, TextDecoder decode,
                         TextDecoder decodeViewGuid);
UServerInfo fromSdk(const tabSERVERINFO& r, TextDecoder decode);
RoleRegionInfo fromSdk(const tabVIDEOREGIONINFO& r, TextDecoder decode);
RegionAlarmInfo fromSdk(const tabALARMREGIONINFO& r, TextDecoder decode);

} // namespace DATACore

#endif // RECORDCONVERSION_P_H
