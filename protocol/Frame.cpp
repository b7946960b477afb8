#include "Frame.h"

#include "Bytes.h"
#include "Wire.h"

namespace orsa {
namespace {

std::string header(FrameType type, Op op, std::int32_t sid)
{
    return frameHeader(type, static_cast<std::uint16_t>(op), sid, 0); // size patched by finish()
}

std::string finish(std::string frame)
{
    const auto size = static_cast<std::uint32_t>(frame.size() - kFrameHeaderSize);
    for (int i = 0; i < 4; ++i)
        frame[12 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    return frame;
}

// Reads the header; on success op, sid and the payload bounds are set.
bool readHeader(const std::string& frame, FrameType type, Op& op, std::int32_t& sid,
                std::uint32_t& payloadSize)
{
    FrameHead head;
    if (frame.size() < kFrameHeaderSize || !readFrameHead(frame.data(), head))
        return false;
    if (head.version != kFrameVersion || head.type != static_cast<std::uint8_t>(type) ||
        !opInfo(head.op))
        return false;
    op = static_cast<Op>(head.op);
    sid = head.sid;
    payloadSize = head.payloadSize;
    return true;
}

class Reader
{
public:
    Reader(const char* p, std::size_t size) : m_p(p), m_left(size) {}
    bool u32(std::uint32_t& v)
    {
        if (m_left < 4)
            return false;
        v = getU32(m_p);
        skip(4);
        return true;
    }
    bool bytes(std::string& out, std::size_t n)
    {
        if (m_left < n)
            return false;
        out.assign(m_p, n);
        skip(n);
        return true;
    }
    bool atEnd() const { return m_left == 0; }

private:
    void skip(std::size_t n)
    {
        m_p += n;
        m_left -= n;
    }
    const char* m_p;
    std::size_t m_left;
};

} // namespace

std::string encodeRequest(const Request& request)
{
    std::string out = header(FrameType::Request, request.op, request.sid);
    for (const Arg& arg : request.args) {
        if (arg.isText) {
            putU32(out, static_cast<std::uint32_t>(arg.text.size()));
            out += arg.text;
        } else {
            putU32(out, static_cast<std::uint32_t>(arg.number));
        }
    }
    return finish(std::move(out));
}

DecodeStatus decodeRequest(const std::string& frame, Request& out)
{
    std::uint32_t payloadSize = 0;
    if (!readHeader(frame, FrameType::Request, out.op, out.sid, payloadSize))
        return DecodeStatus::Drop;
    out.args.clear();
    if (payloadSize != frame.size() - kFrameHeaderSize || payloadSize > kMaxRequestPayload)
        return DecodeStatus::BadPayload;

    const OpInfo& info = opInfo(out.op);
    Reader in(frame.data() + kFrameHeaderSize, payloadSize);
    for (std::size_t i = 0; i < info.argCount; ++i) {
        Arg arg;
        std::uint32_t value = 0;
        if (!in.u32(value))
            return DecodeStatus::BadPayload;
        if (info.argFieldSize[i] == 0) {
            arg.number = static_cast<std::int32_t>(value);
        } else {
            arg.isText = true;
            // A text comes from a C string: an inner NUL is a forged frame.
            if (!in.bytes(arg.text, value) || arg.text.find('\0') != std::string::npos)
                return DecodeStatus::BadPayload;
        }
        out.args.push_back(std::move(arg));
    }
    return in.atEnd() ? DecodeStatus::Ok : DecodeStatus::BadPayload;
}

std::string encodeAnswer(const Answer& answer)
{
    std::string out = header(FrameType::Answer, answer.op, answer.sid);
    putU32(out, static_cast<std::uint32_t>(answer.result));
    putU32(out, answer.count);
    putU32(out, opInfo(answer.op).recordSize);
    out += answer.records;
    return finish(std::move(out));
}

bool decodeAnswer(const std::string& frame, Answer& out)
{
    std::uint32_t payloadSize = 0;
    if (!readHeader(frame, FrameType::Answer, out.op, out.sid, payloadSize) ||
        payloadSize != frame.size() - kFrameHeaderSize)
        return false;
    Reader in(frame.data() + kFrameHeaderSize, payloadSize);
    std::uint32_t result = 0;
    std::uint32_t recordSize = 0;
    if (!in.u32(result) || !in.u32(out.count) || !in.u32(recordSize))
        return false;
    const OpInfo& info = opInfo(out.op);
    out.result = static_cast<std::int32_t>(result);
    if (recordSize != info.recordSize || (info.shape != Shape::Fetch && out.count > 1))
        return false;
    const std::uint64_t bytes = std::uint64_t{out.count} * recordSize;
    if (bytes != payloadSize - 12u)
        return false;
    return in.bytes(out.records, static_cast<std::size_t>(bytes));
}

} // namespace orsa
