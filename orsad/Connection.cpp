#include "Connection.h"

#include "BizOrsaResultCodes.h"
#include "Log.h"
#include "Server.h"

#include <algorithm>

namespace orsad {
namespace {

orsa::Op opOf(const std::string& request)
{
    orsa::FrameHead head;
    orsa::readFrameHead(request.data(), head);
    return static_cast<orsa::Op>(head.op);
}

bool isLogin(const std::string& request)
{
    return opOf(request) == orsa::Op::Login;
}

// Password hashing takes a good part of a second by design.
bool hashesPassword(const std::string& request)
{
    const orsa::Op op = opOf(request);
    return op == orsa::Op::Login || op == orsa::Op::AddAccount || op == orsa::Op::EditAccount;
}

std::string loginName(const std::string& request)
{
    orsa::Request decoded;
    if (orsa::decodeRequest(request, decoded) != orsa::DecodeStatus::Ok || decoded.args.empty())
        return "?";
    return decoded.args[0].text;
}

} // namespace

Connection::Connection(Server& server, Socket socket, std::string peer, std::string peerAddress)
    : m_server(server), m_stream(std::move(socket), server.tls()), m_peer(std::move(peer)),
      m_peerAddress(std::move(peerAddress)), m_throttleTimer(m_stream.get_executor()),
      m_frameTimer(m_stream.get_executor()), m_writeTimer(m_stream.get_executor()),
      m_watch(m_stream.get_executor()), m_keepAlive(server.limits().keepAlive),
      m_session(std::make_shared<orsa::Session>())
{}

Connection::~Connection() = default;

void Connection::start()
{
    auto self = shared_from_this();
    asio::dispatch(m_stream.get_executor(), [this, self] {
        // Answers are small and awaited: no waiting to fill a segment.
        asio::error_code ignored;
        m_stream.lowest_layer().set_option(asio::ip::tcp::no_delay(true), ignored);
        closeAfter(m_frameTimer, m_frameGeneration,
                   "dropped: no TLS handshake within the frame time");
        m_stream.async_handshake(
            asio::ssl::stream_base::server, [this, self](const asio::error_code& ec) {
                if (m_closed)
                    return;
                if (ec) {
                    close("refused: TLS handshake failed (" + ec.message() + ")");
                    return;
                }
                disarm(m_frameTimer, m_frameGeneration);
                armWatch();
                read();
            });
    });
}

void Connection::drain()
{
    auto self = shared_from_this();
    asio::post(m_stream.get_executor(), [this, self] {
        m_draining = true;
        if (!m_closed && m_requests.empty() && m_inFlight == 0)
            close("server stopping");
    });
}

void Connection::read()
{
    if (m_reading || m_closed || m_draining)
        return;
    if (m_inFlight >= m_server.limits().maxInFlight) {
        // Not reading is the server's doing: a started frame is not late meanwhile.
        disarmFrameTime();
        return;
    }
    if (!m_in.empty() && !m_frameTimeArmed)
        armFrameTime();
    m_reading = true;
    auto self = shared_from_this();
    m_stream.async_read_some(asio::buffer(m_chunk), [this, self](const asio::error_code& ec,
                                                                 std::size_t n) { onRead(ec, n); });
}

void Connection::onRead(const asio::error_code& ec, std::size_t n)
{
    m_reading = false;
    if (m_closed)
        return;
    if (ec) {
        close(ec == asio::error::eof || ec == asio::ssl::error::stream_truncated
                  ? "closed by the peer"
                  : "read failed (" + ec.message() + ")");
        return;
    }
    if (m_draining)
        return;
    m_lastHeard = Clock::now();
    const bool wasEmpty = m_in.empty();
    m_in.append(m_chunk, n);
    const std::size_t before = m_in.size();
    takeFrames();
    if (m_closed)
        return;
    if (m_in.empty())
        disarmFrameTime();
    else if (wasEmpty || m_in.size() != before) // a new frame started
        armFrameTime();
    read();
}

void Connection::takeFrames()
{
    while (!m_closed && m_in.size() >= orsa::kFrameHeaderSize) {
        orsa::FrameHead head;
        if (!orsa::readFrameHead(m_in.data(), head)) {
            close("dropped: not a frame");
            return;
        }
        if (head.payloadSize > m_server.limits().maxFrame) {
            close("dropped: frame of " + std::to_string(head.payloadSize) + " bytes");
            return;
        }
        const std::size_t size = orsa::kFrameHeaderSize + head.payloadSize;
        if (m_in.size() < size)
            return;
        std::string frame = m_in.substr(0, size);
        m_in.erase(0, size);
        onFrame(head, std::move(frame));
    }
}

void Connection::onFrame(const orsa::FrameHead& head, std::string frame)
{
    using orsa::FrameType;
    const auto type = static_cast<FrameType>(head.type);
    if (!m_helloDone) {
        if (type != FrameType::Hello)
            close("dropped: no hello");
        else
            onHello(frame.substr(orsa::kFrameHeaderSize));
        return;
    }
    switch (type) {
    case FrameType::Request:
        // A login waiting for the service is not idleness before login.
        m_loginsPending += isLogin(frame) ? 1 : 0;
        m_requests.push_back(std::move(frame));
        ++m_inFlight;
        handleNext();
        return;
    case FrameType::Ping:
        send(orsa::encodeControl(FrameType::Pong, head.sid), false);
        return;
    case FrameType::Pong:
        return;
    default:
        close("dropped: unexpected frame type " + std::to_string(head.type));
    }
}

void Connection::onHello(const std::string& payload)
{
    orsa::ClientHello hello;
    if (!orsa::decodeHello(payload, hello)) {
        close("dropped: damaged hello");
        return;
    }
    orsa::ServerHello answer;
    answer.keepAliveMs = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_keepAlive).count());
    if (hello.version != orsa::kProtocolVersion) {
        answer.status = orsa::HelloStatus::VersionRefused;
        send(orsa::encodeHello(answer), false);
        m_closeAfterWrite = true;
        logLine("connection from " + m_peer + " refused: it speaks protocol version " +
                std::to_string(hello.version) + ", this server " +
                std::to_string(orsa::kProtocolVersion));
        return;
    }
    if (!hello.token.empty()) {
        if (auto session = m_server.resume(hello.token)) {
            m_session = std::move(session);
            m_token = hello.token;
            m_loggedIn = true;
            answer.resumed = true;
        }
    }
    m_helloDone = true;
    send(orsa::encodeHello(answer), false);
    if (answer.resumed)
        follow(hello.lastRevision);
    logLine("connection from " + m_peer + " opened" + (answer.resumed ? ", session resumed" : ""));
    armWatch();
}

