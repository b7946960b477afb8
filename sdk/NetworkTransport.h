// A server on the network: one TLS connection, many requests in flight,
// answers matched by request number. On a loss every request in flight or
// waiting is answered "connection lost" at once; the next request reconnects
// and presents the session token, so a short loss keeps the login.
#ifndef ORSA_SDK_NETWORKTRANSPORT_H
#define ORSA_SDK_NETWORKTRANSPORT_H

#include "Transport.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace orsa {

struct ServerAddress {
    std::string host;
    std::uint16_t port = 0;
    // No trust on first use: the certificate must verify against a CA bundle.
    bool strict = false;
};

class NetworkTransport final : public Transport
{
public:
    // Connects before returning; throws std::runtime_error, already logged,
    // when the server cannot be reached in time or its certificate is refused.
    explicit NetworkTransport(ServerAddress address);
    ~NetworkTransport() override;
    void send(Op op, std::int32_t sid, const std::string& frame) override;
    bool hasOwnThread() const override { return true; }
    bool onOwnThread() const override { return std::this_thread::get_id() == m_thread.get_id(); }
    void releaseFromOwnThread() override;

private:
    struct Link;
    struct Waiting {
        Op op;
        std::int32_t sid;
        std::string frame;
    };
    using Done = std::function<void(bool)>;

    // All of these run on the transport's own thread.
    void connect(Done done);
    void onConnected(const std::shared_ptr<Link>& link, const asio::error_code& ec);
    void onHandshake(const std::shared_ptr<Link>& link, const asio::error_code& ec);
    bool trusted(Link& link);
    void read(const std::shared_ptr<Link>& link);
    void takeFrames(const std::shared_ptr<Link>& link);
    void onFrame(const std::shared_ptr<Link>& link, const FrameHead& head,
                 const std::string& frame);
    void onPush(const std::shared_ptr<Link>& link, std::uint16_t op, const std::string& payload);
    void onHello(const std::shared_ptr<Link>& link, const std::string& payload);
    void onAnswer(const std::shared_ptr<Link>& link, const std::string& frame);
    void write(const std::shared_ptr<Link>& link, std::string frame);
    void writeNext(const std::shared_ptr<Link>& link);
    void flush(const std::shared_ptr<Link>& link);
    void keepAlive(const std::shared_ptr<Link>& link);
    void lose(const std::shared_ptr<Link>& link, const std::string& reason);

    const ServerAddress m_address;
    const std::string m_name; // host:port, as pinned and logged
    std::string m_caFile;
    // Before the io_context: connections its handlers still hold use it.
    asio::ssl::context m_tls{asio::ssl::context::tls_client};
    asio::io_context m_io;
    // Keeps m_io running while no connection is open.
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work{
        m_io.get_executor()};
    std::shared_ptr<Link> m_link;          // null while disconnected
    Done m_done;                           // of the connection being made
    std::deque<Waiting> m_waiting;         // not yet sent
    std::map<std::int32_t, Op> m_inFlight; // sent, not yet answered
    std::string m_token;
    bool m_freeOnExit = false; // set on the transport's thread only
    std::thread m_thread;
};

} // namespace orsa

#endif // ORSA_SDK_NETWORKTRANSPORT_H
