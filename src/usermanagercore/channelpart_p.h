#ifndef CHANNELPART_P_H
#define CHANNELPART_P_H

#include "usermanagercore.h"

namespace DATACore {

// The channel part stored with a view placement or a region filing: the
// cached device channel; when the cache lacks it, a record that still carries
// the channel's guid, so that the matching delete can find the entry again.
inline DeviceChancelInfo channelPart(UserManagerCore* core, const QString& channelGuid)
{
    DeviceChancelInfo channel = core->getDevChannelInfoByChannelGuid(channelGuid);
    if (channel.channelGuid.isEmpty())
        channel.channelGuid = channelGuid;
    return channel;
}

} // namespace DATACore

#endif // CHANNELPART_P_H
