// Reading a site file: JSON syntax, the shape of every record, and that each
// reference names a record of the file. Nothing is sent before all of it holds.
#include "jsonlocator.h"
#include "sitemodel.h"

#include "BizOrsaClientLib.h"

#include <QTextCodec>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSet>

#include <climits>
#include <cmath>

namespace orsactl {
namespace {

struct Fault {
    QString path;
    QString message;
};

[[noreturn]] void fault(const QString& path, const QString& message)
{
    throw Fault{path, message};
}

QString member(const QString& path, const char* name)
{
    return path + QLatin1Char('.') + QLatin1String(name);
}

// One record of the file: typed access to its members, by path for the messages.
class Record
{
public:
    Record(const QJsonValue& value, QString path, QStringList allowed)
        : m_object(value.toObject()), m_path(std::move(path))
    {
        if (!value.isObject())
            fault(m_path, QStringLiteral("an object is expected"));
        for (const QString& name : m_object.keys()) {
            if (!allowed.contains(name))
                fault(m_path + QLatin1Char('.') + name,
                      QStringLiteral("unknown member '%1'").arg(name));
        }
    }

    // A text of the file. field is the size of the record field it fills on
    // the server, NUL included; 0 for the file's own ids, which are never sent.
    QString text(const char* name, std::size_t field, bool required = false) const
    {
        const QJsonValue v = m_object.value(QLatin1String(name));
        if (v.isUndefined() && required)
            fault(m_path, QStringLiteral("member '%1' is missing").arg(QLatin1String(name)));
        if (!v.isUndefined() && !v.isString())
            fault(member(m_path, name),
                  QStringLiteral("'%1' must be a text").arg(QLatin1String(name)));
        if (required && v.toString().isEmpty())
            fault(member(m_path, name), QStringLiteral("'%1' is empty").arg(QLatin1String(name)));
        checkText(v.toString(), member(m_path, name), field);
        return v.toString();
    }

    int number(const char* name, int min, int max, int fallback) const
    {
        const QJsonValue v = m_object.value(QLatin1String(name));
        if (v.isUndefined())
            return fallback;
        // The range first: converting a double out of int's range is undefined.
        const double d = v.toDouble();
        if (!v.isDouble() || !(d >= min && d <= max) || d != std::floor(d))
            fault(member(m_path, name), QStringLiteral("'%1' must be a whole number from %2 to %3")
                                            .arg(QLatin1String(name))
                                            .arg(min)
                                            .arg(max));
        return int(d);
    }

    QJsonArray array(const char* name) const
    {
        const QJsonValue v = m_object.value(QLatin1String(name));
        if (!v.isUndefined() && !v.isArray())
            fault(member(m_path, name),
                  QStringLiteral("'%1' must be an array").arg(QLatin1String(name)));
        return v.toArray();
    }

    QStringList texts(const char* name) const
    {
        QStringList list;
        const QJsonArray items = array(name);
        for (int i = 0; i < items.size(); ++i) {
            if (!items.at(i).isString())
                fault(member(m_path, name) + QStringLiteral("[%1]").arg(i),
                      QStringLiteral("a text is expected"));
            checkText(items.at(i).toString(), member(m_path, name) + QStringLiteral("[%1]").arg(i),
                      0);
            list.append(items.at(i).toString());
        }
        return list;
    }

    // Name and value of each member of an object member.
    QMap<QString, QString> textMap(const char* name, std::size_t keyField,
                                   std::size_t valueField) const
    {
        const QJsonValue v = m_object.value(QLatin1String(name));
        if (!v.isUndefined() && !v.isObject())
            fault(member(m_path, name),
                  QStringLiteral("'%1' must be an object").arg(QLatin1String(name)));
        QMap<QString, QString> map;
        const QJsonObject object = v.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString path = member(m_path, name) + QLatin1Char('.') + it.key();
            if (!it.value().isString())
                fault(path, QStringLiteral("a text is expected"));
            checkText(it.key(), path, keyField);
            checkText(it.value().toString(), path, valueField);
            map.insert(it.key(), it.value().toString());
        }
        return map;
    }

    const QString& path() const { return m_path; }

private:
    // A NUL would cut the text where the server stores it, and a text that
    // does not fit its field would be refused halfway through an import.
    static void checkText(const QString& text, const QString& path, std::size_t field)
    {
        if (text.contains(QChar(0)))
            fault(path, QStringLiteral("a text may not hold a NUL character"));
        // Counted in the encoding the data layer sends it in.
        const std::size_t bytes =
            std::size_t(QTextCodec::codecForLocale()->fromUnicode(text).size());
        if (field > 0 && bytes >= field)
            fault(path, QStringLiteral("the text is %1 bytes long; at most %2 fit")
                            .arg(bytes)
                            .arg(field - 1));
    }

    QJsonObject m_object;
    QString m_path;
};

QStringList names(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* name : list)
        out.append(QLatin1String(name));
    return out;
}

