// Turns the SDK's answers into cache updates, signals and the end of a wait.
#ifndef EVENTRECEIVER_H
#define EVENTRECEIVER_H

#include "orsadatacenter_export.h"
#include "orsarecords.h"

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

namespace DATACore {

class AnswerWait;

// Receives the callback events that the SDK sinks post, on the thread that
// made the first instance() call (the application's main thread). Each
// handled event publishes "sid", "result" and, for adds that create an
// object, "guid" on UserDataCache::dataObj(), installs fetched lists in the
// cache, emits its typed signal and finally signal_least_callback_coming().
// When no event comes within 15 s of startTimeOut(), the timer emits
// signal_least_callback_coming() instead.
//
// Every answer is handled in full, whichever request it belongs to. The
// library's own waits are matched by request number: each ends only on the
// answer to its own request or on its own 15 s time-out, so a late answer or
// one to another request never ends or changes a wait. Only events the
// library's sinks created are handled; any other event, whatever its type
// number, goes to QObject::customEvent.
class ORSADATACENTER_EXPORT EventReceiver : public QObject
{
    Q_OBJECT
public:
    static EventReceiver* instance();

    explicit EventReceiver(QObject* parent = nullptr);
    ~EventReceiver() override;

    // Clears the time-out flag and starts the 15 s time-out timer, stopping
    // the one an earlier call started if it still runs.
    void startTimeOut();
    // True when the last wait was ended by an answer, false after a time-out.
    bool timeOutFlag();

    QString current_guid();
    void setCurrent_guid(const QString& guid);

    // The journal of region and view operations, kept for the application.
    QList<RegionInfoOPeratorRecord> list_region_operator_record() const;
    void setList_region_operator_record(const QList<RegionInfoOPeratorRecord>& list);
    QList<ViewInfoOPeratorRecord> list_view_operator_record() const;
    void setList_view_operator_record(const QList<ViewInfoOPeratorRecord>& list);

    // Stores rec, overwriting the first record with the same operatorType and sid.
    void addOneRegionOperatorRecord(RegionInfoOPeratorRecord& rec);
    void addOneViewOperatorRecord(ViewInfoOPeratorRecord& rec);
    // The first record with this sid and type; a reset record (sid and
    // result -1, dates 1970-01-01 12:12:12) when none matches or type is
    // OPERATOR_NONE.
    RegionInfoOPeratorRecord getRegionInfoOPeratorRecord(int sid, OPERATORTYPE type);
    ViewInfoOPeratorRecord getViewInfoOPeratorRecord(int sid, OPERATORTYPE type);
    // Stamps rec with the answer (endTime, sid, result), stores it over every
    // journal entry with that sid and announces a successful change.
    void updateRegionOperatorRecord(IAccountCallBackEvent* ev, RegionInfoOPeratorRecord& rec);
    void updateViewOperatorRecord(IAccountCallBackEvent* ev, ViewInfoOPeratorRecord& rec);

signals:
    void signal_account(uchar param_operator_type, int param_sid, int param_result);
    void signal_role(uchar param_operator_type, int param_sid, int param_result);
    void signal_device(uchar param_operator_type, int param_sid, int param_result);
    void signal_Region(uchar param_operator_type, int param_sid, int param_result);
    void signal_Region_remove(QString param_region_guid, QString param_channel_guid);
    void signal_Region_Channel_add(QString param_region_guid, int param_sid);
    void signal_Region_Channel_edit(QString param_region_guid, QString param_channel_guid,
                                    QString param_name);
    void signal_Region_delete(QString param_region_guid);
    void signal_View(uchar param_operator_type, int param_sid, int param_result);
    void signal_view_add(QString param_view_guid, QString param_view_name, int param_view_divid);
    void signal_least_callback_coming();

protected:
    void timerEvent(QTimerEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    friend class AnswerWait;
    static constexpr int kTimeOutMs = 15000;
    AnswerWait* waitFor(int sid) const;
    AnswerWait* waitWithTimer(int timerId) const;

    QString m_current_guid;
    int m_timer_id = -1;
    bool m_time_out = false;
    QList<RegionInfoOPeratorRecord> m_list_region_operator_record;
    QList<ViewInfoOPeratorRecord> m_list_view_operator_record;
    // The library's waits in progress, innermost last.
    QList<AnswerWait*> m_waits;

    static EventReceiver* _EventReceiver_instance_ptr;
};

} // namespace DATACore

#endif // EVENTRECEIVER_H
