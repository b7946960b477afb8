#include "OrsaOps.h"

#include <initializer_list>

namespace orsa {
namespace {

template <class Rec>
constexpr std::uint32_t recordSize()
{
    return sizeof(Rec);
}
template <>
constexpr std::uint32_t recordSize<NoRecord>()
{
    return 0;
}

#define ORSA_ARG_LIST(...)                                                                         \
    {                                                                                              \
        __VA_ARGS__                                                                                \
    }
#define ORSA_ARG_COUNT(...)                                                                        \
    static_cast<std::uint8_t>(std::initializer_list<int>{__VA_ARGS__}.size())

const OpInfo kOps[] = {
#define ORSA_OP_ROW(op, iface, cb, shape, rec, access, args)                                       \
    {#op,                                                                                          \
     Iface::iface,                                                                                 \
     Shape::shape,                                                                                 \
     Access::access,                                                                               \
     recordSize<rec>(),                                                                            \
     ORSA_ARG_COUNT args,                                                                          \
     ORSA_ARG_LIST args},
    ORSA_FOR_EACH_OP(ORSA_OP_ROW)
#undef ORSA_OP_ROW
};

static_assert(sizeof(kOps) / sizeof(kOps[0]) == static_cast<std::size_t>(Op::Count),
              "one row per operation");

} // namespace

const OpInfo* opInfo(std::uint16_t code)
{
    return code < static_cast<std::uint16_t>(Op::Count) ? &kOps[code] : nullptr;
}

} // namespace orsa
