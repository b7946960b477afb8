#include "Server.h"

#include "ChangeLog.h"
#include "Connection.h"
#include "Log.h"
#include "PgStore.h"

#include <algorithm>
#include <csignal>
#include <thread>
#include <vector>

namespace orsad {
namespace {

std::string endpointText(const asio::ip::tcp::endpoint& e)
{
    const std::string host = e.address().to_string();
    return (e.address().is_v6() ? "[" + host + "]" : host) + ":" + std::to_string(e.port());
}

} // namespace

Server::Server(const Options& options, orsa::Service& service, asio::ssl::context& tls)
    : m_options(options), m_service(service), m_tls(tls),
      m_sessions(options.limits.sessionGrace, sessionsFile(options)),
      m_throttle(options.limits.freeLoginFailures), m_acceptor(m_io),
      m_signals(m_io, SIGINT, SIGTERM), m_stopTimer(m_io), m_markTimer(m_io)
{
    asio::ip::tcp::resolver resolver(m_io);
    const auto endpoint =
        resolver.resolve(options.host, std::to_string(options.port)).begin()->endpoint();
    m_acceptor.open(endpoint.protocol());
    m_acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true));
    m_acceptor.bind(endpoint);
    m_acceptor.listen();
    logLine("listening on " + endpointText(m_acceptor.local_endpoint()) +
            (options.listenGiven ? "" : " (the default; --listen HOST:PORT to change)"));
}

Server::~Server() = default;

void Server::run()
{
    m_signals.async_wait([this](const asio::error_code& ec, int) {
        if (!ec)
            stop();
    });
    accept();
    markSessions();
    unsigned count = m_options.threads;
    if (count == 0)
        count = std::max(2u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < count; ++i)
        threads.emplace_back([this] { m_io.run(); });
    std::thread follower;
    if (orsa::isPostgresqlUri(m_options.database))
        follower = std::thread([this] { followOtherServices(); });
    m_io.run();
    for (std::thread& t : threads)
        t.join();
    if (follower.joinable()) {
        stopFollowing();
        follower.join();
    }
    m_serviceQueue.stop();
}

void Server::markSessions()
{
    m_sessions.mark();
    m_markTimer.expires_after(std::chrono::seconds(5));
    m_markTimer.async_wait([this](const asio::error_code& ec) {
        if (!ec)
            markSessions();
    });
}

void Server::accept()
{
    m_acceptor.async_accept(
        asio::make_strand(m_io), [this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
            if (ec == asio::error::operation_aborted || !m_acceptor.is_open())
                return;
            if (!ec) {
                asio::error_code peerError;
                const auto remote = socket.remote_endpoint(peerError);
                const std::string peer = peerError ? "unknown peer" : endpointText(remote);
                const std::string address = peerError ? peer : remote.address().to_string();
                std::shared_ptr<Connection> connection;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_connections.size() < m_options.limits.maxConnections) {
                        connection =
                            std::make_shared<Connection>(*this, std::move(socket), peer, address);
                        m_connections[connection.get()] = connection;
                    }
                }
                if (connection)
                    connection->start();
                else
                    logLine("connection from " + peer + " refused: too many connections");
            }
            accept();
        });
}

std::string Server::handle(orsa::Session& session, const std::string& frame)
{
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    std::string answer = m_service.handleFrame(session, frame);
    publishIfLogged();
    return answer;
}

bool Server::tryHandle(orsa::Session& session, const std::string& frame, std::string& answer)
{
    std::unique_lock<std::mutex> lock(m_serviceMutex, std::try_to_lock);
    if (!lock)
        return false;
    answer = m_service.handleFrame(session, frame);
    publishIfLogged();
    return true;
}

void Server::publishIfLogged()
{
    const std::int64_t newest = m_service.newestLogged();
    if (newest == m_published)
        return;
    m_published = newest;
    m_subscribers.publish(m_service);
}

void Server::follow(const Connection* connection, std::shared_ptr<orsa::Session> session,
                    std::int64_t position, Subscribers::Deliver deliver)
{
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    m_subscribers.add(connection, std::move(session), position, std::move(deliver));
    // What a resumed session missed goes out now, before anything newer.
    m_subscribers.publish(m_service);
}

void Server::unfollow(const Connection* connection)
{
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    m_subscribers.remove(connection);
}

void Server::followOtherServices()
{
    constexpr auto kWait = std::chrono::milliseconds(500);
    std::unique_ptr<orsa::PgStore> listener;
    bool failing = false;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_followMutex);
            if (m_followStop)
                return;
        }
        try {
            if (!listener)
                listener = std::make_unique<orsa::PgStore>(m_options.database);
            if (listener->awaitNotification(orsa::kChangeChannel, kWait)) {
                std::lock_guard<std::mutex> lock(m_serviceMutex);
                m_subscribers.publish(m_service);
            }
            if (failing)
                logLine("following the other services' changes again");
            failing = false;
        } catch (const std::exception& e) {
            if (!failing)
                logLine(std::string("cannot follow the other services' changes: ") + e.what());
            failing = true;
            listener.reset();
            std::unique_lock<std::mutex> lock(m_followMutex);
            m_followWake.wait_for(lock, 2 * kWait, [this] { return m_followStop; });
        }
    }
}

void Server::stopFollowing()
{
    {
        std::lock_guard<std::mutex> lock(m_followMutex);
        m_followStop = true;
    }
    m_followWake.notify_all();
}

std::shared_ptr<orsa::Session> Server::resume(const std::string& token)
{
    // Under the service's lock: the service may be changing the session.
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    return m_sessions.resume(token);
}

void Server::closed(Connection* connection)
{
    bool last = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connections.erase(connection);
        last = m_stopping && m_connections.empty();
    }
    if (last)
        asio::post(m_io, [this] { finishStop(); });
}

void Server::stop()
{
    logLine("stopping: finishing the requests in progress");
    asio::error_code ignored;
    m_acceptor.close(ignored);
    std::vector<std::shared_ptr<Connection>> open;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        for (auto& entry : m_connections)
            if (auto c = entry.second.lock())
                open.push_back(std::move(c));
    }
    if (open.empty()) {
        finishStop();
        return;
    }
    for (auto& c : open)
        c->drain();
    m_stopTimer.expires_after(m_options.limits.stopTime);
    m_stopTimer.async_wait([this](const asio::error_code& ec) {
        if (!ec) {
            logLine("requests still in progress after the stop time: closing");
            finishStop();
        }
    });
}

void Server::finishStop()
{
    // Handlers still pending are dropped with the io_context, and with them
    // the connections they keep alive.
    m_io.stop();
}

} // namespace orsad
