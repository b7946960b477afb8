#include "NetworkTransport.h"

#include "BizOrsaResultCodes.h"
#include "KnownServers.h"
#include "SdkLog.h"
#include "Tls.h"
#include "Wire.h"

#include <openssl/ssl.h>

#include <cstdlib>
#include <future>
#include <stdexcept>

namespace orsa {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kConnectTime = std::chrono::seconds(5);
constexpr std::chrono::milliseconds kDefaultKeepAlive{5000};
// Fetch answers carry whole lists; far beyond any site, short of a runaway.
constexpr std::uint32_t kMaxAnswerPayload = 256u * 1024 * 1024;

std::string serverName(const ServerAddress& a)
{
    const bool v6 = a.host.find(':') != std::string::npos;
    return (v6 ? "[" + a.host + "]" : a.host) + ":" + std::to_string(a.port);
}

bool isAddressLiteral(const std::string& host)
{
    asio::error_code ec;
    asio::ip::make_address(host, ec);
    return !ec;
}

} // namespace

struct NetworkTransport::Link {
    Link(asio::io_context& io, asio::ssl::context& tls)
        : stream(io, tls), resolver(io), deadline(io), pinger(io)
    {}
    asio::ssl::stream<asio::ip::tcp::socket> stream;
    asio::ip::tcp::resolver resolver;
    asio::steady_timer deadline; // of connecting
    asio::steady_timer pinger;
    bool ready = false; // hello answered
    bool dead = false;
    Clock::time_point lastHeard = Clock::now();
    Clock::time_point lastSent = Clock::now();
    Clock::duration keepAlive = kDefaultKeepAlive;
    std::int32_t pings = 0;
    char chunk[16 * 1024];
    std::string in;
    std::string writing;
    std::deque<std::string> out;
};

NetworkTransport::NetworkTransport(ServerAddress address)
    : m_address(std::move(address)), m_name(serverName(m_address))
{
    applyTlsDefaults(m_tls.native_handle());
    const char* ca = std::getenv("ORSA_CA_FILE");
    m_caFile = ca ? ca : "";
    if (m_address.strict && m_caFile.empty()) {
        sdkLog("not connecting to " + m_name +
               ": strict mode trusts only a CA bundle, and ORSA_CA_FILE is not set");
        throw std::runtime_error("no CA bundle");
    }
    if (!m_caFile.empty()) {
        asio::error_code ec;
        m_tls.load_verify_file(m_caFile, ec);
        if (ec) {
            sdkLog("cannot read the CA bundle " + m_caFile + ": " + ec.message());
            throw std::runtime_error("bad CA bundle");
        }
        m_tls.set_verify_mode(asio::ssl::verify_peer);
    } else {
        // Checked against the pinned fingerprint after the handshake.
        m_tls.set_verify_mode(asio::ssl::verify_none);
    }
    m_thread = std::thread([this] {
        m_io.run();
        if (m_freeOnExit)
            delete this;
    });
    std::promise<bool> connected;
    std::future<bool> result = connected.get_future();
    asio::post(m_io,
               [this, &connected] { connect([&connected](bool ok) { connected.set_value(ok); }); });
    if (!result.get()) {
        m_work.reset();
        m_io.stop();
        m_thread.join();
        throw std::runtime_error("cannot connect");
    }
}

NetworkTransport::~NetworkTransport()
{
    m_io.stop();
    if (m_thread.joinable())
        m_thread.join();
}

void NetworkTransport::releaseFromOwnThread()
{
    m_freeOnExit = true;
    m_thread.detach();
    m_io.stop();
}

void NetworkTransport::send(Op op, std::int32_t sid, const std::string& frame)
{
    asio::post(m_io, [this, op, sid, frame] {
        m_waiting.push_back(Waiting{op, sid, frame});
        if (!m_link)
            connect([](bool) {});
        else if (m_link->ready)
            flush(m_link);
    });
}

void NetworkTransport::connect(Done done)
{
    auto link = std::make_shared<Link>(m_io, m_tls);
    m_link = link;
    m_done = std::move(done);
    link->deadline.expires_after(kConnectTime);
    link->deadline.async_wait([this, link](const asio::error_code& ec) {
        if (!ec && !link->ready)
            lose(link, "no answer within 5 s");
    });
    link->resolver.async_resolve(
        m_address.host, std::to_string(m_address.port),
        [this, link](const asio::error_code& ec, asio::ip::tcp::resolver::results_type results) {
            if (link->dead)
                return;
            if (ec) {
                lose(link, "cannot resolve the host (" + ec.message() + ")");
                return;
            }
            asio::async_connect(
                link->stream.lowest_layer(), results,
                [this, link](const asio::error_code& e, const auto&) { onConnected(link, e); });
        });
}

