#include "ChangeLog.h"

#include "ServiceHandlers_p.h"

#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace orsa {

// Which records of a kind a request may change: those its query returns for
// the request's first argument, for the guid of the record it adds, or for
// "" (every record of the kind).
struct ChangeRecorder::Scope {
    enum From : std::uint8_t { Arg0, Added, All };
    ChangeKind kind;
    From from;
};

namespace {

using Scope = ChangeRecorder::Scope;
using K = ChangeKind;

// The first scope is the request's own record; the others follow it (the
// channels of an added device) or go with it (cascaded deletes), listed
// parents before children.
const std::map<Op, std::vector<Scope>>& scopesByOp()
{
    static const std::map<Op, std::vector<Scope>> scopes{
        {Op::AddAccount, {{K::Account, Scope::Arg0}}},
        {Op::EditAccount, {{K::Account, Scope::Arg0}}},
        {Op::DeleteAccount, {{K::Account, Scope::Arg0}}},
        {Op::AddDevice, {{K::Device, Scope::Added}, {K::Channel, Scope::Added}}},
        {Op::EditDevice, {{K::Device, Scope::Arg0}}},
        {Op::DeleteDevice,
         {{K::Device, Scope::Arg0},
          {K::Channel, Scope::Arg0},
          {K::RegionChannel, Scope::All},
          {K::ViewChannel, Scope::All}}},
        {Op::AddView, {{K::View, Scope::Added}}},
        {Op::EditView, {{K::View, Scope::Arg0}}},
        {Op::DeleteView, {{K::View, Scope::Arg0}, {K::ViewChannel, Scope::Arg0}}},
        {Op::AddViewChannel, {{K::ViewChannel, Scope::Arg0}}},
        {Op::EditViewChannel, {{K::ViewChannel, Scope::Arg0}}},
        {Op::DeleteViewChannel, {{K::ViewChannel, Scope::Arg0}}},
        {Op::AddRegion, {{K::Region, Scope::Added}}},
        {Op::EditRegion, {{K::Region, Scope::Arg0}}},
        {Op::DeleteRegion,
         {{K::Region, Scope::Arg0},
          {K::RegionChannel, Scope::Arg0},
          {K::VideoRegion, Scope::All},
          {K::AlarmRegion, Scope::All}}},
        {Op::AddRegionChannel, {{K::RegionChannel, Scope::Arg0}}},
        {Op::EditRegionChannel, {{K::RegionChannel, Scope::Arg0}}},
        {Op::DeleteRegionChannel, {{K::RegionChannel, Scope::Arg0}}},
        {Op::AddRole, {{K::Role, Scope::Added}}},
        {Op::EditRole, {{K::Role, Scope::Arg0}}},
        {Op::DeleteRole,
         {{K::Role, Scope::Arg0},
          {K::RolePermission, Scope::All},
          {K::VideoRegion, Scope::Arg0},
          {K::AlarmRegion, Scope::Arg0}}},
        {Op::AddVideoRegion, {{K::VideoRegion, Scope::Arg0}}},
        {Op::DeleteVideoRegion, {{K::VideoRegion, Scope::Arg0}}},
        {Op::AddAlarmRegion, {{K::AlarmRegion, Scope::Arg0}}},
        {Op::DeleteAlarmRegion, {{K::AlarmRegion, Scope::Arg0}}},
        {Op::AddRolePermission, {{K::RolePermission, Scope::Added}}},
        {Op::DeleteRolePermission, {{K::RolePermission, Scope::Arg0}}},
        {Op::AddServer, {{K::Server, Scope::Added}}},
        {Op::EditServer, {{K::Server, Scope::Arg0}}},
        {Op::DeleteServer, {{K::Server, Scope::Arg0}}},
    };
    return scopes;
}

// Every key text fills a field of this size, NUL-terminated.
constexpr std::size_t kKeyField = 64;

std::string keyOf(const ChangeKindInfo& kind, const std::string& record)
{
    std::string key(record.data(), strnlen(record.data(), kKeyField));
    if (kind.secondKey) {
        const char* second = record.data() + kind.secondKey;
        key.push_back('\0');
        key.append(second, strnlen(second, kKeyField));
    }
    return key;
}

template <class Rec>
void blankRecord(std::string& bytes, const Caller* caller)
{
    if constexpr (Credential<Rec>::held) {
        Rec record;
        if (bytes.size() != sizeof record)
            return;
        std::memcpy(&record, bytes.data(), sizeof record);
        blankCredential(record, caller);
        std::memcpy(&bytes[0], &record, sizeof record);
    }
}

void blankCredentials(LoggedChange& change, const Caller* caller)
{
    switch (change.kind) {
#define ORSA_BLANK_CASE(code, name, rec, query, second)                                            \
    case ChangeKind::name:                                                                         \
        blankRecord<rec>(change.record, caller);                                                   \
        break;
        ORSA_FOR_EACH_CHANGE_KIND(ORSA_BLANK_CASE)
#undef ORSA_BLANK_CASE
    }
}

LoggedChange readChange(Statement& s)
{
    LoggedChange c;
    c.revision = s.integer64(0);
    c.kind = static_cast<ChangeKind>(s.integer(1));
    c.operation = static_cast<ChangeOp>(s.integer(2));
    c.cascaded = s.integer(3) != 0;
    c.origin = s.text(4);
    c.record = s.text(5);
    return c;
}

} // namespace

