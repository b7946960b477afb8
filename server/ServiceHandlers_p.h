// Shared machinery of the request handlers, one file per kind of record.
#ifndef ORSA_SERVICEHANDLERS_P_H
#define ORSA_SERVICEHANDLERS_P_H

#include "BizOrsaResultCodes.h"
#include "Rights.h"
#include "Service.h"

#include <cstring>
#include <string>
#include <vector>

namespace orsa {

struct Reply {
    std::int32_t result = BIZORSA_OK;
    std::uint32_t count = 0;
    std::string records;
};

// One request being handled; arguments were checked against the op table.
struct Call {
    Database& db;
    Session& session;
    const Caller* caller; // null for a request that needs no login
    const ServiceSettings& settings;
    const std::vector<Arg>& args;
    const std::string& text(std::size_t i) const { return args[i].text; }
    int number(std::size_t i) const { return args[i].number; }
};

#define ORSA_DECLARE_HANDLER(op, iface, cb, shape, rec, access, args) Reply handle##op(Call& call);
ORSA_FOR_EACH_OP(ORSA_DECLARE_HANDLER)
#undef ORSA_DECLARE_HANDLER

inline Reply failure(std::int32_t code)
{
    Reply r;
    r.result = code;
    return r;
}

// Stored texts always fit: they were checked against the same fields on the way in.
template <std::size_t N>
void put(char (&field)[N], const std::string& text)
{
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N - 1);
}

template <class Rec>
void append(Reply& reply, const Rec& record)
{
    reply.records.append(reinterpret_cast<const char*>(&record), sizeof record);
    ++reply.count;
}

template <class Rec>
Reply single(const Rec& record)
{
    Reply r;
    append(r, record);
    return r;
}

inline void bindAll(Statement&, int) {}
template <class T, class... Rest>
void bindAll(Statement& s, int index, const T& first, const Rest&... rest)
{
    s.bind(index, first);
    bindAll(s, index + 1, rest...);
}

// Runs one statement; returns the number of rows it changed.
template <class... A>
int run(Database& db, const char* sql, const A&... a)
{
    Statement s(db, sql);
    bindAll(s, 1, a...);
    s.run();
    return db.changes();
}

// True when the query yields a row.
template <class... A>
bool exists(Database& db, const char* sql, const A&... a)
{
    Statement s(db, sql);
    bindAll(s, 1, a...);
    return s.step();
}

// An edit or delete of one keyed row: "not found" when nothing matched.
template <class... A>
Reply changeOne(Database& db, const char* sql, const A&... a)
{
    Transaction t(db);
    const int changed = run(db, sql, a...);
    t.commit();
    return changed ? Reply{} : failure(BIZORSA_E_NOT_FOUND);
}

// A query whose first parameter is the key; its SQL matches every row for "".
template <class Rec, class Fill>
Reply fetch(Database& db, const char* sql, const std::string& key, Fill fill)
{
    Statement s(db, sql);
    s.bind(1, key);
    Reply reply;
    while (s.step()) {
        Rec record{};
        fill(s, record);
        append(reply, record);
    }
    return reply;
}

// A query of records with a login password, which only a caller with the
// right sees: for others the field stays all zero bytes.
template <class Rec, class Fill, std::size_t N>
Reply fetchGuarded(Call& call, const char* sql, Fill fill, char (Rec::*password)[N], Right right)
{
    const bool shown = call.caller->holds(right);
    return fetch<Rec>(call.db, sql, call.text(0), [&](Statement& s, Rec& r) {
        fill(s, r);
        if (!shown)
            std::memset(r.*password, 0, N);
    });
}

// An add answers with the row it made, read back by the kind's own query, so
// the add and the query can never describe a record differently.
template <class Rec, class Fill>
Reply fetchAdded(Database& db, const char* sql, const std::string& key, Fill fill)
{
    Reply reply = fetch<Rec>(db, sql, key, fill);
    return reply.count == 1 ? reply : failure(BIZORSA_E_INTERNAL);
}

// Files device channel call.text(1) into container call.text(0) (a region or a
// view), or updates the filing that exists; answers the filing as stored.
template <class Rec, class Third, class Fill>
Reply fileChannel(Call& call, const char* containerExists, const char* upsert,
                  const std::string& selectOne, const Third& third, Fill fill)
{
    Transaction t(call.db);
    if (!exists(call.db, containerExists, call.text(0)) ||
        !exists(call.db, "SELECT 1 FROM device_channels WHERE guid = ?1", call.text(1)))
        return failure(BIZORSA_E_NOT_FOUND);
    run(call.db, upsert, call.text(0), call.text(1), third);
    Statement s(call.db, selectOne.c_str());
    s.bind(1, call.text(0)).bind(2, call.text(1));
    if (!s.step())
        return failure(BIZORSA_E_INTERNAL);
    Rec record{};
    fill(s, record);
    t.commit();
    return single(record);
}

inline bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}
constexpr int kMaxPort = 65535;

} // namespace orsa

#endif // ORSA_SERVICEHANDLERS_P_H
