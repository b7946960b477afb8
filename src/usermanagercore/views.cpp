// Views and the channels placed in them. No view channel operation emits a signal.
#include "cascade_p.h"
#include "channelpart_p.h"
#include "request_p.h"

#include "BizOrsaClientLib.h"

namespace DATACore {

bool UserManagerCore::AddView(const QString& name, int divide)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("add view param_name:", name).arg(" param_sDivide:", divide),
                      [&] { return sdkCall(m_view, &IBizOrsaView::AddView, name, divide); }))
        return false;
    const UViewInfo view{Request::resultGuid(), name, divide};
    updateCache(view, CacheAdd);
    emit signalAddView(view);
    return true;
}

bool UserManagerCore::EditView(const QString& guid, const QString& name, int divide)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("edit view param_guid:", guid)
                          .arg(" param_name:", name)
                          .arg(" param_sDivide:", divide),
                      [&] { return sdkCall(m_view, &IBizOrsaView::EditView, guid, name, divide); }))
        return false;
    const UViewInfo view{guid, name, divide};
    updateCache(view, CacheEdit);
    emit signalEditView(view);
    return true;
}

bool UserManagerCore::DeleteView(const QString& guid)
{
    setResultProperties({{"guid", guid}});
    if (!Request::run(ORSA_HERE, ParamLog("delete view param_guid:", guid),
                      [&] { return sdkCall(m_view, &IBizOrsaView::DeleteView, guid); }))
        return false;
    updateCache(UViewInfo{guid, {}, 0}, CacheDelete);
    dropDependents(*this, Deleted::View, guid);
    emit signalDeleteView(guid);
    return true;
}

bool UserManagerCore::AddViewChannel(const QString& viewGuid, const QString& channelGuid,
                                     int position)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("add view channel param_view_guid:", viewGuid)
                          .arg(" param_channel_guid:", channelGuid)
                          .arg(" param_nPostion:", position),
                      [&] {
                          return sdkCall(m_view, &IBizOrsaView::AddViewChannel, viewGuid,
                                         channelGuid, position);
                      }))
        return false;
    updateCache(UViewChannelInfo{viewGuid, channelPart(this, channelGuid), position}, CacheAdd);
    return true;
}

bool UserManagerCore::EditViewChannel(const QString& viewGuid, const QString& channelGuid,
                                      int position)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("edit view channel param_view_guid:", viewGuid)
                          .arg(" param_channel_guid:", channelGuid)
                          .arg(" param_nPostion:", position),
                      [&] {
                          return sdkCall(m_view, &IBizOrsaView::EditViewChannel, viewGuid,
                                         channelGuid, position);
                      }))
        return false;
    updateCache(UViewChannelInfo{viewGuid, channelPart(this, channelGuid), position}, CacheEdit);
    return true;
}

bool UserManagerCore::DeleteViewChannel(const QString& viewGuid, const QString& channelGuid)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("delete view channel param_view_guid:", viewGuid)
                          .arg(" param_channel_guid:", channelGuid),
                      [&] {
                          return sdkCall(m_view, &IBizOrsaView::DeleteViewChannel, viewGuid,
                                         channelGuid);
                      }))
        return false;
    UViewChannelInfo placement;
    placement.viewGuid = viewGuid;
    placement.channelInfo.channelGuid = channelGuid;
    updateCache(placement, CacheDelete);
    return true;
}

bool UserManagerCore::saveViewChannel(const QString& viewGuid, QMap<int, QString>& channels)
{
    for (auto it = channels.cbegin(); it != channels.cend(); ++it) {
        if (!AddViewChannel(viewGuid, it.value(), it.key()))
            return false;
    }
    return true;
}

bool UserManagerCore::deleteViewChannel(const QString& channelGuid)
{
    const QList<UViewChannelInfo> snapshot = GetViewChannel(QString());
    for (const UViewChannelInfo& placement : snapshot) {
        if (placement.channelInfo.channelGuid == channelGuid &&
            !DeleteViewChannel(placement.viewGuid, channelGuid))
            return false;
    }
    return true;
}

void UserManagerCore::deleteViewAllChannel(const QString& viewGuid)
{
    // An empty guid would select the placements of every view.
    if (viewGuid.isEmpty())
        return;
    const QList<UViewChannelInfo> snapshot = GetViewChannel(viewGuid);
    for (const UViewChannelInfo& placement : snapshot)
        DeleteViewChannel(viewGuid, placement.channelInfo.channelGuid);
}

bool UserManagerCore::viewNameExists(const QString& name)
{
    for (const UViewInfo& view : GetView(QString())) {
        if (view.name == name)
            return true;
    }
    return false;
}

} // namespace DATACore
