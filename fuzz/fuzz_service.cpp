// The service on a fresh in-memory database, given a sequence of requests
// built from the input: each picks a session, moves the clock on, names an
// operation and fills its arguments either with bytes of the input or with a
// text an earlier answer carried (a guid, a name), so that later requests can
// refer to records earlier ones made. Every request must get a well-formed
// answer of its own.
#include "CheapHashCost.h"
#include "Frame.h"
#include "Service.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kMaxRequests = 64;
constexpr std::size_t kMaxTexts = 64;

void require(bool holds)
{
    if (!holds)
        std::abort();
}

class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size) : m_p(data), m_left(size) {}
    bool empty() const { return m_left == 0; }
    std::uint8_t byte()
    {
        if (m_left == 0)
            return 0;
        --m_left;
        return *m_p++;
    }
    std::uint32_t u32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t{byte()} << (8 * i);
        return v;
    }
    std::string text(std::size_t n)
    {
        n = std::min(n, m_left);
        std::string out(reinterpret_cast<const char*>(m_p), n);
        m_p += n;
        m_left -= n;
        return out;
    }

private:
    const std::uint8_t* m_p;
    std::size_t m_left;
};

// Texts of answers, for later requests to refer to.
class Texts
{
public:
    Texts() : m_texts{"admin", "88341189"} {}
    const std::string& pick(std::uint8_t n) const { return m_texts[n % m_texts.size()]; }
    // A record is fixed-size fields; its texts end at their first NUL.
    void collect(const std::string& records)
    {
        std::size_t start = 0;
        while (start < records.size()) {
            std::size_t end = records.find('\0', start);
            if (end == std::string::npos)
                end = records.size();
            if (end > start)
                add(records.substr(start, end - start));
            start = end + 1;
        }
    }

private:
    void add(std::string text)
    {
        if (m_texts.size() < kMaxTexts)
            m_texts.push_back(std::move(text));
        else
            m_texts[m_next++ % kMaxTexts] = std::move(text);
    }
    std::vector<std::string> m_texts;
    std::size_t m_next = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int64_t now = 1700000000000;
    orsa::Service service(":memory:", kCheapHashIterations, [&now] { return now; });
    orsa::Session sessions[2];
    Texts texts;
    Input in(data, size);
    for (std::int32_t sid = 1; sid <= kMaxRequests && !in.empty(); ++sid) {
        const std::uint8_t head = in.byte();
        orsa::Session& session = sessions[head & 1];
        now += std::int64_t{head >> 1} * 1000;
        orsa::Request request;
        request.op = static_cast<orsa::Op>(in.byte() % static_cast<int>(orsa::Op::Count));
        request.sid = sid;
        const orsa::OpInfo& info = orsa::opInfo(request.op);
        for (std::size_t i = 0; i < info.argCount; ++i) {
            orsa::Arg arg;
            if (info.argFieldSize[i] == 0) {
                arg.number = static_cast<std::int32_t>(in.u32());
            } else {
                arg.isText = true;
                const std::uint8_t pick = in.byte();
                arg.text = pick < 0x80 ? texts.pick(pick) : in.text(pick & 0x7F);
            }
            request.args.push_back(std::move(arg));
        }
        const std::string frame = service.handleFrame(session, orsa::encodeRequest(request));
        orsa::Answer answer;
        require(orsa::decodeAnswer(frame, answer));
        require(answer.op == request.op && answer.sid == sid);
        texts.collect(answer.records);
    }
    return 0;
}
