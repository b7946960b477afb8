// The road of one synchronous request, written once for every operation.
#ifndef REQUEST_P_H
#define REQUEST_P_H

#include "callbackevent_p.h"
#include "localtext_p.h"
#include "orsalog_p.h"
#include "recordkeys_p.h"
#include "userdatacache.h"
#include "usermanagercore.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariant>
#include <QtCore/QVector>

#include <initializer_list>
#include <memory>
#include <utility>

namespace DATACore {

// Where a log line comes from: the operation's own file, line and function.
struct LogSite {
    const char* file;
    int line;
    const char* function;
};
#define ORSA_HERE (::DATACore::LogSite{__FILE__, __LINE__, Q_FUNC_INFO})

// A debug line through the library's category, with site as its context.
#define ORSA_SITE_DEBUG(site)                                                                      \
    for (bool orsaOnce = lcOrsa().isDebugEnabled(); orsaOnce; orsaOnce = false)                    \
    QMessageLogger((site).file, (site).line, (site).function, lcOrsa().categoryName()).debug()

// Credentials never reach a log; their label is kept and the value masked.
inline const QString& passwordMask()
{
    static const QString mask = QStringLiteral("******");
    return mask;
}

// The parameter line of a request: a leading text naming the operation
// followed by the first value, then a label before each further value.
// Texts are quoted by the debug stream, numbers are not.
class ParamLog
{
public:
    explicit ParamLog(const char* lead) : m_items{{lead, QVariant()}} {}
    template <typename T>
    ParamLog(const char* lead, const T& value)
    {
        arg(lead, value);
    }
    template <typename T>
    ParamLog& arg(const char* label, const T& value)
    {
        m_items.append({label, QVariant::fromValue(value)});
        return *this;
    }
    ParamLog& secret(const char* label, const QString&)
    {
        m_items.append({label, passwordMask()});
        return *this;
    }
    // A value without a label of its own.
    template <typename T>
    ParamLog& value(const T& value)
    {
        m_items.append({nullptr, QVariant::fromValue(value)});
        return *this;
    }
    void write(const LogSite& site) const;

private:
    struct Item {
        const char* label;
        QVariant value;
    };
    QVector<Item> m_items;
};

// Arguments as the SDK takes them: texts as local 8-bit bytes that live until
// the end of the full expression of the call, numbers as they are.
struct Local8Bit {
    explicit Local8Bit(const QString& text) : bytes(toLocal8Bit(text)) {}
    operator const char*() const { return bytes.constData(); }
    QByteArray bytes;
};
inline Local8Bit sdkArg(const QString& text)
{
    return Local8Bit(text);
}
inline int sdkArg(int number)
{
    return number;
}

// Calls an SDK operation with converted arguments. A sub-interface that was
// never obtained refuses the request instead of crashing.
template <typename Iface, typename... Params, typename... Args>
int sdkCall(Iface* iface, int (Iface::*op)(Params...), const Args&... args)
{
    if (!iface)
        return -1;
    return (iface->*op)(sdkArg(args)...);
}

// How one request ended, read from the answer matched to it.
struct Outcome {
    RequestOutcome::Status status = RequestOutcome::NoRequest;
    int code = 0; // the server's result code; the request number when refused
    std::shared_ptr<const IAccountCallBackEvent> answer;

    // An answer, not the time-out, ended the wait.
    bool answered() const { return status == RequestOutcome::Answered; }
    // The answer reported success.
    bool result() const { return answered() && code >= 0; }
    // The guid an add's answer reported.
    QString guid() const { return answer ? answer->guid : QString(); }
};

class Request
{
public:
    enum SidLabel { ManagementSid, FetchSid };

    // Make the call and log its request number; unless refused, wait for the
    // answer or the time-out.
    template <typename Call>
    static Outcome call(const LogSite& site, Call&& request, SidLabel label = ManagementSid)
    {
        const int sid = request();
        writeSid(site, label, sid);
        if (sid < 0)
            return refused(sid);
        return wait(sid);
    }

    // The whole road: the parameter line first.
    template <typename Call>
    static Outcome send(const LogSite& site, const ParamLog& log, Call&& request,
                        SidLabel label = ManagementSid)
    {
        log.write(site);
        return call(site, std::forward<Call>(request), label);
    }

    // The usual form: true when the server confirmed the request.
    template <typename Call>
    static bool run(const LogSite& site, const ParamLog& log, Call&& request)
    {
        return send(site, log, std::forward<Call>(request)).result();
    }

    // For an operation that wrote its parameter line before other requests.
    template <typename Call>
    static bool run(const LogSite& site, Call&& request)
    {
        return call(site, std::forward<Call>(request)).result();
    }

    // Waits for the answer to the request numbered sid; it becomes the last outcome.
    static Outcome wait(int sid);
    static Outcome refused(int sid);
    // The outcome of the last request made.
    static const Outcome& last();

    static void writeSid(const LogSite& site, SidLabel label, int sid);
    // The guid the answer to the last request reported.
    static QString resultGuid() { return last().guid(); }
};

// Mirrors a change the server confirmed into the cache (CacheAdd, CacheEdit
// or CacheDelete).
template <typename Rec>
void updateCache(Rec record, int op)
{
    UserDataCache::instance()->updateInfoNode(record, op);
}

// Parks an operation's arguments on the result object, in the given order,
// for applications that read them during the wait.
void setResultProperties(std::initializer_list<std::pair<const char*, QVariant>> properties);

} // namespace DATACore

#endif // REQUEST_P_H
