// The receiver's journal of region and view operations, kept for the
// application; nothing in the library adds to it or reads it.
#include "callbackevent_p.h"
#include "eventreceiver.h"

namespace DATACore {
namespace {

QDateTime resetTime()
{
    return QDateTime(QDate(1970, 1, 1), QTime(12, 12, 12), Qt::LocalTime);
}

RegionInfoOPeratorRecord resetRegionRecord()
{
    RegionInfoOPeratorRecord rec;
    rec.operatorType = OPERATOR_NONE;
    rec.sid = -1;
    rec.result = -1;
    rec.regionInfo.level = -1;
    rec.regionChannelInfo.channelInfo.channelNo = -1;
    rec.startTime = resetTime();
    rec.endTime = resetTime();
    return rec;
}

ViewInfoOPeratorRecord resetViewRecord()
{
    ViewInfoOPeratorRecord rec;
    rec.operatorType = OPERATOR_NONE;
    rec.sid = -1;
    rec.result = -1;
    rec.viewInfo.divide = -1;
    rec.viewChannelInfo.channelInfo.channelNo = -1;
    rec.viewChannelInfo.position = -1;
    rec.viewParam.divide = -1;
    rec.startTime = resetTime();
    rec.endTime = resetTime();
    return rec;
}

template <typename Rec>
void addRecord(QList<Rec>& list, const Rec& rec)
{
    for (Rec& stored : list) {
        if (stored.operatorType == rec.operatorType && stored.sid == rec.sid) {
            stored = rec;
            return;
        }
    }
    list.append(rec);
}

template <typename Rec>
Rec findRecord(const QList<Rec>& list, int sid, OPERATORTYPE type, const Rec& reset)
{
    if (type == OPERATOR_NONE)
        return reset;
    for (const Rec& stored : list) {
        if (stored.sid == sid && stored.operatorType == type)
            return stored;
    }
    return reset;
}

// Stamps rec with the answer and stores it over every entry with its sid;
// returns whether the answer reported success. Without an answer there is
// nothing to stamp.
template <typename Rec>
bool stampRecord(QList<Rec>& list, const IAccountCallBackEvent* ev, Rec& rec)
{
    if (!ev)
        return false;
    rec.endTime = QDateTime::currentDateTime();
    rec.sid = ev->sid;
    rec.result = ev->result;
    for (Rec& stored : list) {
        if (stored.sid == rec.sid)
            stored = rec;
    }
    return rec.result >= 0;
}

} // namespace

QList<RegionInfoOPeratorRecord> EventReceiver::list_region_operator_record() const
{
    return m_list_region_operator_record;
}

void EventReceiver::setList_region_operator_record(const QList<RegionInfoOPeratorRecord>& list)
{
    m_list_region_operator_record = list;
}

QList<ViewInfoOPeratorRecord> EventReceiver::list_view_operator_record() const
{
    return m_list_view_operator_record;
}

void EventReceiver::setList_view_operator_record(const QList<ViewInfoOPeratorRecord>& list)
{
    m_list_view_operator_record = list;
}

void EventReceiver::addOneRegionOperatorRecord(RegionInfoOPeratorRecord& rec)
{
    addRecord(m_list_region_operator_record, rec);
}

void EventReceiver::addOneViewOperatorRecord(ViewInfoOPeratorRecord& rec)
{
    addRecord(m_list_view_operator_record, rec);
}

RegionInfoOPeratorRecord EventReceiver::getRegionInfoOPeratorRecord(int sid, OPERATORTYPE type)
{
    return findRecord(m_list_region_operator_record, sid, type, resetRegionRecord());
}

ViewInfoOPeratorRecord EventReceiver::getViewInfoOPeratorRecord(int sid, OPERATORTYPE type)
{
    return findRecord(m_list_view_operator_record, sid, type, resetViewRecord());
}

void EventReceiver::updateRegionOperatorRecord(IAccountCallBackEvent* ev,
                                               RegionInfoOPeratorRecord& rec)
{
    if (!stampRecord(m_list_region_operator_record, ev, rec))
        return;
    const RegionChannelParam& param = rec.channelParam;
    switch (rec.operatorType) {
    case OPERATOR_ADD_REGION_CHANNEL:
        emit signal_Region_Channel_add(param.regionGuid, rec.sid);
        break;
    case OPERATOR_DEL_REGION:
        emit signal_Region_delete(rec.regionInfo.guid);
        break;
    case OPERATOR_DEL_REGION_CHANNEL:
        emit signal_Region_remove(param.regionGuid, param.channelGuid);
        break;
    case OPERATOR_EDIT_REGION_CHANNEL:
        emit signal_Region_Channel_edit(param.regionGuid, param.channelGuid, param.name);
        break;
    default:
        break;
    }
}

void EventReceiver::updateViewOperatorRecord(IAccountCallBackEvent* ev, ViewInfoOPeratorRecord& rec)
{
    if (!stampRecord(m_list_view_operator_record, ev, rec))
        return;
    if (rec.operatorType == OPERATOR_ADD_VIEW)
        emit signal_view_add(rec.viewInfo.guid, rec.viewInfo.name, rec.viewInfo.divide);
}

} // namespace DATACore
