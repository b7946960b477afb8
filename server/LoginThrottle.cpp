#include "LoginThrottle.h"

#include "ServiceHandlers_p.h"

#include <algorithm>

namespace orsa {
namespace {

constexpr int kFreeFailures = 5;
constexpr std::int64_t kFirstWaitMs = 1000;
constexpr std::int64_t kLongestWaitMs = 5 * 60 * 1000;
// Bounds the table against floods of made-up names; the names failed least
// recently go first.
constexpr int kMostNames = 10000;

std::int64_t waitAfter(int failures)
{
    if (failures < kFreeFailures)
        return 0;
    // 2^9 s is past the longest wait already: no need to shift further.
    const int doublings = std::min(failures - kFreeFailures, 9);
    return std::min(kFirstWaitMs << doublings, kLongestWaitMs);
}

} // namespace

const char* const kLoginFailuresTable =
    "CREATE TABLE login_failures(user_name TEXT PRIMARY KEY, failures INTEGER NOT NULL, "
    "last_ms BIGINT NOT NULL)";

bool loginRefused(Store& db, const std::string& userName, std::int64_t nowMs)
{
    Statement s(db, "SELECT failures, last_ms FROM login_failures WHERE user_name = ?1");
    s.bind(1, userName);
    if (!s.step())
        return false;
    // A clock set back ends the wait rather than stretching it.
    const std::int64_t since = nowMs - s.integer64(1);
    return since >= 0 && since < waitAfter(s.integer(0));
}

void recordLoginFailure(Store& db, const std::string& userName, std::int64_t nowMs)
{
    Transaction t(db);
    run(db,
        "INSERT INTO login_failures VALUES(?1, 1, ?2) ON CONFLICT(user_name) "
        "DO UPDATE SET failures = login_failures.failures + 1, last_ms = excluded.last_ms",
        userName, nowMs);
    run(db,
        "DELETE FROM login_failures WHERE last_ms <= (SELECT last_ms FROM login_failures "
        "ORDER BY last_ms DESC LIMIT 1 OFFSET ?1)",
        kMostNames);
    t.commit();
}

void clearLoginFailures(Store& db, const std::string& userName)
{
    // The usual case, a name without failures, takes no write lock.
    if (exists(db, "SELECT 1 FROM login_failures WHERE user_name = ?1", userName))
        changeOne(db, "DELETE FROM login_failures WHERE user_name = ?1", userName);
}

} // namespace orsa