std::unique_ptr<ChangeRecorder> ChangeRecorder::forRequest(Call& call, Op op)
{
    const auto& scopes = scopesByOp();
    const auto it = scopes.find(op);
    if (it == scopes.end())
        return nullptr;
    return std::unique_ptr<ChangeRecorder>(new ChangeRecorder(call, it->second));
}

ChangeRecorder::ChangeRecorder(Call& call, const std::vector<Scope>& scopes)
    : m_call(call), m_scopes(scopes)
{}

ChangeRecorder::~ChangeRecorder() = default;

ChangeRecorder::Records ChangeRecorder::capture(const Scope& scope)
{
    static const std::string every;
    const std::string& key = scope.from == Scope::Arg0    ? m_call.text(0)
                             : scope.from == Scope::Added ? m_call.addedGuid
                                                          : every;
    // Read as a caller with every right: nothing is blanked in the log but
    // what a delete leaves behind.
    Caller reader{m_call.caller ? m_call.caller->userName : std::string(), {}, kEveryRight};
    std::vector<Arg> args(1);
    args[0].isText = true;
    args[0].text = key;
    Call query{m_call.db, m_call.session, &reader, m_call.settings, args, {}};
    const Reply reply = runHandler(changeKindInfo(scope.kind).query, query);
    const ChangeKindInfo& kind = changeKindInfo(scope.kind);
    Records records;
    records.reserve(reply.count);
    for (std::uint32_t i = 0; i < reply.count; ++i) {
        std::string record = reply.records.substr(i * kind.recordSize, kind.recordSize);
        records.emplace_back(keyOf(kind, record), std::move(record));
    }
    return records;
}

void ChangeRecorder::begun()
{
    m_before.assign(m_scopes.size(), Records{});
    // A record it adds is new: nothing to read before.
    for (std::size_t i = 0; i < m_scopes.size(); ++i) {
        if (m_scopes[i].from != Scope::Added)
            m_before[i] = capture(m_scopes[i]);
    }
}

void ChangeRecorder::committing()
{
    std::vector<Records> after;
    for (const Scope& scope : m_scopes)
        after.push_back(capture(scope));
    const auto change = [&](std::size_t scope, ChangeOp op, std::string record) {
        LoggedChange c;
        c.kind = m_scopes[scope].kind;
        c.operation = op;
        c.cascaded = op == ChangeOp::Delete && scope != 0;
        c.origin = m_call.session.id;
        c.record = std::move(record);
        return c;
    };
    std::vector<LoggedChange> changes;
    // Children's deletes before their parents'.
    for (std::size_t i = m_scopes.size(); i-- > 0;) {
        std::unordered_set<std::string> stays;
        for (const auto& r : after[i])
            stays.insert(r.first);
        for (auto& r : m_before[i]) {
            if (!stays.count(r.first))
                changes.push_back(change(i, ChangeOp::Delete, std::move(r.second)));
        }
    }
    for (std::size_t i = 0; i < m_scopes.size(); ++i) {
        std::unordered_map<std::string, const std::string*> was;
        for (const auto& r : m_before[i])
            was[r.first] = &r.second;
        for (auto& r : after[i]) {
            const auto it = was.find(r.first);
            if (it == was.end())
                changes.push_back(change(i, ChangeOp::Add, std::move(r.second)));
            else if (*it->second != r.second)
                changes.push_back(change(i, ChangeOp::Edit, std::move(r.second)));
        }
    }
    if (!changes.empty())
        log(changes);
}

void ChangeRecorder::log(std::vector<LoggedChange>& changes)
{
    Store& db = m_call.db;
    std::int64_t revision = logReach(db).newest;
    Statement insert(db, "INSERT INTO change_log VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    for (LoggedChange& c : changes) {
        c.revision = ++revision;
        if (c.operation == ChangeOp::Delete)
            blankCredentials(c, nullptr);
        insert.bind(1, c.revision)
            .bind(2, static_cast<int>(c.kind))
            .bind(3, static_cast<int>(c.operation))
            .bind(4, c.cascaded ? 1 : 0)
            .bind(5, c.origin)
            .bind(6, Blob{c.record});
        insert.run();
        insert.reset();
    }
    run(db, "DELETE FROM change_log WHERE revision <= ?1",
        revision - m_call.settings.changeLogSize);
    // Delivered at commit, to the services following the same database.
    if (db.engine() == Store::Engine::Postgresql)
        db.exec("NOTIFY " + std::string(kChangeChannel));
    m_newest = revision;
}

LogReach logReach(Store& db)
{
    // Apart, so that each is one step along the key's index.
    Statement s(db, "SELECT (SELECT min(revision) FROM change_log), "
                    "(SELECT max(revision) FROM change_log)");
    LogReach reach;
    if (s.step()) {
        reach.oldest = s.integer64(0);
        reach.newest = s.integer64(1);
    }
    return reach;
}

std::vector<LoggedChange> changesAfter(Store& db, std::int64_t after, std::size_t most)
{
    Statement s(db, "SELECT revision, kind, operation, cascaded, origin, record FROM change_log "
                    "WHERE revision > ?1 ORDER BY revision LIMIT ?2");
    s.bind(1, after).bind(2, static_cast<std::int64_t>(most));
    std::vector<LoggedChange> changes;
    while (s.step())
        changes.push_back(readChange(s));
    return changes;
}

bool showTo(const Caller& caller, LoggedChange& change)
{
    // Other accounts only to those who manage accounts, as their query does.
    if (change.kind == K::Account && !caller.holds(Right::Accounts) &&
        std::string(change.record.c_str()) != caller.userName)
        return false;
    blankCredentials(change, &caller);
    return true;
}

} // namespace orsa
