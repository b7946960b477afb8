// Devices and their channels.
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

// Bounds the work one request can cause: a device never has more channels.
constexpr int kMaxDeviceChannels = 1024;

const KeyedQuery kDeviceQuery = keyedQuery(
    "SELECT guid, name, number, \"user\", password, ip, port, channel_count, extra, vendor, type "
    "FROM devices",
    "guid");

const KeyedQuery kChannelQuery =
    keyedQuery("SELECT guid, name, device_guid, number FROM device_channels", "device_guid");

void fillDevice(Statement& s, tabDEVICEINFO& r)
{
    put(r.guid, s.text(0));
    put(r.devName, s.text(1));
    put(r.devNO, s.text(2));
    put(r.devUser, s.text(3));
    put(r.devPassword, s.text(4));
    put(r.devIP, s.text(5));
    r.devPort = s.integer(6);
    r.devChannelNum = s.integer(7);
    r.devExtra = s.integer(8);
    r.devVender = s.integer(9);
    r.devType = s.integer(10);
}

} // namespace

// (name, number, user, password, ip, port, channelCount, vendor, type): the
// device comes with its channels 1..channelCount, named "Channel n".
Reply handleAddDevice(Call& call)
{
    const int port = call.number(5);
    const int channels = call.number(6);
    if (!inRange(port, 0, kMaxPort) || !inRange(channels, 0, kMaxDeviceChannels))
        return failure(BIZORSA_E_INVALID_ARGUMENT);
    return addRecord<tabDEVICEINFO>(call, kDeviceQuery, fillDevice, [&](const std::string& guid) {
        run(call.db, "INSERT INTO devices VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 0, ?9, ?10)", guid,
            call.text(0), call.text(1), call.text(2), call.text(3), call.text(4), port, channels,
            call.number(7), call.number(8));
        Statement insert(call.db, "INSERT INTO device_channels VALUES(?1, ?2, ?3, ?4)");
        for (int n = 1; n <= channels; ++n) {
            insert.bind(1, newGuid()).bind(2, guid).bind(3, "Channel " + std::to_string(n));
            insert.bind(4, n).run();
            insert.reset();
        }
    });
}

// (guid, name, user, password, ip, port): number, channels and codes stay.
Reply handleEditDevice(Call& call)
{
    if (!inRange(call.number(5), 0, kMaxPort))
        return failure(BIZORSA_E_INVALID_ARGUMENT);
    return changeOne(
        call.db,
        "UPDATE devices SET name = ?2, \"user\" = ?3, password = ?4, ip = ?5, port = ?6 "
        "WHERE guid = ?1",
        call.text(0), call.text(1), call.text(2), call.text(3), call.text(4), call.number(5));
}

// The device's channels leave every region and view with it.
Reply handleDeleteDevice(Call& call)
{
    return changeOne(call.db, "DELETE FROM devices WHERE guid = ?1", call.text(0));
}

Reply handleQueryDevice(Call& call)
{
    return fetchGuarded<tabDEVICEINFO>(call, kDeviceQuery, fillDevice);
}

// Keyed by device guid.
Reply handleQueryDeviceChannel(Call& call)
{
    const auto fill = [](Statement& s, tabCHANNELINFO& r) {
        put(r.channelGuid, s.text(0));
        put(r.channelName, s.text(1));
        put(r.devGuid, s.text(2));
        r.channelNo = s.integer(3);
    };
    return fetchKeyed<tabCHANNELINFO>(call.db, kChannelQuery, fill, call.text(0));
}

} // namespace orsa
