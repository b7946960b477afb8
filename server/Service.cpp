#include "Service.h"

#include "ChangeLog.h"
#include "Rights.h"
#include "Schema.h"
#include "ServiceHandlers_p.h"
#include "SqliteStore.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <random>
#include <thread>

namespace orsa {
namespace {

using Handler = Reply (*)(Call&);

const Handler kHandlers[] = {
#define ORSA_HANDLER_ROW(op, iface, cb, shape, rec, access, args) &handle##op,
    ORSA_FOR_EACH_OP(ORSA_HANDLER_ROW)
#undef ORSA_HANDLER_ROW
};

// Arguments of the right kinds, each text short enough for its field.
bool argumentsFit(const OpInfo& info, const std::vector<Arg>& args)
{
    if (args.size() != info.argCount)
        return false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool wantsText = info.argFieldSize[i] != 0;
        if (args[i].isText != wantsText)
            return false;
        if (wantsText && args[i].text.size() >= info.argFieldSize[i])
            return false;
    }
    return true;
}

// Several services on one database: a request that met a concurrent change
// runs again on the state that change left, as if it had come after it.
constexpr int kMostAttempts = 20;

// A random pause, longer with each attempt up to 100 ms: requests that keep
// meeting each other fall out of step, so that a delete under a stream of
// adds to the same rows gets its turn.
void pauseBeforeAttempt(int attempt)
{
    thread_local std::minstd_rand random{std::random_device{}()};
    const int most = std::min(1 << std::min(attempt, 7), 100);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, most * 1000)(random)));
}

// The handlers check their rules before they write; a constraint that still
// fails was broken by a concurrent request between check and write.
std::int32_t resultOf(DbError::Problem problem, const OpInfo& info)
{
    switch (problem) {
    case DbError::Problem::Duplicate:
        return BIZORSA_E_ALREADY_EXISTS;
    case DbError::Problem::Reference:
        return std::strncmp(info.name, "Delete", 6) == 0 ? BIZORSA_E_STILL_IN_USE
                                                         : BIZORSA_E_NOT_FOUND;
    default:
        return BIZORSA_E_INTERNAL;
    }
}

// The store tells the recorder of the request's transactions while it runs.
class Observing
{
public:
    Observing(Store& store, TransactionObserver* observer) : m_store(store)
    {
        m_store.observe(observer);
    }
    ~Observing() { m_store.observe(nullptr); }
    Observing(const Observing&) = delete;
    Observing& operator=(const Observing&) = delete;

private:
    Store& m_store;
};

} // namespace

Reply runHandler(Op op, Call& call)
{
    return kHandlers[static_cast<std::size_t>(op)](call);
}

std::int64_t wallClock()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

Service::Service(const std::string& databasePath, int hashIterations, Clock clock,
                 const ServiceOptions& options)
    : Service(std::make_unique<SqliteStore>(databasePath), hashIterations, std::move(clock),
              options)
{}

Service::Service(std::unique_ptr<Store> store, int hashIterations, Clock clock,
                 const ServiceOptions& options)
    : m_store(std::move(store)), m_settings{hashIterations, std::move(clock),
                                            std::max<std::int64_t>(1, options.changeLogSize)}
{
    m_created = prepareDatabase(*m_store, hashIterations, options.firstAdminPassword);
}

Reply Service::run(Session& session, const OpInfo& info, const Request& request)
{
    const std::optional<Caller> caller = currentCaller(*m_store, session);
    if (!caller && info.access != Access::Open)
        return failure(BIZORSA_E_NOT_LOGGED_IN);
    if (!argumentsFit(info, request.args))
        return failure(BIZORSA_E_INVALID_ARGUMENT);
    if (caller && !permits(info.access, *caller, request.args))
        return failure(BIZORSA_E_FORBIDDEN);
    Call call{*m_store, session, caller ? &*caller : nullptr, m_settings, request.args, {}};
    const std::unique_ptr<ChangeRecorder> recorder = ChangeRecorder::forRequest(call, request.op);
    const Observing observing(*m_store, recorder.get());
    Reply reply = runHandler(request.op, call);
    if (recorder && recorder->newest())
        m_newestLogged = recorder->newest();
    return reply;
}

Reply Service::runAgainOnConflict(Session& session, const OpInfo& info, const Request& request)
{
    for (int attempt = 1;; ++attempt) {
        try {
            return run(session, info, request);
        } catch (const DbError& e) {
            // The handler's transaction has rolled back: nothing was applied.
            if (e.problem() == DbError::Problem::Conflict && attempt < kMostAttempts) {
                pauseBeforeAttempt(attempt + 1);
                continue;
            }
            return failure(resultOf(e.problem(), info));
        } catch (const std::exception&) {
            return failure(BIZORSA_E_INTERNAL);
        }
    }
}

Answer Service::handle(Session& session, const Request& request)
{
    Answer answer;
    answer.op = request.op;
    answer.sid = request.sid;
    const OpInfo* info = opInfo(static_cast<std::uint16_t>(request.op));
    Reply reply;
    if (!info) {
        reply = failure(BIZORSA_E_INVALID_ARGUMENT);
    } else {
        reply = runAgainOnConflict(session, *info, request);
    }
    answer.result = reply.result;
    if (reply.result >= 0) {
        answer.count = reply.count;
        answer.records = std::move(reply.records);
    }
    return answer;
}

FeedBatch Service::feed(Session& session, std::int64_t& position)
{
    // Rows read at a time: each read ends at the log's newest revision, which
    // bounds the number of reads.
    constexpr std::size_t kRowsPerRead = 1000;
    FeedBatch batch;
    try {
        const std::optional<Caller> caller = currentCaller(*m_store, session);
        if (!caller)
            return batch;
        position = std::max(position, session.loggedInAt);
        const LogReach reach = logReach(*m_store);
        if (position >= reach.newest)
            return batch;
        if (position + 1 < reach.oldest) {
            batch.resyncNeeded = true;
            position = reach.newest;
            return batch;
        }
        std::size_t read = kRowsPerRead;
        while (read == kRowsPerRead && position < reach.newest) {
            std::vector<LoggedChange> rows = changesAfter(*m_store, position, kRowsPerRead);
            read = rows.size();
            for (LoggedChange& c : rows) {
                position = c.revision;
                if (!showTo(*caller, c))
                    continue;
                PushedChange pushed;
                pushed.revision = c.revision;
                pushed.kind = static_cast<std::uint32_t>(c.kind);
                pushed.operation = static_cast<std::uint32_t>(c.operation);
                pushed.own = !session.id.empty() && c.origin == session.id;
                pushed.cascaded = c.cascaded;
                pushed.record = std::move(c.record);
                batch.changes.push_back(std::move(pushed));
            }
        }
    } catch (const std::exception&) {
        // Read again on the next turn, from where it stopped.
    }
    return batch;
}

std::string Service::handleFrame(Session& session, const std::string& frame)
{
    Request request;
    switch (decodeRequest(frame, request)) {
    case DecodeStatus::Ok:
        return encodeAnswer(handle(session, request));
    case DecodeStatus::BadPayload: {
        Answer answer;
        answer.op = request.op;
        answer.sid = request.sid;
        answer.result = BIZORSA_E_INVALID_ARGUMENT;
        return encodeAnswer(answer);
    }
    case DecodeStatus::Drop:
        break;
    }
    return {};
}

} // namespace orsa
