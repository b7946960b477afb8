// The change log: one row per record a committed write changed, written in
// that write's own transaction, read back for the sessions that follow it.
#ifndef ORSA_CHANGELOG_H
#define ORSA_CHANGELOG_H

#include "ChangeKinds.h"
#include "Store.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orsa {

struct Call;
struct Caller;

// The PostgreSQL notification channel on which a commit that logged changes
// tells the other services on its database.
constexpr char kChangeChannel[] = "orsa_changes";

// One row of the log. Deleted records are kept without their credentials.
struct LoggedChange {
    std::int64_t revision = 0;
    ChangeKind kind = ChangeKind::Account;
    ChangeOp operation = ChangeOp::Add;
    bool cascaded = false;
    std::string origin; // the id of the session that made it
    std::string record; // as the kind's query returns it to a caller with every right
};

// Records what one request changes: reads the records it may change as its
// transaction begins and again as it commits, and logs the differences in
// revision order, cascaded deletes before the delete that caused them.
class ChangeRecorder final : public TransactionObserver
{
public:
    // Null for a request that changes no record.
    static std::unique_ptr<ChangeRecorder> forRequest(Call& call, Op op);
    ~ChangeRecorder();
    void begun() override;
    void committing() override;
    // The revision of the last change it logged; 0 before any.
    std::int64_t newest() const { return m_newest; }

    struct Scope;

private:
    using Records = std::vector<std::pair<std::string, std::string>>; // key, record

    ChangeRecorder(Call& call, const std::vector<Scope>& scopes);
    Records capture(const Scope& scope);
    void log(std::vector<LoggedChange>& changes);

    Call& m_call;
    const std::vector<Scope>& m_scopes;
    std::vector<Records> m_before; // per scope
    std::int64_t m_newest = 0;
};

// The first and last revision the log holds; both 0 while it is empty.
struct LogReach {
    std::int64_t oldest = 0;
    std::int64_t newest = 0;
};
LogReach logReach(Store& db);

// At most `most` changes after the revision `after`, oldest first.
std::vector<LoggedChange> changesAfter(Store& db, std::int64_t after, std::size_t most);

// Whether the caller may see the change, as its queries would show the
// record; blanks the credentials it may not see.
bool showTo(const Caller& caller, LoggedChange& change);

} // namespace orsa

#endif // ORSA_CHANGELOG_H