// Calls read(record) for each element of the root's array member.
template <typename Read>
void eachRecord(const QJsonObject& root, const char* list, const QStringList& allowed, Read read)
{
    const QJsonValue value = root.value(QLatin1String(list));
    if (value.isUndefined())
        return;
    if (!value.isArray())
        fault(QLatin1String(list),
              QStringLiteral("'%1' must be an array").arg(QLatin1String(list)));
    const QJsonArray items = value.toArray();
    for (int i = 0; i < items.size(); ++i)
        read(
            Record(items.at(i), QStringLiteral("%1[%2]").arg(QLatin1String(list)).arg(i), allowed));
}

// Ids of one kind of record: each defined once, each reference to a defined one.
class Ids
{
public:
    explicit Ids(const char* kind) : m_kind(QLatin1String(kind)) {}
    void define(const QString& id, const QString& path)
    {
        if (m_ids.contains(id))
            fault(path, QStringLiteral("%1 '%2' is defined twice").arg(m_kind, id));
        m_ids.insert(id);
    }
    void expect(const QString& id, const QString& path) const
    {
        if (!m_ids.contains(id))
            fault(path, QStringLiteral("no %1 has the id '%2'").arg(m_kind, id));
    }

private:
    QString m_kind;
    QSet<QString> m_ids;
};

SiteChannelRef channelRef(const Record& r, const QHash<QString, int>& channelCounts)
{
    const SiteChannelRef ref{r.text("device", 0, true), r.number("channel", 1, 1024, 1)};
    if (!channelCounts.contains(ref.device))
        fault(member(r.path(), "device"),
              QStringLiteral("no device has the id '%1'").arg(ref.device));
    if (ref.channel > channelCounts.value(ref.device))
        fault(member(r.path(), "channel"), QStringLiteral("device '%1' has only %2 channels")
                                               .arg(ref.device)
                                               .arg(channelCounts.value(ref.device)));
    return ref;
}

// Every region reaches the top through its parents. Each region is walked
// once: a walk stops at the first region already known to reach the top.
void checkNoCycle(const Site& site)
{
    QHash<QString, int> indexOf;
    for (int i = 0; i < site.regions.size(); ++i)
        indexOf.insert(site.regions.at(i).id, i);
    QSet<QString> reachesTop;
    for (const SiteRegion& region : site.regions) {
        QSet<QString> walked;
        for (QString at = region.id; !at.isEmpty() && !reachesTop.contains(at);
             at = site.regions.at(indexOf.value(at)).parent) {
            if (walked.contains(at))
                fault(QStringLiteral("regions[%1].parent").arg(indexOf.value(at)),
                      QStringLiteral("region '%1' is its own ancestor").arg(at));
            walked.insert(at);
        }
        reachesTop.unite(walked);
    }
}

