// The cached regions by guid, for answering many guid look-ups at once.
#ifndef REGIONINDEX_P_H
#define REGIONINDEX_P_H

#include "orsarecords.h"
#include "pinyinsort_p.h"

#include <QtCore/QHash>
#include <QtCore/QList>

namespace DATACore {

// Answers as getOneRegionByCache does: the whole list for an empty guid, else
// the regions with that guid in pinyin order. Built once, each look-up then
// costs one hash probe instead of a scan of the list.
class RegionIndex
{
public:
    explicit RegionIndex(const QList<RegionInfo>& regions) : m_regions(regions)
    {
        for (int k = 0; k < regions.size(); ++k)
            m_positions[regions.at(k).guid].append(k);
    }

    QList<RegionInfo> withGuid(const QString& guid) const
    {
        if (guid.isEmpty())
            return m_regions;
        QList<RegionInfo> found;
        for (int k : m_positions.value(guid))
            found.append(m_regions.at(k));
        sortByPinyinInitials(found, &RegionInfo::name);
        return found;
    }

private:
    QList<RegionInfo> m_regions;
    QHash<QString, QList<int>> m_positions;
};

} // namespace DATACore

#endif // REGIONINDEX_P_H