void Connection::handleNext()
{
    while (!m_closed && !m_handling && !m_requests.empty()) {
        std::string request = std::move(m_requests.front());
        m_requests.pop_front();
        std::string answer;
        // A quick request the service can take at once runs right here: two
        // thread switches fewer on every round trip.
        if (!hashesPassword(request) && m_server.tryHandle(*m_session, request, answer)) {
            finish(request, answer);
            continue;
        }
        m_handling = true;
        const auto delay = isLogin(request) ? m_server.throttle().delayFor(m_peerAddress)
                                            : std::chrono::steady_clock::duration::zero();
        if (delay == delay.zero()) {
            handleInService(std::move(request));
            return;
        }
        logLine("login from " + m_peerAddress + " held back " +
                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(delay).count()) +
                " s after repeated failures");
        m_throttleTimer.expires_after(delay);
        m_throttleTimer.async_wait([this, self = shared_from_this(),
                                    request = std::move(request)](const asio::error_code&) mutable {
            if (!m_closed)
                handleInService(std::move(request));
        });
        return;
    }
}

// Off the I/O threads, so that pings and other connections go on meanwhile.
void Connection::handleInService(std::string request)
{
    const bool slow = hashesPassword(request);
    m_server.postToService(slow, [this, self = shared_from_this(), session = m_session,
                                  request = std::move(request)]() mutable {
        std::string answer = m_server.handle(*session, request);
        asio::post(m_stream.get_executor(),
                   [this, self, request = std::move(request), answer = std::move(answer)] {
                       m_handling = false;
                       finish(request, answer);
                       handleNext();
                   });
    });
}

void Connection::finish(const std::string& request, const std::string& answer)
{
    if (m_closed)
        return;
    if (answer.empty()) {
        close("dropped: damaged request");
        return;
    }
    orsa::FrameHead head;
    orsa::readFrameHead(request.data(), head);
    const orsa::OpInfo* info = orsa::opInfo(head.op);
    if (m_server.verbose())
        logLine(m_peer + " " + info->name + " #" + std::to_string(head.sid) + ": " +
                BizOrsaResultText(orsa::answerResult(answer)));
    if (head.op == static_cast<std::uint16_t>(orsa::Op::Login) ||
        head.op == static_cast<std::uint16_t>(orsa::Op::Logout))
        noteLogin(static_cast<orsa::Op>(head.op), request, answer);
    send(answer, true);
}

// A login replaces the session's token, a logout ends it.
void Connection::noteLogin(orsa::Op op, const std::string& request, const std::string& answer)
{
    const bool ok = orsa::answerResult(answer) >= 0;
    const bool login = op == orsa::Op::Login;
    const std::string name = login ? loginName(request) : std::string();
    if (login) {
        logLine("login " + std::string(ok ? "of " : "failed for ") + name + " from " + m_peer);
        if (ok)
            m_server.throttle().succeeded(m_peerAddress);
        else
            m_server.throttle().failed(m_peerAddress);
        --m_loginsPending;
        m_loginClock = Clock::now();
    }
    if (!ok) {
        armWatch();
        return;
    }
    if (!m_token.empty())
        m_server.sessions().end(m_token);
    m_token.clear();
    m_loggedIn = login;
    if (!login)
        m_loginClock = Clock::now();
    if (login) {
        m_token = m_server.sessions().issue(m_session, name);
        send(orsa::encodeControl(orsa::FrameType::SessionToken, 0, m_token), false);
        follow(0);
    } else if (m_following) {
        m_following = false;
        m_server.unfollow(this);
    }
    armWatch();
}