void NetworkTransport::onConnected(const std::shared_ptr<Link>& link, const asio::error_code& ec)
{
    if (link->dead)
        return;
    if (ec) {
        lose(link, ec.message());
        return;
    }
    asio::error_code ignored;
    link->stream.lowest_layer().set_option(asio::ip::tcp::no_delay(true), ignored);
    if (!isAddressLiteral(m_address.host))
        SSL_set_tlsext_host_name(link->stream.native_handle(), m_address.host.c_str());
    if (!m_caFile.empty())
        link->stream.set_verify_callback(asio::ssl::host_name_verification(m_address.host));
    link->stream.async_handshake(asio::ssl::stream_base::client,
                                 [this, link](const asio::error_code& e) { onHandshake(link, e); });
}

void NetworkTransport::onHandshake(const std::shared_ptr<Link>& link, const asio::error_code& ec)
{
    if (link->dead)
        return;
    if (ec) {
        lose(link, m_caFile.empty() ? "TLS failed (" + ec.message() + ")"
                                    : "certificate refused by the CA bundle " + m_caFile + " (" +
                                          ec.message() + ")");
        return;
    }
    if (!trusted(*link)) {
        lose(link, "certificate refused");
        return;
    }
    ClientHello hello;
    hello.token = m_token;
    // Only a session to resume has a place in the change log; the first
    // connection is made before the hub attaches.
    hello.lastRevision = m_token.empty() ? 0 : inbox().lastRevision();
    write(link, encodeHello(hello));
    read(link);
}

bool NetworkTransport::trusted(Link& link)
{
    if (!m_caFile.empty())
        return true; // verified during the handshake
    X509* cert = SSL_get1_peer_certificate(link.stream.native_handle());
    const std::string fingerprint = certificateFingerprint(cert);
    X509_free(cert);
    const std::string path = knownServersPath();
    switch (checkPin(m_name, fingerprint)) {
    case PinCheck::Matches:
        return true;
    case PinCheck::Pinned:
        sdkLog("first connection to " + m_name + ": pinned its certificate (SHA-256 " +
               fingerprint + ") in " + path);
        return true;
    case PinCheck::Changed:
        sdkLog("the certificate of " + m_name + " has changed (now SHA-256 " + fingerprint +
               "): refused. If the change is expected, delete its line from " + path);
        return false;
    case PinCheck::Failed:
        break;
    }
    sdkLog("cannot read or write " + (path.empty() ? std::string("the known servers") : path) +
           ": certificate of " + m_name + " not trusted");
    return false;
}

void NetworkTransport::read(const std::shared_ptr<Link>& link)
{
    link->stream.async_read_some(
        asio::buffer(link->chunk), [this, link](const asio::error_code& ec, std::size_t n) {
            if (link->dead)
                return;
            if (ec) {
                lose(link, ec == asio::error::eof || ec == asio::ssl::error::stream_truncated
                               ? "closed by the server"
                               : ec.message());
                return;
            }
            link->lastHeard = Clock::now();
            link->in.append(link->chunk, n);
            takeFrames(link);
            if (!link->dead)
                read(link);
        });
}

void NetworkTransport::takeFrames(const std::shared_ptr<Link>& link)
{
    while (!link->dead && link->in.size() >= kFrameHeaderSize) {
        FrameHead head;
        if (!readFrameHead(link->in.data(), head) || head.payloadSize > kMaxAnswerPayload) {
            lose(link, "the server sent something that is not a frame");
            return;
        }
        const std::size_t size = kFrameHeaderSize + head.payloadSize;
        if (link->in.size() < size)
            return;
        const std::string frame = link->in.substr(0, size);
        link->in.erase(0, size);
        onFrame(link, head, frame);
    }
}

void NetworkTransport::onFrame(const std::shared_ptr<Link>& link, const FrameHead& head,
                               const std::string& frame)
{
    const std::uint8_t type = head.type;
    const std::string payload = frame.substr(kFrameHeaderSize);
    if (!link->ready) {
        if (type == static_cast<std::uint8_t>(FrameType::Hello))
            onHello(link, payload);
        else
            lose(link, "no hello from the server");
        return;
    }
    switch (static_cast<FrameType>(type)) {
    case FrameType::Answer:
        onAnswer(link, frame);
        return;
    case FrameType::SessionToken:
        m_token = payload;
        return;
    case FrameType::Push:
        onPush(link, head.op, payload);
        return;
    default:
        // Pongs and types of later versions.
        return;
    }
}

