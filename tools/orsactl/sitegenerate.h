// A made-up site of a given size, the same for the same seed: the reference
// large site for trying and measuring import and everything after it.
#ifndef ORSACTL_SITEGENERATE_H
#define ORSACTL_SITEGENERATE_H

#include "sitemodel.h"

namespace orsactl {

struct SiteSize {
    double scale = 1; // 1: 10,000 devices of 4 channels, 2,000 regions, ...
    quint32 seed = 1;
    bool accounts = true; // false: no accounts, so importing it hashes no password
};

// At scale 1: 10,000 devices with 4 channels each; 2,000 regions nested 3 or
// 4 deep, every channel filed once in a region without children; 200 views
// of 16 panes; 100 servers; 50 roles, each granted about 200 regions for
// video and a quarter of those for alarms; 500 accounts without passwords.
// Other scales multiply every count (at least one of each).
// Names mix Chinese and Latin.
Site generateSite(const SiteSize& size);

} // namespace orsactl

#endif // ORSACTL_SITEGENERATE_H
