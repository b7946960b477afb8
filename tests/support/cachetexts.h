// Cached records as "key|name|..." texts, so that lists of every kind compare
// alike. Each test says which fields of a record it checks with described()
// overloads of its own, handed in as a generic lambda.
#ifndef CACHETEXTS_H
#define CACHETEXTS_H

#include "support/singletons.h"

#include <QtCore/QList>
#include <QtCore/QMap>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <initializer_list>

inline QString joined(std::initializer_list<QVariant> fields)
{
    QStringList texts;
    for (const QVariant& field : fields)
        texts << field.toString();
    return texts.join(QLatin1Char('|'));
}

template <typename T, typename Describe>
QStringList describedList(const QList<T>& records, Describe describe)
{
    QStringList out;
    for (const T& r : records)
        out << describe(r);
    return out;
}

// Every cached list, by name.
using Snapshot = QMap<QString, QStringList>;

template <typename Describe>
Snapshot cacheSnapshot(Describe describe)
{
    const auto list = [&](const auto& records) { return describedList(records, describe); };
    return {
        {"accounts", list(cache()->list_account_Info())},
        {"roles", list(cache()->list_role_info())},
        {"permissions", list(cache()->list_role_permission_info())},
        {"regions", list(cache()->list_region_info())},
        {"region channels", list(cache()->list_region_channel_info())},
        {"devices", list(cache()->list_device_info())},
        {"device channels", list(cache()->list_device_channel_info())},
        {"views", list(cache()->list_view_info())},
        {"view channels", list(cache()->viewChannelInfo())},
        {"servers", list(cache()->list_server_info())},
        {"video grants", list(cache()->list_role_region_info())},
        {"alarm grants", list(cache()->list_region_alarm_info())},
    };
}

#endif // CACHETEXTS_H
