// The listener: accepts TLS connections within the limits, runs them on a
// small pool of threads, and stops cleanly on SIGTERM or SIGINT.
#ifndef ORSAD_SERVER_H
#define ORSAD_SERVER_H

#include "Options.h"
#include "PeerThrottle.h"
#include "Service.h"
#include "ServiceQueue.h"
#include "SessionRegistry.h"
#include "Subscribers.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orsad {

class Connection;

class Server
{
public:
    // Throws std::system_error when it cannot listen.
    Server(const Options& options, orsa::Service& service, asio::ssl::context& tls);
    ~Server();
    // Serves until a stop signal; returns once every connection is closed.
    void run();

    // The port it listens on, also when the options asked for any free one.
    std::uint16_t port() const { return m_acceptor.local_endpoint().port(); }
    const Limits& limits() const { return m_options.limits; }
    bool verbose() const { return m_options.verbose; }
    asio::ssl::context& tls() { return m_tls; }
    SessionRegistry& sessions() { return m_sessions; }
    PeerThrottle& throttle() { return m_throttle; }
    // The service is one SQLite connection: one request at a time.
    std::string handle(orsa::Session& session, const std::string& frame);
    // The same, only when the service is free now; false otherwise.
    bool tryHandle(orsa::Session& session, const std::string& frame, std::string& answer);
    // Runs job on the service's own thread; slow: it hashes a password.
    void postToService(bool slow, std::function<void()> job)
    {
        m_serviceQueue.post(slow, std::move(job));
    }
    std::shared_ptr<orsa::Session> resume(const std::string& token);
    void closed(Connection* connection);
    // A logged-in connection follows the change log from position on (see
    // Subscribers::add) until it unfollows, logs out or closes.
    void follow(const Connection* connection, std::shared_ptr<orsa::Session> session,
                std::int64_t position, Subscribers::Deliver deliver);
    void unfollow(const Connection* connection);

private:
    void accept();
    void markSessions();
    void stop();
    void finishStop();
    // Under the service's lock, after a request.
    void publishIfLogged();
    // The changes other services log in the same PostgreSQL database.
    void followOtherServices();
    void stopFollowing();

    const Options& m_options;
    orsa::Service& m_service;
    std::mutex m_serviceMutex;
    asio::ssl::context& m_tls;
    SessionRegistry m_sessions;
    PeerThrottle m_throttle;
    ServiceQueue m_serviceQueue;
    asio::io_context m_io;
    asio::ip::tcp::acceptor m_acceptor;
    asio::signal_set m_signals;
    asio::steady_timer m_stopTimer;
    asio::steady_timer m_markTimer;
    std::mutex m_mutex;
    std::map<Connection*, std::weak_ptr<Connection>> m_connections;
    bool m_stopping = false;
    Subscribers m_subscribers;    // under m_serviceMutex
    std::int64_t m_published = 0; // under m_serviceMutex
    std::mutex m_followMutex;
    std::condition_variable m_followWake;
    bool m_followStop = false;
};

} // namespace orsad

#endif // ORSAD_SERVER_H
