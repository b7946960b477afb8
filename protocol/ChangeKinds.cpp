#include "ChangeKinds.h"

namespace orsa {
namespace {

const ChangeKindInfo kKinds[] = {
#define ORSA_CHANGE_KIND_ROW(code, name, rec, query, second)                                       \
    {ChangeKind::name, Op::query, sizeof(rec), static_cast<std::uint32_t>(second)},
    ORSA_FOR_EACH_CHANGE_KIND(ORSA_CHANGE_KIND_ROW)
#undef ORSA_CHANGE_KIND_ROW
};

constexpr std::uint32_t kKindCount = sizeof kKinds / sizeof kKinds[0];

} // namespace

const ChangeKindInfo* changeKindInfo(std::uint32_t code)
{
    // Codes count from 1, in table order.
    return code >= 1 && code <= kKindCount ? &kKinds[code - 1] : nullptr;
}

} // namespace orsa
