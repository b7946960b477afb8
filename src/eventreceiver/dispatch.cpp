#include "dispatch_p.h"

#include "userdatacache.h"

#include <iterator>

namespace DATACore {
namespace {

template <auto List, auto Setter>
void install(UserDataCache* cache, const IAccountCallBackEvent& ev)
{
    (cache->*Setter)(ev.*List);
}

using E = IAccountCallBackEvent;
using C = UserDataCache;
using R = EventReceiver;
constexpr auto none = nullptr;

// Indexed by type - EvFirst.
const CallbackAction kActions[] = {
    /* 1015 */ {none, false, &R::signal_account, OPERATOR_ADD_ACCOUNT},
    /* 1016 */ {none, false, &R::signal_account, OPERATOR_DEL_ACCOUNT},
    /* 1017 */ {none, false, &R::signal_account, OPERATOR_EDIT_ACCOUNT},
    /* 1018 */
    {install<&E::accounts, &C::setList_account_Info>, false, &R::signal_account,
     OPERATOR_GET_ACCOUNT},
    /* 1019 */ {none, false, none, OPERATOR_NONE},
    /* 1020 */ {none, false, none, OPERATOR_NONE},
    /* 1021 */ {none, true, &R::signal_device, OPERATOR_ADD_DEVICE},
    /* 1022 */ {none, false, &R::signal_device, OPERATOR_DEL_DEVICE},
    /* 1023 */ {none, false, &R::signal_device, OPERATOR_EDIT_DEVICE},
    /* 1024 */
    {install<&E::devices, &C::setList_device_info>, false, &R::signal_device, OPERATOR_GET_DEVICE},
    /* 1025 */
    {install<&E::deviceChannels, &C::setList_device_channel_info>, false, &R::signal_device,
     OPERATOR_GET_DEVICE_CHANNEL},
    /* 1026 */ {none, true, &R::signal_View, OPERATOR_ADD_VIEW},
    /* 1027 */ {none, false, &R::signal_View, OPERATOR_DEL_VIEW},
    /* 1028 */ {none, false, &R::signal_View, OPERATOR_EDIT_VIEW},
    /* 1029 */
    {install<&E::views, &C::setList_view_info>, false, &R::signal_View, OPERATOR_GET_VIEW},
    /* 1030 */ {none, false, &R::signal_View, OPERATOR_ADD_VIEW_CHANNEL},
    /* 1031 */ {none, false, &R::signal_View, OPERATOR_DEL_VIEW_CHANNEL},
    /* 1032 */ {none, false, &R::signal_View, OPERATOR_EDIT_VIEW_CHANNEL},
    /* 1033 */
    {install<&E::viewChannels, &C::setViewChannelInfo>, false, &R::signal_View,
     OPERATOR_GET_VIEW_CHANNEL},
    /* 1034 */ {none, true, &R::signal_Region, OPERATOR_ADD_REGION},
    /* 1035 */ {none, false, &R::signal_Region, OPERATOR_DEL_REGION},
    /* 1036 */ {none, false, &R::signal_Region, OPERATOR_EDIT_REGION},
    /* 1037 */
    {install<&E::regions, &C::setList_region_info>, false, &R::signal_Region, OPERATOR_GET_REGION},
    /* 1038 */ {none, false, &R::signal_Region, OPERATOR_ADD_REGION_CHANNEL},
    /* 1039 */ {none, false, &R::signal_Region, OPERATOR_DEL_REGION_CHANNEL},
    /* 1040 */ {none, false, &R::signal_Region, OPERATOR_EDIT_REGION_CHANNEL},
    /* 1041 */
    {install<&E::regionChannels, &C::setList_region_channel_info>, false, &R::signal_Region,
     OPERATOR_GET_REGION_CHANNEL},
    /* 1042 */ {none, true, &R::signal_role, OPERATOR_ADD_ROLE},
    /* 1043 */ {none, false, &R::signal_role, OPERATOR_DEL_ROLE},
    /* 1044 */ {none, false, &R::signal_role, OPERATOR_EDIT_ROLE},
    /* 1045 */
    {install<&E::roles, &C::setList_role_info>, false, &R::signal_role, OPERATOR_GET_ROLE},
    /* 1046 */ {none, false, none, OPERATOR_NONE},
    /* 1047 */ {none, false, none, OPERATOR_NONE},
    /* 1048 */ {install<&E::roleRegions, &C::setList_role_region_info>, false, none, OPERATOR_NONE},
    /* 1049 */ {none, false, none, OPERATOR_NONE},
    /* 1050 */ {none, false, none, OPERATOR_NONE},
    /* 1051 */
    {install<&E::regionAlarms, &C::setList_role_alarm_info>, false, none, OPERATOR_NONE},
    /* 1052 */ {none, true, none, OPERATOR_NONE},
    /* 1053 */ {none, false, none, OPERATOR_NONE},
    /* 1054 */ {none, false, none, OPERATOR_NONE},
    /* 1055 */ {install<&E::servers, &C::setList_server_info>, false, none, OPERATOR_NONE},
    /* 1056 */ {none, true, none, OPERATOR_NONE},
    /* 1057 */ {none, false, none, OPERATOR_NONE},
    /* 1058 */
    {install<&E::rolePermissions, &C::setList_role_permission_info>, false, none, OPERATOR_NONE},
    /* 1059 */ {none, false, none, OPERATOR_NONE},
    /* 1060 */ {none, false, none, OPERATOR_NONE},
    /* 1061 */ {install<&E::userViews, &C::setListUserView>, false, none, OPERATOR_NONE},
};
static_assert(std::size(kActions) == EvLast - EvFirst + 1, "one action per event type");

} // namespace

const CallbackAction* callbackAction(int type)
{
    if (type < EvFirst || type > EvLast)
        return nullptr;
    return &kActions[type - EvFirst];
}

} // namespace DATACore
