// Sorting 2,000 regions with Chinese names by pinyin initials: the library's
// ranked exchange sort against the exchange sort that recomputes initials at
// every comparison. Prints times, their ratio and whether the orders agree.
#include "orsadatacenter.h"
#include "pinyinsort_p.h"

#include <QTextCodec>
#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace DATACore;

namespace {

// Random GB2312 characters of both levels, one to three per name, so that
// many names share their initials and the tie order is exercised.
QList<RegionInfo> makeRegions(int count)
{
    QTextCodec* gb = QTextCodec::codecForName("GB18030");
    QRandomGenerator random(20240521);
    QList<RegionInfo> regions;
    for (int k = 0; k < count; ++k) {
        QByteArray bytes;
        const int length = 1 + random.bounded(3);
        for (int c = 0; c < length; ++c) {
            const int zone = 16 + random.bounded(87 - 16 + 1);
            const int position = 1 + random.bounded(zone == 55 ? 89 : 94);
            bytes.append(static_cast<char>(zone + 160));
            bytes.append(static_cast<char>(position + 160));
        }
        RegionInfo region;
        region.guid = QStringLiteral("region-%1").arg(k);
        region.describe = region.guid; // survives the guid change below
        region.name = gb->toUnicode(bytes);
        regions.append(region);
    }
    return regions;
}

// The textbook form: both names converted and reduced at every comparison,
// whole records swapped.
void naiveExchangeSort(QList<RegionInfo>& regions)
{
    for (int i = 0; i < regions.size(); ++i) {
        for (int j = i + 1; j < regions.size(); ++j) {
            if (pinyinSortKey(regions[j].name) < pinyinSortKey(regions[i].name))
                regions.swapItemsAt(i, j);
        }
    }
}

double milliseconds(qint64 ns)
{
    return double(ns) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;
    // The fastest of several runs: the build machine is shared, and the
    // minimum is the figure least disturbed by other load.
    const int naiveRuns = 3;
    const int rankedRuns = 21;
    const QList<RegionInfo> regions = makeRegions(count);
    QElapsedTimer timer;

    QList<RegionInfo> naive;
    qint64 naiveNs = std::numeric_limits<qint64>::max();
    for (int run = 0; run < naiveRuns; ++run) {
        naive = regions;
        timer.start();
        naiveExchangeSort(naive);
        naiveNs = std::min(naiveNs, timer.nsecsElapsed());
    }

    QList<RegionInfo> ranked;
    qint64 rankedNs = std::numeric_limits<qint64>::max();
    for (int run = 0; run < rankedRuns; ++run) {
        ranked = regions;
        timer.start();
        sortByPinyinInitials(ranked, &RegionInfo::name);
        rankedNs = std::min(rankedNs, timer.nsecsElapsed());
    }

    // The same sort reached the way the application does: GetOneRegion("")
    // for a logged-in role granted every region, through the embedded service.
    UserManagerCore* core = UserManagerCore::instance();
    EventReceiver* receiver = EventReceiver::instance();
    if (!core->ExportInterFace(receiver, QStringLiteral("embedded"), 0, false) ||
        !core->AccountLogin(QStringLiteral("admin"), QStringLiteral("admin"))) {
        std::fprintf(stderr, "cannot log in to the embedded service\n");
        return 1;
    }
    QList<RoleRegionInfo> grants;
    for (const RegionInfo& region : regions)
        grants.append({core->userRole().guid, region.guid});
    UserDataCache::instance()->setList_region_info(regions);
    UserDataCache::instance()->setList_role_region_info(grants);
    QList<RegionInfo> viaFacade;
    qint64 facadeNs = std::numeric_limits<qint64>::max();
    for (int run = 0; run < rankedRuns; ++run) {
        timer.restart();
        viaFacade = core->GetOneRegion(QString());
        facadeNs = std::min(facadeNs, timer.nsecsElapsed());
    }

    // Records are told apart by describe, since names and guids may repeat.
    const auto sameOrder = [&naive](const QList<RegionInfo>& other) {
        if (other.size() != naive.size())
            return false;
        for (int k = 0; k < naive.size(); ++k) {
            if (other[k].describe != naive[k].describe)
                return false;
        }
        return true;
    };
    const bool identical = sameOrder(ranked);
    const bool identicalViaFacade = sameOrder(viaFacade);

    std::printf("regions:                         %d\n", count);
    std::printf("naive exchange sort (best of %d): %.1f ms\n", naiveRuns, milliseconds(naiveNs));
    std::printf("ranked exchange sort (best of %d): %.3f ms\n", rankedRuns, milliseconds(rankedNs));
    std::printf("ratio naive/ranked:              %.0f\n", double(naiveNs) / rankedNs);
    std::printf("GetOneRegion(\"\") logged in (best of %d): %.3f ms\n", rankedRuns,
                milliseconds(facadeNs));
    std::printf("ratio naive/GetOneRegion:        %.0f\n", double(naiveNs) / facadeNs);
    std::printf("same order, records:             %s\n", identical ? "yes" : "NO");
    std::printf("same order, via the facade:      %s\n", identicalViaFacade ? "yes" : "NO");
    return identical && identicalViaFacade ? 0 : 1;
}
