#include "request_p.h"

#include "eventreceiver.h"
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

Outcome Request::wait()
{
    UserManagerCore* core = UserManagerCore::instance();
    EventReceiver* receiver = EventReceiver::instance();
    core->waitForResult(receiver, SIGNAL(signal_least_callback_coming()));
    Outcome outcome;
    outcome.answered = receiver->timeOutFlag();
    outcome.result = UserDataCache::instance()->dataObj().property("result").toBool();
    return outcome;
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

QString Request::resultGuid()
{
    return UserDataCache::instance()->dataObj().property("guid").toString();
}

} // namespace DATACore
