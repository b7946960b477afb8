// Binary frames between the SDK and the service.
//
// Every frame, little-endian:
//   0  4  magic "ORSA"
//   4  1  version (1)
//   5  1  type: 1 request, 2 answer (Wire.h lists the control frames)
//   6  2  operation code (row of OrsaOps.h)
//   8  4  request number
//  12  4  payload size in bytes
//  16     payload
// Request payload: the arguments in call order; a text is a 4-byte byte count
// followed by its bytes (no NUL), an int is 4 bytes.
// Answer payload: result (4), record count (4), record size (4), then the
// records back to back in the SDK's own layouts.
#ifndef ORSA_FRAME_H
#define ORSA_FRAME_H

#include "OrsaOps.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orsa {

constexpr std::size_t kFrameHeaderSize = 16;
// A request never needs more: its texts are bounded by record fields.
constexpr std::uint32_t kMaxRequestPayload = 64 * 1024;

struct Arg {
    bool isText = false;
    std::string text;
    std::int32_t number = 0;
};

struct Request {
    Op op = Op::Count;
    std::int32_t sid = 0;
    std::vector<Arg> args;
};

struct Answer {
    Op op = Op::Count;
    std::int32_t sid = 0;
    std::int32_t result = 0;
    std::uint32_t count = 0;
    std::string records; // count records of the operation's record size
};

enum class DecodeStatus {
    Ok,
    BadPayload, // header intact: op and sid are set, answer "invalid argument"
    Drop,       // not even a header to answer to
};

std::string encodeRequest(const Request& request);
DecodeStatus decodeRequest(const std::string& frame, Request& out);

std::string encodeAnswer(const Answer& answer);
// False for anything but a well-formed answer to a known operation.
bool decodeAnswer(const std::string& frame, Answer& out);

} // namespace orsa

#endif // ORSA_FRAME_H
