// A hub with a recording sink, and short-hands that make an object and wait
// for its answer. Destroys the hub before the sink goes.
#ifndef TESTHUB_H
#define TESTHUB_H

#include "BizOrsaResultCodes.h"
#include "RecordingSink.h"
#include "TestEngine.h"

#include <QByteArray>

#include <memory>

template <std::size_t N>
QByteArray text(const char (&field)[N])
{
    return QByteArray(field, int(qstrnlen(field, N)));
}

// A hub with the library's own CreateOrsa, or, for a database on
// PostgreSQL, with the embedded transport on a store of that database.
IBizOrsaClient* hubOn(const TestDatabase& database);

// Where a TestHub connects unless told otherwise: the embedded service, or
// the server a test binary points every hub at.
struct HubTarget {
    QByteArray address = "embedded";
    quint16 port = 0;
    IBizOrsaClient* create() const { return CreateOrsa(address.constData(), short(port), false); }
};
inline HubTarget& defaultTarget()
{
    static HubTarget target;
    return target;
}

class TestHub
{
public:
    // On a private database of the engine under test, or on the server a
    // test binary points every hub at.
    TestHub()
        : m_own(onPostgresql() ? std::make_unique<TestDatabase>() : nullptr),
          hub(m_own ? hubOn(*m_own) : defaultTarget().create())
    {
        if (hub)
            sink.attach(hub);
    }
    explicit TestHub(const QByteArray& address, quint16 port = 0, bool strict = false)
        : hub(CreateOrsa(address.constData(), short(port), strict))
    {
        if (hub)
            sink.attach(hub);
    }
    // On a database that other hubs may share.
    explicit TestHub(const TestDatabase& database) : hub(hubOn(database))
    {
        if (hub)
            sink.attach(hub);
    }
    ~TestHub()
    {
        if (hub)
            DestroyOrsa(hub);
    }
    TestHub(const TestHub&) = delete;
    TestHub& operator=(const TestHub&) = delete;

    Callback wait(int sid) { return sink.await(sid); }
    int result(int sid) { return sid < 0 ? sid : wait(sid).result; }

    IBizOrsaAccount* account() { return hub->GetAccountInterface(); }
    IBizOrsaDevice* device() { return hub->GetDeviceInterface(); }
    IBizOrsaView* view() { return hub->GetViewInterface(); }
    IBizOrsaRegion* region() { return hub->GetRegionInterface(); }
    IBizOrsaRole* role() { return hub->GetRoleInterface(); }
    IBizOrsaVideoRegion* video() { return hub->GetVideoRegionInterface(); }
    IBizOrsaAlarmRegion* alarm() { return hub->GetAlarmRegionInterface(); }
    IBizOrsaRolePermission* permission() { return hub->GetRolePermissionInterface(); }
    IBizOrsaServer* server() { return hub->GetServerInterface(); }

    bool login(const char* password = "admin")
    {
        return result(account()->Login("admin", password)) == BIZORSA_OK;
    }

    // Each returns the new object's guid, empty when the add failed.
    QByteArray addRole(const char* name)
    {
        return text(wait(role()->AddRole(name, "")).record<tabROLEINFO>().guid);
    }
    QByteArray addRegion(const char* name, const char* parent = "")
    {
        return text(wait(region()->AddRegion(name, parent, 1, "")).record<tabREGIONINFO>().guid);
    }
    QByteArray addDevice(const char* name, int channels)
    {
        const int sid = device()->AddDevice(name, "", "", "", "", 8000, channels, 0, 0);
        return text(wait(sid).record<tabDEVICEINFO>().guid);
    }
    QByteArray addView(const char* name)
    {
        return text(wait(view()->AddView(name, 4)).record<tabVIEWINFO>().guid);
    }
    // The guid of a device's channel number n (1-based).
    QByteArray channel(const QByteArray& deviceGuid, int n)
    {
        const Callback c = wait(device()->QueryDeviceChannel(deviceGuid.constData()));
        return text(c.record<tabCHANNELINFO>(n - 1).channelGuid);
    }
    int count(int sid) { return wait(sid).count; }

private:
    std::unique_ptr<TestDatabase> m_own;

public:
    RecordingSink sink;
    IBizOrsaClient* hub;
};

#endif // TESTHUB_H
