#include "Wire.h"

#include "Bytes.h"
#include "ChangeKinds.h"

#include <cstring>

namespace orsa {

bool readFrameHead(const char* p, FrameHead& out)
{
    if (std::memcmp(p, kFrameMagic, sizeof kFrameMagic) != 0)
        return false;
    out.version = static_cast<std::uint8_t>(p[4]);
    out.type = static_cast<std::uint8_t>(p[5]);
    out.op = static_cast<std::uint16_t>(static_cast<unsigned char>(p[6]) |
                                        (static_cast<unsigned char>(p[7]) << 8));
    out.sid = static_cast<std::int32_t>(getU32(p + 8));
    out.payloadSize = getU32(p + 12);
    return true;
}

std::string frameHeader(FrameType type, std::uint16_t op, std::int32_t sid,
                        std::uint32_t payloadSize)
{
    std::string out(kFrameMagic, sizeof kFrameMagic);
    out.push_back(static_cast<char>(kFrameVersion));
    out.push_back(static_cast<char>(type));
    out.push_back(static_cast<char>(op & 0xFF));
    out.push_back(static_cast<char>(op >> 8));
    putU32(out, static_cast<std::uint32_t>(sid));
    putU32(out, payloadSize);
    return out;
}

std::string encodeControl(FrameType type, std::int32_t sid, const std::string& payload)
{
    return frameHeader(type, 0, sid, static_cast<std::uint32_t>(payload.size())) + payload;
}

std::string encodeHello(const ClientHello& hello)
{
    std::string payload;
    putU32(payload, hello.version);
    putU32(payload, static_cast<std::uint32_t>(hello.token.size()));
    payload += hello.token;
    putU64(payload, static_cast<std::uint64_t>(hello.lastRevision));
    return encodeControl(FrameType::Hello, 0, payload);
}

std::string encodeHello(const ServerHello& hello)
{
    std::string payload;
    putU32(payload, hello.version);
    putU32(payload, static_cast<std::uint32_t>(hello.status));
    putU32(payload, hello.resumed ? 1 : 0);
    putU32(payload, hello.keepAliveMs);
    return encodeControl(FrameType::Hello, 0, payload);
}

bool decodeHello(const std::string& payload, ClientHello& out)
{
    if (payload.size() < 8)
        return false;
    out.version = getU32(payload.data());
    // Enough to be refused by version: other versions lay the rest out differently.
    if (out.version != kProtocolVersion)
        return true;
    if (payload.size() < 16)
        return false;
    const std::uint32_t size = getU32(payload.data() + 4);
    if (size != payload.size() - 16)
        return false;
    out.token = payload.substr(8, size);
    out.lastRevision = static_cast<std::int64_t>(getU64(payload.data() + 8 + size));
    return out.lastRevision >= 0;
}

bool decodeHello(const std::string& payload, ServerHello& out)
{
    if (payload.size() != 16)
        return false;
    out.version = getU32(payload.data());
    const std::uint32_t status = getU32(payload.data() + 4);
    if (status > static_cast<std::uint32_t>(HelloStatus::VersionRefused))
        return false;
    out.status = static_cast<HelloStatus>(status);
    out.resumed = getU32(payload.data() + 8) != 0;
    out.keepAliveMs = getU32(payload.data() + 12);
    return true;
}

namespace {
constexpr std::size_t kPushHeadSize = 24;
}

std::string encodePush(const PushedChange& change)
{
    std::string payload;
    putU64(payload, static_cast<std::uint64_t>(change.revision));
    putU32(payload, change.kind);
    putU32(payload, change.operation);
    putU32(payload, change.own ? 1 : 0);
    putU32(payload, change.cascaded ? 1 : 0);
    payload += change.record;
    return frameHeader(FrameType::Push, static_cast<std::uint16_t>(PushOp::Change), 0,
                       static_cast<std::uint32_t>(payload.size())) +
           payload;
}

std::string encodeResyncNeeded()
{
    return frameHeader(FrameType::Push, static_cast<std::uint16_t>(PushOp::ResyncNeeded), 0, 0);
}

bool decodePush(const std::string& payload, PushedChange& out)
{
    if (payload.size() < kPushHeadSize)
        return false;
    const char* p = payload.data();
    out.revision = static_cast<std::int64_t>(getU64(p));
    out.kind = getU32(p + 8);
    out.operation = getU32(p + 12);
    out.own = getU32(p + 16) != 0;
    out.cascaded = getU32(p + 20) != 0;
    const ChangeKindInfo* kind = changeKindInfo(out.kind);
    if (!kind || out.revision <= 0 || out.operation < static_cast<std::uint32_t>(ChangeOp::Add) ||
        out.operation > static_cast<std::uint32_t>(ChangeOp::Delete) ||
        payload.size() - kPushHeadSize != kind->recordSize)
        return false;
    out.record = payload.substr(kPushHeadSize);
    return true;
}

std::int32_t answerResult(const std::string& answerFrame)
{
    if (answerFrame.size() < kFrameHeaderSize + 4)
        return -1;
    return static_cast<std::int32_t>(getU32(answerFrame.data() + kFrameHeaderSize));
}

} // namespace orsa
