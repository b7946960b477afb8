// Answer frames as the SDK's transports hand them over, back to back in the
// input: each that decodes goes through the hub to the data layer's sinks,
// which convert the SDK's records and post them to the event receiver, which
// then handles them as it would any late answer.
#include "Hub.h"
#include "Transport.h"
#include "Wire.h"
#include "eventreceiver.h"
#include "sinks_p.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// Answers come from the input, not from a service.
class InputTransport final : public orsa::Transport
{
public:
    bool hasOwnThread() const override { return true; }
    void send(orsa::Op, std::int32_t, const std::string&) override {}
    void answer(orsa::Answer answer) { inbox().answered(std::move(answer)); }
};

struct Setup {
    Setup()
    {
        static int argc = 1;
        static char name[] = "fuzz_sinks";
        static char* argv[] = {name, nullptr};
        // Never freed: the sinks and the receiver live as long as the process.
        new QCoreApplication(argc, argv);
        receiver = DATACore::EventReceiver::instance();
        auto* hub = new orsa::Hub(std::unique_ptr<orsa::Transport>(transport));
        attach(hub, DATACore::IAccountEvent::instance(), &orsa::Hub::SetAccountEvent);
        attach(hub, DATACore::IDeviceEvent::instance(), &orsa::Hub::SetDeviceEvent);
        attach(hub, DATACore::IviewEvent::instance(), &orsa::Hub::SetViewEvent);
        attach(hub, DATACore::IRegionEvent::instance(), &orsa::Hub::SetRegionEvent);
        attach(hub, DATACore::IRoleEvent::instance(), &orsa::Hub::SetRoleEvent);
        attach(hub, DATACore::IServerEvent::instance(), &orsa::Hub::SetServerEvent);
        attach(hub, DATACore::IRolePermissionEvent::instance(), &orsa::Hub::SetRolePermissionEvent);
        attach(hub, DATACore::IRegionRoleEvent::instance(), &orsa::Hub::SetVideoRegionEvent);
        attach(hub, DATACore::IAlarmRoleEvent::instance(), &orsa::Hub::SetAlarmRegionEvent);
    }
    template <typename Sink, typename Set>
    void attach(orsa::Hub* hub, Sink* sink, Set set)
    {
        sink->setTarget(receiver);
        (hub->*set)(sink);
    }

    InputTransport* transport = new InputTransport;
    QObject* receiver = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::size_t at = 0;
    while (bytes.size() - at >= orsa::kFrameHeaderSize) {
        orsa::FrameHead head;
        if (!orsa::readFrameHead(bytes.data() + at, head))
            break;
        const std::size_t frameSize =
            std::min<std::size_t>(orsa::kFrameHeaderSize + head.payloadSize, bytes.size() - at);
        orsa::Answer answer;
        if (orsa::decodeAnswer(bytes.substr(at, frameSize), answer))
            setup.transport->answer(std::move(answer));
        at += frameSize;
    }
    QCoreApplication::sendPostedEvents(setup.receiver);
    return 0;
}
