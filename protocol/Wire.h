// The stream of frames on a connection: every frame shares the header of
// Frame.h, its type telling requests and answers from the control frames that
// only the network transport uses.
//
// A connection opens with a hello each way:
//   client: protocol version (4), session token (text: 4-byte count, bytes),
//           revision of the last change it delivered (8)
//   server: protocol version (4), status (4: 0 accepted, 1 version refused),
//           session resumed (4: 0 or 1), keep-alive interval in ms (4)
// Ping and pong have no payload; the pong repeats the ping's number.
// A session token frame (server to client) carries the token as its payload.
// Push frames are the server's own messages, their op a PushOp; a client
// ignores types it does not know, so that later servers may send new ones.
// A change: revision (8), kind (4), operation (4), own (4), cascaded (4),
// then the record in the kind's layout. A resync notice has no payload.
#ifndef ORSA_WIRE_H
#define ORSA_WIRE_H

#include "Frame.h"

#include <cstdint>
#include <string>

namespace orsa {

constexpr char kFrameMagic[4] = {'O', 'R', 'S', 'A'};
constexpr std::uint8_t kFrameVersion = 1;
// Raised whenever either end changes what it sends or expects.
constexpr std::uint32_t kProtocolVersion = 2;

enum class FrameType : std::uint8_t {
    Request = 1,
    Answer = 2,
    Hello = 3,
    Ping = 4,
    Pong = 5,
    SessionToken = 6,
    Push = 7,
};

struct FrameHead {
    std::uint8_t version = 0;
    std::uint8_t type = 0;
    std::uint16_t op = 0;
    std::int32_t sid = 0;
    std::uint32_t payloadSize = 0;
};

// Reads kFrameHeaderSize bytes at p; false when they do not start a frame.
bool readFrameHead(const char* p, FrameHead& out);
// A header announcing payloadSize bytes of payload.
std::string frameHeader(FrameType type, std::uint16_t op, std::int32_t sid,
                        std::uint32_t payloadSize);
std::string encodeControl(FrameType type, std::int32_t sid, const std::string& payload = {});

struct ClientHello {
    std::uint32_t version = kProtocolVersion;
    std::string token;
    // Where a resumed session's changes go on from.
    std::int64_t lastRevision = 0;
};

enum class HelloStatus : std::uint32_t { Accepted = 0, VersionRefused = 1 };

struct ServerHello {
    std::uint32_t version = kProtocolVersion;
    HelloStatus status = HelloStatus::Accepted;
    bool resumed = false;
    std::uint32_t keepAliveMs = 0;
};

std::string encodeHello(const ClientHello& hello);
std::string encodeHello(const ServerHello& hello);
// Payload only; false when it is not a hello of that side.
bool decodeHello(const std::string& payload, ClientHello& out);
bool decodeHello(const std::string& payload, ServerHello& out);

enum class PushOp : std::uint16_t { Change = 1, ResyncNeeded = 2 };

// One change of the server's log, as one session may see it.
struct PushedChange {
    std::int64_t revision = 0;
    std::uint32_t kind = 0;
    std::uint32_t operation = 0;
    bool own = false;
    bool cascaded = false;
    std::string record;
};

std::string encodePush(const PushedChange& change);
std::string encodeResyncNeeded();
// Payload only; false unless the kind and operation are known and the record
// has the kind's size.
bool decodePush(const std::string& payload, PushedChange& out);

// The result field of a well-formed answer frame.
std::int32_t answerResult(const std::string& answerFrame);

} // namespace orsa

#endif // ORSA_WIRE_H