void readRecords(const QJsonObject& root, Site& site)
{
    const QStringList lists =
        names({"roles", "accounts", "regions", "devices", "regionChannels", "views", "servers"});
    for (const QString& name : root.keys()) {
        if (!lists.contains(name))
            fault(name, QStringLiteral("unknown member '%1'").arg(name));
    }

    Ids roles("role"), regions("region"), devices("device"), views("view"), servers("server"),
        accounts("account");
    roles.define(administratorRoleId(), QString());
    QList<QPair<QString, QString>> regionRefs; // id, path: checked once all regions are read

    eachRecord(root, "roles", names({"id", "name", "describe", "permissions", "video", "alarm"}),
               [&](const Record& r) {
                   SiteRole role{r.text("id", 0, true),
                                 r.text("name", sizeof(tabROLEINFO::name), true),
                                 r.text("describe", sizeof(tabROLEINFO::describe)),
                                 r.textMap("permissions", sizeof(tabROLEPERMISSIONINFO::type),
                                           sizeof(tabROLEPERMISSIONINFO::value)),
                                 r.texts("video"),
                                 r.texts("alarm")};
                   if (role.id != administratorRoleId())
                       roles.define(role.id, member(r.path(), "id"));
                   for (const QString& id : role.video + role.alarm)
                       regionRefs.append({id, r.path()});
                   site.roles.append(role);
               });
    eachRecord(root, "accounts", names({"name", "phone", "mail", "role", "password"}),
               [&](const Record& r) {
                   const SiteAccount a{r.text("name", sizeof(tabACCOUNT::userName), true),
                                       r.text("phone", sizeof(tabACCOUNT::phone)),
                                       r.text("mail", sizeof(tabACCOUNT::mail)), r.text("role", 0),
                                       r.text("password", sizeof(tabACCOUNT::password))};
                   accounts.define(a.name, member(r.path(), "name"));
                   if (!a.role.isEmpty())
                       roles.expect(a.role, member(r.path(), "role"));
                   site.accounts.append(a);
               });
    eachRecord(root, "regions", names({"id", "name", "parent", "level", "describe"}),
               [&](const Record& r) {
                   const SiteRegion region{r.text("id", 0, true), r.text("parent", 0),
                                           r.text("name", sizeof(tabREGIONINFO::name), true),
                                           r.text("describe", sizeof(tabREGIONINFO::describe)),
                                           r.number("level", 0, 1000000, 0)};
                   regions.define(region.id, member(r.path(), "id"));
                   site.regions.append(region);
               });
    for (int i = 0; i < site.regions.size(); ++i) {
        if (!site.regions.at(i).parent.isEmpty())
            regions.expect(site.regions.at(i).parent, QStringLiteral("regions[%1].parent").arg(i));
    }
    checkNoCycle(site);
    for (const auto& ref : regionRefs)
        regions.expect(ref.first, ref.second);

    QHash<QString, int> channelCounts;
    eachRecord(root, "devices",
               names({"id", "name", "number", "login", "password", "ip", "port", "channels",
                      "vendor", "type"}),
               [&](const Record& r) {
                   const SiteDevice d{r.text("id", 0, true),
                                      r.text("name", sizeof(tabDEVICEINFO::devName), true),
                                      r.text("number", sizeof(tabDEVICEINFO::devNO)),
                                      r.text("login", sizeof(tabDEVICEINFO::devUser)),
                                      r.text("password", sizeof(tabDEVICEINFO::devPassword)),
                                      r.text("ip", sizeof(tabDEVICEINFO::devIP)),
                                      r.number("port", 0, 65535, 0),
                                      r.number("channels", 0, 1024, 1),
                                      r.number("vendor", INT_MIN, INT_MAX, 0),
                                      r.number("type", INT_MIN, INT_MAX, 0)};
                   devices.define(d.id, member(r.path(), "id"));
                   channelCounts.insert(d.id, d.channels);
                   site.devices.append(d);
               });
    eachRecord(root, "regionChannels", names({"region", "device", "channel", "name"}),
               [&](const Record& r) {
                   const SiteRegionChannel f{r.text("region", 0, true),
                                             channelRef(r, channelCounts),
                                             r.text("name", sizeof(tabCHANNELINFO::channelName))};
                   regions.expect(f.region, member(r.path(), "region"));
                   site.regionChannels.append(f);
               });
    eachRecord(root, "views", names({"id", "name", "divide", "channels"}), [&](const Record& r) {
        SiteView view{r.text("id", 0, true),
                      r.text("name", sizeof(tabVIEWINFO::name), true),
                      r.number("divide", 0, 1024, 4),
                      {}};
        views.define(view.id, member(r.path(), "id"));
        const QJsonArray placements = r.array("channels");
        for (int i = 0; i < placements.size(); ++i) {
            const Record p(placements.at(i),
                           member(r.path(), "channels") + QStringLiteral("[%1]").arg(i),
                           names({"device", "channel", "position"}));
            view.channels.append({channelRef(p, channelCounts), p.number("position", 0, 1024, i)});
        }
        site.views.append(view);
    });
    eachRecord(root, "servers", names({"id", "name", "ip", "port", "login", "password", "type"}),
               [&](const Record& r) {
                   const SiteServer s{r.text("id", 0, true),
                                      r.text("name", sizeof(tabSERVERINFO::name), true),
                                      r.text("ip", sizeof(tabSERVERINFO::ip)),
                                      r.text("login", sizeof(tabSERVERINFO::user)),
                                      r.text("password", sizeof(tabSERVERINFO::password)),
                                      r.number("port", 0, 65535, 0),
                                      r.number("type", INT_MIN, INT_MAX, 0)};
                   servers.define(s.id, member(r.path(), "id"));
                   site.servers.append(s);
               });
}

} // namespace

bool readSite(const QByteArray& text, Site& site, QString& error)
{
    const JsonLocator locator(text);
    QJsonParseError parseError{};
    QJsonDocument document;
    // A repeated member is refused before parsing: see hasRepeatedMember().
    if (!locator.hasRepeatedMember()) {
        document = QJsonDocument::fromJson(text, &parseError);
        if (parseError.error != QJsonParseError::NoError) {
            error = QStringLiteral("%1: %2").arg(JsonLocator::position(text, parseError.offset),
                                                 parseError.errorString());
            return false;
        }
    }
    try {
        const QString repeated = locator.firstRepeatedMember();
        if (locator.hasRepeatedMember())
            fault(repeated, QStringLiteral("member '%1' is given twice")
                                .arg(repeated.section(QLatin1Char('.'), -1)));
        if (!document.isObject())
            fault(QString(), QStringLiteral("the file must hold one JSON object"));
        readRecords(document.object(), site);
    } catch (const Fault& f) {
        error = QStringLiteral("%1: %2 (at %3)")
                    .arg(JsonLocator::position(text, locator.offsetOf(f.path)), f.message,
                         f.path.isEmpty() ? QStringLiteral("the top") : f.path);
        return false;
    }
    return true;
}

} // namespace orsactl