void Connection::follow(std::int64_t position)
{
    m_following = true;
    std::weak_ptr<Connection> weak = shared_from_this();
    m_server.follow(this, m_session, position, [weak](std::vector<std::string> frames) {
        if (auto self = weak.lock())
            asio::post(self->m_stream.get_executor(), [self, frames = std::move(frames)]() mutable {
                self->pushed(std::move(frames));
            });
    });
}

void Connection::pushed(std::vector<std::string> frames)
{
    // A client that stops reading would have the server keep every change
    // for it.
    constexpr std::size_t kMostWaiting = 100000;
    if (m_closed)
        return;
    if (m_out.size() + frames.size() > kMostWaiting) {
        close("dropped: it does not read the changes pushed to it");
        return;
    }
    for (std::string& frame : frames)
        m_out.emplace_back(std::move(frame), false);
    writeNext();
}

void Connection::send(std::string frame, bool answersRequest)
{
    m_out.emplace_back(std::move(frame), answersRequest);
    writeNext();
}

void Connection::writeNext()
{
    if (m_closed || !m_writing.empty() || m_out.empty())
        return;
    // Everything waiting goes out in one write.
    m_answersWriting = 0;
    for (auto& out : m_out) {
        m_writing += out.first;
        m_answersWriting += out.second ? 1 : 0;
    }
    m_out.clear();
    closeAfter(m_writeTimer, m_writeGeneration, "dropped: it does not read its answers");
    auto self = shared_from_this();
    asio::async_write(m_stream, asio::buffer(m_writing),
                      [this, self](const asio::error_code& ec, std::size_t) { onWritten(ec); });
}

void Connection::onWritten(const asio::error_code& ec)
{
    if (m_closed)
        return;
    if (ec) {
        close("write failed (" + ec.message() + ")");
        return;
    }
    disarm(m_writeTimer, m_writeGeneration);
    m_writing.clear();
    m_inFlight -= m_answersWriting;
    m_answersWriting = 0;
    if (m_out.empty() && (m_closeAfterWrite || (m_draining && m_requests.empty() && !m_inFlight))) {
        close(m_draining ? "server stopping" : "refused");
        return;
    }
    writeNext();
    read();
}

void Connection::closeAfter(asio::steady_timer& timer, unsigned& generation, const char* reason)
{
    const unsigned mine = ++generation;
    timer.expires_after(m_server.limits().frameTime);
    timer.async_wait(
        [this, self = shared_from_this(), &generation, mine, reason](const asio::error_code& ec) {
            // A timer re-armed after it fired still runs its old handler: the generation tells.
            if (!ec && mine == generation)
                close(reason);
        });
}

void Connection::disarm(asio::steady_timer& timer, unsigned& generation)
{
    ++generation;
    timer.cancel();
}

void Connection::armFrameTime()
{
    m_frameTimeArmed = true;
    closeAfter(m_frameTimer, m_frameGeneration, "dropped: a frame left unfinished");
}

void Connection::disarmFrameTime()
{
    m_frameTimeArmed = false;
    disarm(m_frameTimer, m_frameGeneration);
}

void Connection::armWatch()
{
    if (m_closed)
        return;
    Clock::time_point deadline = m_lastHeard + 3 * m_keepAlive;
    if (awaitsLogin())
        deadline = std::min(deadline, m_loginClock + m_server.limits().loginTime);
    m_watch.expires_at(deadline);
    m_watch.async_wait([this, self = shared_from_this()](const asio::error_code& ec) {
        if (!ec)
            onWatch();
    });
}

void Connection::onWatch()
{
    if (m_closed)
        return;
    const Clock::time_point now = Clock::now();
    if (now >= m_lastHeard + 3 * m_keepAlive) {
        close("dropped: silent for three keep-alive intervals");
        return;
    }
    if (awaitsLogin() && now >= m_loginClock + m_server.limits().loginTime) {
        close("dropped: no login within the login time");
        return;
    }
    armWatch();
}

void Connection::close(const std::string& reason)
{
    if (m_closed)
        return;
    m_closed = true;
    asio::error_code ignored;
    m_frameTimer.cancel();
    m_writeTimer.cancel();
    m_watch.cancel();
    m_throttleTimer.cancel();
    m_stream.lowest_layer().shutdown(Socket::shutdown_both, ignored);
    m_stream.lowest_layer().close(ignored);
    if (!m_token.empty())
        m_server.sessions().release(m_token);
    if (m_following)
        m_server.unfollow(this);
    // Counted out first: once the line is read, the place is free.
    m_server.closed(this);
    logLine("connection from " + m_peer + " closed: " + reason);
}

} // namespace orsad
