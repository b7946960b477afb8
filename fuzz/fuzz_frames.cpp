// The frame codec on arbitrary bytes: whatever decodes must encode back to the
// very same bytes, since both ends rely on frames having one spelling.
#include "Frame.h"
#include "Wire.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    orsa::Request request;
    if (orsa::decodeRequest(bytes, request) == orsa::DecodeStatus::Ok)
        require(orsa::encodeRequest(request) == bytes);

    orsa::Answer answer;
    if (orsa::decodeAnswer(bytes, answer)) {
        require(orsa::encodeAnswer(answer) == bytes);
        require(orsa::answerResult(bytes) == answer.result);
    }

    orsa::FrameHead head;
    if (size >= orsa::kFrameHeaderSize && orsa::readFrameHead(bytes.data(), head)) {
        const std::string payload = bytes.substr(orsa::kFrameHeaderSize);
        orsa::ClientHello client;
        if (orsa::decodeHello(payload, client)) {
            orsa::ClientHello again;
            const std::string frame = orsa::encodeHello(client);
            require(orsa::decodeHello(frame.substr(orsa::kFrameHeaderSize), again));
            require(again.version == client.version && again.token == client.token);
        }
        orsa::ServerHello server;
        if (orsa::decodeHello(payload, server)) {
            orsa::ServerHello again;
            const std::string frame = orsa::encodeHello(server);
            require(orsa::decodeHello(frame.substr(orsa::kFrameHeaderSize), again));
            require(again.status == server.status && again.resumed == server.resumed &&
                    again.keepAliveMs == server.keepAliveMs);
        }
    }
    return 0;
}
