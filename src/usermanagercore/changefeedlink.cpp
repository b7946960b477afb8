#include "changefeedlink_p.h"

#include "BizOrsaChangeFeed.h"
#include "changeevent_p.h"
#include "orsalog_p.h"
#include "recordconversion_p.h"
#include "sinks_p.h"

#include <QtCore/QCoreApplication>

#include <dlfcn.h>

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace DATACore {
namespace {

// ---- The records of the feed -------------------------------------------------

// Copied first: the SDK's bytes need not be aligned for the record.
template <typename Tab>
Tab copied(const void* bytes)
{
    Tab tab;
    std::memcpy(&tab, bytes, sizeof tab);
    return tab;
}

// Decoded as a fetch decodes them, so a change leaves the record a reload gives.
template <typename Tab>
auto fromFeed(const Tab& tab)
{
    return fromSdk(tab, decodeLocal8Bit);
}
inline UViewChannelInfo fromFeed(const tabVIEWCHANNELINFO& tab)
{
    return fromSdk(tab, decodeLocal8Bit, decodeUtf8);
}

template <typename Tab>
ChangedRecord converted(const void* bytes)
{
    return fromFeed(copied<Tab>(bytes));
}

struct KindLayout {
    int size;
    ChangedRecord (*convert)(const void* bytes);
};

template <std::size_t Index, typename Tab>
constexpr KindLayout layout()
{
    using Converted = decltype(fromFeed(std::declval<const Tab&>()));
    static_assert(std::is_same_v<Converted, std::variant_alternative_t<Index, ChangedRecord>>,
                  "a kind's record sits at its number less one");
    return {int(sizeof(Tab)), &converted<Tab>};
}

// Indexed by BizOrsaChangeKind less one.
const KindLayout kLayouts[] = {
    layout<0, tabACCOUNT>(),
    layout<1, tabROLEINFO>(),
    layout<2, tabROLEPERMISSIONINFO>(),
    layout<3, tabREGIONINFO>(),
    layout<4, tabREGIONCHANNELINFO>(),
    layout<5, tabDEVICEINFO>(),
    layout<6, tabCHANNELINFO>(),
    layout<7, tabVIEWINFO>(),
    layout<8, tabVIEWCHANNELINFO>(),
    layout<9, tabSERVERINFO>(),
    layout<10, tabVIDEOREGIONINFO>(),
    layout<11, tabALARMREGIONINFO>(),
};
static_assert(std::size(kLayouts) == std::variant_size_v<ChangedRecord>, "one layout per kind");
static_assert(BIZORSA_CHANGE_ALARMREGION == int(std::size(kLayouts)), "kinds numbered from 1");

bool toOperation(int operation, RemoteChange::Operation& out)
{
    switch (operation) {
    case BIZORSA_CHANGE_ADD:
        out = RemoteChange::Added;
        return true;
    case BIZORSA_CHANGE_EDIT:
        out = RemoteChange::Edited;
        return true;
    case BIZORSA_CHANGE_DELETE:
        out = RemoteChange::Deleted;
        return true;
    }
    return false;
}

// ---- The sink ------------------------------------------------------------------

// Converts each notice on the SDK's thread and posts it, as the answer sinks
// do; the session's own changes stop here, their operations announced them.
class FeedSink final : public IBizOrsaChangeSink
{
public:
    FeedSink(quint64 link, QObject* target) : m_link(link) { m_target.set(target); }
    ~FeedSink() = default;

    void setTarget(QObject* target) { m_target.set(target); }

    void OnChange(const BizOrsaChange* change) override
    {
        if (!change || change->own)
            return;
        RemoteChange::Operation operation;
        const bool known = change->kind >= 1 && change->kind <= int(std::size(kLayouts));
        const KindLayout* layout = known ? &kLayouts[change->kind - 1] : nullptr;
        if (!layout || !toOperation(change->operation, operation) || !change->record ||
            change->recordSize != layout->size) {
            qCDebug(lcOrsa) << "change feed: skipped a malformed change, revision"
                            << change->revision << "kind" << change->kind << "operation"
                            << change->operation << "size" << change->recordSize;
            return;
        }
        auto* ev = new ChangeEvent(ChangeEvent::Change, m_link);
        ev->revision = change->revision;
        ev->operation = operation;
        ev->cascaded = change->cascaded != 0;
        ev->record = layout->convert(change->record);
        post(ev);
    }

    void OnResyncNeeded() override { post(new ChangeEvent(ChangeEvent::ResyncNeeded, m_link)); }

private:
    void post(ChangeEvent* ev)
    {
        // The priority of the answers, so that a change and an answer are
        // handled in the order the server sent them.
        if (QObject* target = m_target.get())
            QCoreApplication::postEvent(target, ev, Qt::LowEventPriority);
        else
            delete ev;
    }

    const quint64 m_link;
    SinkTarget m_target;
};

// ---- The SDK's function ----------------------------------------------------------

using GetChangeFeed = IBizOrsaChangeFeed* (*)(IBizOrsaClient*);

template <typename To, typename From>
To pointerCast(From from)
{
    static_assert(sizeof(To) == sizeof(From), "code and data pointers of one size");
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

// BizOrsaGetChangeFeed of the module that defines the CreateOrsa in use: a
// function of another SDK build would not know that module's hubs.
GetChangeFeed lookUpGetChangeFeed()
{
    Dl_info sdk{};
    if (!dladdr(pointerCast<void*>(&CreateOrsa), &sdk))
        return nullptr;
    void* symbol = nullptr;
    if (void* module = dlopen(sdk.dli_fname, RTLD_LAZY | RTLD_NOLOAD)) {
        symbol = dlsym(module, "BizOrsaGetChangeFeed");
        dlclose(module);
    }
    if (!symbol)
        symbol = dlsym(RTLD_DEFAULT, "BizOrsaGetChangeFeed");
    Dl_info found{};
    if (!symbol || !dladdr(symbol, &found) || found.dli_fbase != sdk.dli_fbase)
        return nullptr;
    return pointerCast<GetChangeFeed>(symbol);
}

// ---- The links -----------------------------------------------------------------

struct Link {
    IBizOrsaClient* hub;
    IBizOrsaChangeFeed* feed;
    std::unique_ptr<FeedSink> sink;
    quint64 id;
};

std::vector<std::unique_ptr<Link>>& links()
{
    static std::vector<std::unique_ptr<Link>> all;
    return all;
}

quint64 g_currentLink = 0;

Link* linkOf(IBizOrsaClient* hub)
{
    for (const auto& link : links()) {
        if (link->hub == hub)
            return link.get();
    }
    return nullptr;
}

} // namespace

void attachChangeFeed(IBizOrsaClient* hub, QObject* owner)
{
    static quint64 lastId = 0;
    if (Link* link = linkOf(hub)) {
        link->sink->setTarget(owner);
        g_currentLink = link->id;
        return;
    }
    static const GetChangeFeed getChangeFeed = lookUpGetChangeFeed();
    IBizOrsaChangeFeed* feed = getChangeFeed ? getChangeFeed(hub) : nullptr;
    if (!feed) {
        qCDebug(lcOrsa) << "the SDK has no change feed: the cache changes only by this session";
        g_currentLink = 0;
        return;
    }
    auto link = std::make_unique<Link>(Link{hub, feed, nullptr, ++lastId});
    link->sink = std::make_unique<FeedSink>(link->id, owner);
    const int result = feed->SetChangeSink(link->sink.get());
    if (result < 0) {
        qCDebug(lcOrsa) << "the change feed refused the sink:" << result;
        g_currentLink = 0;
        return;
    }
    g_currentLink = link->id;
    links().push_back(std::move(link));
}

void releaseHub(IBizOrsaClient* hub)
{
    auto& all = links();
    std::unique_ptr<Link> link;
    for (auto it = all.begin(); it != all.end(); ++it) {
        if ((*it)->hub == hub) {
            link = std::move(*it);
            all.erase(it);
            break;
        }
    }
    if (link) {
        link->feed->SetChangeSink(nullptr);
        if (link->id == g_currentLink)
            g_currentLink = 0;
    }
    DestroyOrsa(hub);
    // Only now: no callback runs after DestroyOrsa returns.
    link.reset();
}

bool changeFeedAttached(IBizOrsaClient* hub)
{
    const Link* link = linkOf(hub);
    return link && link->id == g_currentLink;
}

bool changeLinkCurrent(quint64 link)
{
    return link != 0 && link == g_currentLink;
}

} // namespace DATACore
