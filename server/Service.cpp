#include "Service.h"

#include "Schema.h"
#include "ServiceHandlers_p.h"

#include <exception>

namespace orsa {
namespace {

using Handler = Reply (*)(Call&);

const Handler kHandlers[] = {
#define ORSA_HANDLER_ROW(op, iface, cb, shape, rec, args) &handle##op,
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

} // namespace

Service::Service(const std::string& databasePath, const ServiceOptions& options)
    : m_db(databasePath)
{
    m_created = prepareDatabase(m_db, options.firstAdminPassword);
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
    } else if (!session.loggedIn && request.op != Op::Login) {
        reply = failure(BIZORSA_E_NOT_LOGGED_IN);
    } else if (!argumentsFit(*info, request.args)) {
        reply = failure(BIZORSA_E_INVALID_ARGUMENT);
    } else {
        try {
            Call call{m_db, session, request.args};
            reply = kHandlers[static_cast<std::size_t>(request.op)](call);
        } catch (const std::exception&) {
            // The handler's transaction has rolled back: nothing was applied.
            reply = failure(BIZORSA_E_INTERNAL);
        }
    }
    answer.result = reply.result;
    if (reply.result >= 0) {
        answer.count = reply.count;
        answer.records = std::move(reply.records);
    }
    return answer;
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
