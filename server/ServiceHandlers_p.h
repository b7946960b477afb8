// Shared machinery of the request handlers, one file per kind of record.
#ifndef ORSA_SERVICEHANDLERS_P_H
#define ORSA_SERVICEHANDLERS_P_H

#include "BizOrsaResultCodes.h"
#include "Rights.h"
#include "Secrets.h"
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
    Store& db;
    Session& session;
    const Caller* caller; // null for a request that needs no login
    const ServiceSettings& settings;
    const std::vector<Arg>& args;
    // The guid of the record an add makes, once made.
    std::string addedGuid;
    const std::string& text(std::size_t i) const { return args[i].text; }
    int number(std::size_t i) const { return args[i].number; }
};

#define ORSA_DECLARE_HANDLER(op, iface, cb, shape, rec, access, args) Reply handle##op(Call& call);
ORSA_FOR_EACH_OP(ORSA_DECLARE_HANDLER)
#undef ORSA_DECLARE_HANDLER
// The handler of an operation, as the service runs it (checks made by the caller).
Reply runHandler(Op op, Call& call);

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

template <class T>
void bindOne(Statement& s, int index, const T& value)
{
    s.bind(index, value);
}
// An argument as it came: a text or a number.
inline void bindOne(Statement& s, int index, const Arg& arg)
{
    arg.isText ? s.bind(index, arg.text) : s.bind(index, arg.number);
}

inline void bindAll(Statement&, int) {}
template <class T, class... Rest>
void bindAll(Statement& s, int index, const T& first, const Rest&... rest)
{
    bindOne(s, index, first);
    bindAll(s, index + 1, rest...);
}

// Runs one statement; returns the number of rows it changed.
template <class... A>
int run(Store& db, const char* sql, const A&... a)
{
    Statement s(db, sql);
    bindAll(s, 1, a...);
    s.run();
    return db.changes();
}

// True when the query yields a row.
template <class... A>
bool exists(Store& db, const char* sql, const A&... a)
{
    Statement s(db, sql);
    bindAll(s, 1, a...);
    return s.step();
}

// An edit or delete of one keyed row: "not found" when nothing matched.
template <class... A>
Reply changeOne(Store& db, const char* sql, const A&... a)
{
    Transaction t(db);
    const int changed = run(db, sql, a...);
    t.commit();
    return changed ? Reply{} : failure(BIZORSA_E_NOT_FOUND);
}

// A kind's query as two statements, every row or one key's rows, so that an
// index serves the keyed one: "?1 = '' OR key = ?1" would scan the table.
struct KeyedQuery {
    std::string all;
    std::string byKey; // the key is ?1
};
// select: "SELECT ... FROM ...", the rows in the order of orderBy.
inline KeyedQuery keyedQuery(const std::string& select, const std::string& key,
                             const std::string& orderBy = "rowid")
{
    return {select + " ORDER BY " + orderBy,
            select + " WHERE " + key + " = ?1 ORDER BY " + orderBy};
}

// A query of the keys' rows.
template <class Rec, class Fill, class... Keys>
Reply fetch(Store& db, const std::string& sql, Fill fill, const Keys&... keys)
{
    Statement s(db, sql);
    bindAll(s, 1, keys...);
    Reply reply;
    while (s.step()) {
        Rec record{};
        fill(s, record);
        append(reply, record);
    }
    return reply;
}

// Every row for an empty key, else the key's rows.
template <class Rec, class Fill>
Reply fetchKeyed(Store& db, const KeyedQuery& query, Fill fill, const std::string& key)
{
    return key.empty() ? fetch<Rec>(db, query.all, fill) : fetch<Rec>(db, query.byKey, fill, key);
}

// The records that hold a login password, and the right that shows it. Queries
// and the change log both blank it through this table.
template <class Rec>
struct Credential {
    static constexpr bool held = false;
};
template <>
struct Credential<tabDEVICEINFO> {
    static constexpr bool held = true;
    static constexpr auto field = &tabDEVICEINFO::devPassword;
    static constexpr Right right = Right::Devices;
};
template <>
struct Credential<tabSERVERINFO> {
    static constexpr bool held = true;
    static constexpr auto field = &tabSERVERINFO::password;
    static constexpr Right right = Right::Servers;
};

// Zero bytes in place of the password, unless the caller (null: nobody) has the right.
template <class Rec>
void blankCredential(Rec& record, const Caller* caller)
{
    if constexpr (Credential<Rec>::held) {
        if (!(caller && caller->holds(Credential<Rec>::right)))
            std::memset(record.*Credential<Rec>::field, 0, sizeof(record.*Credential<Rec>::field));
    }
}

// A query of records with a login password, which only a caller with the
// right sees: for others the field stays all zero bytes.
template <class Rec, class Fill>
Reply fetchGuarded(Call& call, const KeyedQuery& query, Fill fill)
{
    const auto guarded = [&](Statement& s, Rec& r) {
        fill(s, r);
        blankCredential(r, call.caller);
    };
    return fetchKeyed<Rec>(call.db, query, guarded, call.text(0));
}

// An add answers with the row it made, read back by the kind's own keyed
// query, so the add and the query can never describe a record differently.
template <class Rec, class Fill, class... Keys>
Reply fetchAdded(Store& db, const std::string& sql, Fill fill, const Keys&... keys)
{
    Reply reply = fetch<Rec>(db, sql, fill, keys...);
    return reply.count == 1 ? reply : failure(BIZORSA_E_INTERNAL);
}

// The shape of every add: a new guid, the rows that write(guid) makes, and the
// answer read back. A reference to a missing row fails the write, and the
// service answers "not found" for it.
template <class Rec, class Fill, class Write>
Reply addRecord(Call& call, const KeyedQuery& query, Fill fill, Write write)
{
    const std::string guid = newGuid();
    call.addedGuid = guid;
    Transaction t(call.db);
    write(guid);
    Reply reply = fetchAdded<Rec>(call.db, query.byKey, fill, guid);
    t.commit();
    return reply;
}

inline bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}
constexpr int kMaxPort = 65535;

} // namespace orsa

#endif // ORSA_SERVICEHANDLERS_P_H
