// Records every signal of an EventReceiver, in emission order, as
// "name(arg,arg,...)", so one comparison checks which signals came, their
// arguments, their order and that each came once.
#ifndef SIGNALLOG_H
#define SIGNALLOG_H

#include "eventreceiver.h"

#include <QtCore/QStringList>

#include <functional>

class SignalLog
{
public:
    using R = DATACore::EventReceiver;

    explicit SignalLog(R* r)
    {
        record(r, &R::signal_account, "signal_account");
        record(r, &R::signal_role, "signal_role");
        record(r, &R::signal_device, "signal_device");
        record(r, &R::signal_Region, "signal_Region");
        record(r, &R::signal_Region_remove, "signal_Region_remove");
        record(r, &R::signal_Region_Channel_add, "signal_Region_Channel_add");
        record(r, &R::signal_Region_Channel_edit, "signal_Region_Channel_edit");
        record(r, &R::signal_Region_delete, "signal_Region_delete");
        record(r, &R::signal_View, "signal_View");
        record(r, &R::signal_view_add, "signal_view_add");
        record(r, &R::signal_least_callback_coming, "signal_least_callback_coming");
    }

    QStringList lines;
    // Runs right after the completion signal is recorded.
    std::function<void()> onCompletion;

private:
    static QString text(const QString& s) { return s; }
    static QString text(int n) { return QString::number(n); }

    template <typename... Args>
    void record(R* r, void (R::*signal)(Args...), const char* name)
    {
        QObject::connect(r, signal, [this, name](Args... args) {
            const QStringList parts{text(args)...};
            lines << QStringLiteral("%1(%2)").arg(QLatin1String(name),
                                                  parts.join(QLatin1Char(',')));
            if (sizeof...(Args) == 0 && onCompletion) // the completion signal
                onCompletion();
        });
    }
};

#endif // SIGNALLOG_H
