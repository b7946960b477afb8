// Turns a decoded answer into the one callback that belongs to its request.
#include "Hub.h"

#include <cstring>
#include <vector>

namespace orsa {
namespace {

template <class Rec, class Sink, class Callback>
void deliverPlain(Sink* sink, Callback cb, const Answer& answer)
{
    (sink->*cb)(answer.sid, answer.result);
}

template <class Rec, class Sink, class Callback>
void deliverAdd(Sink* sink, Callback cb, const Answer& answer)
{
    // Never a null record: a failed add hands over an empty one.
    Rec record{};
    if (answer.count == 1)
        std::memcpy(&record, answer.records.data(), sizeof record);
    (sink->*cb)(answer.sid, answer.result, &record);
}

template <class Rec, class Sink, class Callback>
void deliverFetch(Sink* sink, Callback cb, const Answer& answer)
{
    // Copied into an array of the record type, so every field is properly aligned.
    std::vector<Rec> records(answer.count);
    if (!records.empty())
        std::memcpy(records.data(), answer.records.data(), records.size() * sizeof(Rec));
    (sink->*cb)(answer.sid, answer.result, records.data(), static_cast<int>(records.size()));
}

} // namespace

void Hub::deliver(const Answer& answer)
{
    try {
        switch (answer.op) {
#define ORSA_DELIVER_CASE(op, iface, cb, shape, rec, access, args)                                 \
    case Op::op:                                                                                   \
        if (auto* sink = m_sinks.iface.load())                                                     \
            deliver##shape<rec>(sink, &IBizOrsa##iface##Event::cb, answer);                        \
        break;
            ORSA_FOR_EACH_OP(ORSA_DELIVER_CASE)
#undef ORSA_DELIVER_CASE
        case Op::Count:
            break;
        }
    } catch (...) {
        // A throwing callback must not take the hub's thread down.
    }
}

} // namespace orsa
