#include "request_p.h"

#include "BizOrsaResultCodes.h"
#include "answerwait_p.h"
#include "userdatacache.h"

#include <QtCore/QDebug>

namespace DATACore {

void ParamLog::write(const LogSite& site) const
{
    if (!lcOrsa().isDebugEnabled())
        return;
    QDebug line =
        QMessageLogger(site.file, site.line, site.function, lcOrsa().categoryName()).debug();
    for (const Item& item : m_items) {
        if (item.label)
            line << item.label;
        if (!item.value.isValid())
            continue;
        if (item.value.userType() == QMetaType::Int)
            line << item.value.toInt();
        else
            line << item.value.toString();
    }
}

namespace {

Outcome& lastOutcome()
{
    static Outcome outcome;
    return outcome;
}

} // namespace

Outcome Request::wait(int sid)
{
    AnswerWait wait(sid);
    wait.exec();
    Outcome outcome;
    outcome.status =
        wait.state() == AnswerWait::Answered ? RequestOutcome::Answered : RequestOutcome::TimedOut;
    outcome.answer = wait.answer();
    outcome.code = outcome.answer ? outcome.answer->result : BIZORSA_E_INTERNAL;
    return lastOutcome() = outcome;
}

Outcome Request::refused(int sid)
{
    Outcome outcome;
    outcome.status = RequestOutcome::Refused;
    outcome.code = sid;
    return lastOutcome() = outcome;
}

const Outcome& Request::last()
{
    return lastOutcome();
}

void Request::writeSid(const LogSite& site, SidLabel label, int sid)
{
    ORSA_SITE_DEBUG(site) << (label == FetchSid ? "sid" : "sid:") << sid;
}

void setResultProperties(std::initializer_list<std::pair<const char*, QVariant>> properties)
{
    QObject& result = UserDataCache::instance()->dataObj();
    for (const auto& property : properties)
        result.setProperty(property.first, property.second);
}

} // namespace DATACore

namespace DATACore {

RequestOutcome UserManagerCore::lastRequestOutcome() const
{
    const Outcome& last = Request::last();
    RequestOutcome outcome;
    outcome.status = last.status;
    outcome.resultCode = last.code;
    return outcome;
}

QString UserManagerCore::lastRequestText() const
{
    const Outcome& last = Request::last();
    switch (last.status) {
    case RequestOutcome::NoRequest:
        return QStringLiteral("no request made");
    case RequestOutcome::Refused:
        return QStringLiteral("refused by the SDK before it was sent");
    case RequestOutcome::TimedOut:
        return QStringLiteral("no answer within 15 s");
    case RequestOutcome::Answered:
        break;
    }
    return QString::fromUtf8(BizOrsaResultText(last.code));
}

} // namespace DATACore