void NetworkTransport::onHello(const std::shared_ptr<Link>& link, const std::string& payload)
{
    ServerHello hello;
    if (!decodeHello(payload, hello)) {
        lose(link, "damaged hello from the server");
        return;
    }
    if (hello.status == HelloStatus::VersionRefused || hello.version != kProtocolVersion) {
        lose(link, "the server speaks protocol version " + std::to_string(hello.version) +
                       ", this library version " + std::to_string(kProtocolVersion));
        return;
    }
    if (!hello.resumed)
        m_token.clear(); // the session ended: requests now answer "not logged in"
    link->ready = true;
    link->deadline.cancel();
    if (hello.keepAliveMs)
        link->keepAlive = std::chrono::milliseconds(hello.keepAliveMs);
    keepAlive(link);
    if (m_done) {
        Done done = std::move(m_done);
        m_done = nullptr;
        done(true);
    }
    flush(link);
}

void NetworkTransport::onAnswer(const std::shared_ptr<Link>& link, const std::string& frame)
{
    Answer answer;
    const auto it = decodeAnswer(frame, answer) ? m_inFlight.find(answer.sid) : m_inFlight.end();
    if (it == m_inFlight.end() || it->second != answer.op) {
        lose(link, "the server sent an answer to no request");
        return;
    }
    m_inFlight.erase(it);
    if (answer.op == Op::Logout && answer.result >= 0)
        m_token.clear();
    inbox().answered(std::move(answer));
}

void NetworkTransport::onPush(const std::shared_ptr<Link>& link, std::uint16_t op,
                              const std::string& payload)
{
    switch (static_cast<PushOp>(op)) {
    case PushOp::Change: {
        PushedChange change;
        if (!decodePush(payload, change)) {
            lose(link, "the server sent a damaged change");
            return;
        }
        inbox().pushed(change);
        return;
    }
    case PushOp::ResyncNeeded:
        inbox().resyncNeeded();
        return;
    }
    // Messages of later versions.
}

void NetworkTransport::flush(const std::shared_ptr<Link>& link)
{
    while (!m_waiting.empty()) {
        Waiting next = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_inFlight[next.sid] = next.op;
        write(link, std::move(next.frame));
    }
}

void NetworkTransport::write(const std::shared_ptr<Link>& link, std::string frame)
{
    link->out.push_back(std::move(frame));
    writeNext(link);
}

void NetworkTransport::writeNext(const std::shared_ptr<Link>& link)
{
    if (link->dead || !link->writing.empty() || link->out.empty())
        return;
    for (const std::string& frame : link->out)
        link->writing += frame;
    link->out.clear();
    link->lastSent = Clock::now();
    asio::async_write(link->stream, asio::buffer(link->writing),
                      [this, link](const asio::error_code& ec, std::size_t) {
                          if (link->dead)
                              return;
                          if (ec) {
                              lose(link, ec.message());
                              return;
                          }
                          link->writing.clear();
                          writeNext(link);
                      });
}

void NetworkTransport::keepAlive(const std::shared_ptr<Link>& link)
{
    // Checked twice per interval, so a ping leaves well before the server's
    // three silent intervals run out.
    link->pinger.expires_after(link->keepAlive / 2);
    link->pinger.async_wait([this, link](const asio::error_code& ec) {
        if (ec || link->dead)
            return;
        const Clock::time_point now = Clock::now();
        if (now - link->lastHeard >= 3 * link->keepAlive) {
            lose(link, "no traffic for three keep-alive intervals");
            return;
        }
        if (now - link->lastSent >= link->keepAlive)
            write(link, encodeControl(FrameType::Ping, ++link->pings));
        keepAlive(link);
    });
}

void NetworkTransport::lose(const std::shared_ptr<Link>& link, const std::string& reason)
{
    if (link->dead)
        return;
    link->dead = true;
    asio::error_code ignored;
    link->deadline.cancel();
    link->pinger.cancel();
    link->resolver.cancel();
    link->stream.lowest_layer().close(ignored);
    if (m_link == link)
        m_link.reset();
    sdkLog((link->ready ? "connection to " + m_name + " lost: "
                        : "cannot connect to " + m_name + ": ") +
           reason);
    // Exactly one answer each, in request order.
    for (const auto& entry : m_inFlight)
        inbox().answered(failure(entry.second, entry.first, BIZORSA_E_CONNECTION_LOST));
    m_inFlight.clear();
    for (const Waiting& waiting : m_waiting)
        inbox().answered(failure(waiting.op, waiting.sid, BIZORSA_E_CONNECTION_LOST));
    m_waiting.clear();
    if (m_done) {
        Done done = std::move(m_done);
        m_done = nullptr;
        done(false);
    }
}

} // namespace orsa
