// Device channels filed into regions (under a name of the region's own) and
// placed in views (at a position): one shape, two containers.
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

// The filings of one kind of container, and what a filing adds to the channel.
struct FilingKind {
    const char* table;
    const char* container; // the column naming the region or view
    const char* value;     // the filing's own column, set by its third argument
    const char* channelName;
};

struct FilingSql {
    std::string upsert, edit, remove, selectOne;
    KeyedQuery query; // keyed by container
};

FilingSql sqlOf(const FilingKind& k)
{
    const std::string table = k.table, container = k.container, value = k.value;
    const std::string select = "SELECT f." + container + ", f.channel_guid, " + k.channelName +
                               ", dc.device_guid, dc.number, f." + value + " FROM " + table +
                               " f JOIN device_channels dc ON dc.guid = f.channel_guid";
    return {"INSERT INTO " + table + " VALUES(?1, ?2, ?3) ON CONFLICT(" + container +
                ", channel_guid) DO UPDATE SET " + value + " = excluded." + value,
            "UPDATE " + table + " SET " + value + " = ?3 WHERE " + container +
                " = ?1 AND channel_guid = ?2",
            "DELETE FROM " + table + " WHERE " + container + " = ?1 AND channel_guid = ?2",
            select + " WHERE f." + container + " = ?1 AND f.channel_guid = ?2",
            keyedQuery(select, "f." + container, "f.rowid")};
}

template <class Rec>
struct Filing;

template <>
struct Filing<tabREGIONCHANNELINFO> {
    static constexpr FilingKind kind{"region_channels", "region_guid", "name", "f.name"};
    static void fillOwn(Statement& s, tabREGIONCHANNELINFO& r) { put(r.regionGuid, s.text(0)); }
};

template <>
struct Filing<tabVIEWCHANNELINFO> {
    static constexpr FilingKind kind{"view_channels", "view_guid", "position", "dc.name"};
    static void fillOwn(Statement& s, tabVIEWCHANNELINFO& r)
    {
        put(r.viewGuid, s.text(0));
        r.position = s.integer(5);
    }
};

template <class Rec>
const FilingSql& sql()
{
    static const FilingSql s = sqlOf(Filing<Rec>::kind);
    return s;
}

template <class Rec>
void fill(Statement& s, Rec& r)
{
    Filing<Rec>::fillOwn(s, r);
    put(r.channelInfo.channelGuid, s.text(1));
    put(r.channelInfo.channelName, s.text(2));
    put(r.channelInfo.devGuid, s.text(3));
    r.channelInfo.channelNo = s.integer(4);
}

// (containerGuid, channelGuid, value): filing a channel again only updates
// its value; answers the filing as stored.
template <class Rec>
Reply addFiling(Call& call)
{
    Transaction t(call.db);
    run(call.db, sql<Rec>().upsert.c_str(), call.text(0), call.text(1), call.args[2]);
    Reply reply =
        fetchAdded<Rec>(call.db, sql<Rec>().selectOne, fill<Rec>, call.text(0), call.text(1));
    t.commit();
    return reply;
}

template <class Rec>
Reply editFiling(Call& call)
{
    return changeOne(call.db, sql<Rec>().edit.c_str(), call.text(0), call.text(1), call.args[2]);
}

template <class Rec>
Reply deleteFiling(Call& call)
{
    return changeOne(call.db, sql<Rec>().remove.c_str(), call.text(0), call.text(1));
}

// Keyed by container guid.
template <class Rec>
Reply queryFilings(Call& call)
{
    return fetchKeyed<Rec>(call.db, sql<Rec>().query, fill<Rec>, call.text(0));
}

} // namespace

// The four requests of each family, by name.
#define ORSA_FILING_HANDLERS(Family, Rec)                                                          \
    Reply handleAdd##Family##Channel(Call& call)                                                   \
    {                                                                                              \
        return addFiling<Rec>(call);                                                               \
    }                                                                                              \
    Reply handleEdit##Family##Channel(Call& call)                                                  \
    {                                                                                              \
        return editFiling<Rec>(call);                                                              \
    }                                                                                              \
    Reply handleDelete##Family##Channel(Call& call)                                                \
    {                                                                                              \
        return deleteFiling<Rec>(call);                                                            \
    }                                                                                              \
    Reply handleQuery##Family##Channel(Call& call)                                                 \
    {                                                                                              \
        return queryFilings<Rec>(call);                                                            \
    }
ORSA_FILING_HANDLERS(Region, tabREGIONCHANNELINFO)
ORSA_FILING_HANDLERS(View, tabVIEWCHANNELINFO)
#undef ORSA_FILING_HANDLERS

} // namespace orsa
