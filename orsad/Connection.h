// One client connection: TLS, the hello, then frames in and answers out in
// request order. Owns its socket and lives as long as a handler of it is
// pending; every handler runs on the connection's strand.
#ifndef ORSAD_CONNECTION_H
#define ORSAD_CONNECTION_H

#include "Service.h"
#include "Wire.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace orsad {

class Server;

class Connection : public std::enable_shared_from_this<Connection>
{
public:
    using Socket = asio::ip::tcp::socket;
    // peer: address and port, for the log; peerAddress: the address alone.
    Connection(Server& server, Socket socket, std::string peer, std::string peerAddress);
    ~Connection();

    void start();
    // Reads no further; closes once the requests already read are answered.
    void drain();

private:
    using Clock = std::chrono::steady_clock;

    void read();
    void onRead(const asio::error_code& ec, std::size_t n);
    void takeFrames();
    void onFrame(const orsa::FrameHead& head, std::string frame);
    void onHello(const std::string& payload);
    void handleNext();
    void handleInService(std::string request);
    void finish(const std::string& request, const std::string& answer);
    void noteLogin(orsa::Op op, const std::string& request, const std::string& answer);
    void send(std::string frame, bool answersRequest);
    void follow(std::int64_t position);
    void pushed(std::vector<std::string> frames);
    void writeNext();
    void onWritten(const asio::error_code& ec);
    // Closes the connection when the frame time passes before disarm().
    void closeAfter(asio::steady_timer& timer, unsigned& generation, const char* reason);
    void disarm(asio::steady_timer& timer, unsigned& generation);
    void armFrameTime();
    void disarmFrameTime();
    // Not logged in, and no login waiting for an answer.
    bool awaitsLogin() const { return !m_loggedIn && m_loginsPending == 0; }
    void armWatch();
    void onWatch();
    void close(const std::string& reason);

    Server& m_server;
    asio::ssl::stream<Socket> m_stream;
    const std::string m_peer;
    const std::string m_peerAddress;
    asio::steady_timer m_throttleTimer;
    asio::steady_timer m_frameTimer; // the handshake, then a started frame
    asio::steady_timer m_writeTimer;
    asio::steady_timer m_watch; // keep-alive silence and the login deadline
    unsigned m_frameGeneration = 0;
    unsigned m_writeGeneration = 0;
    bool m_frameTimeArmed = false;
    Clock::time_point m_loginClock = Clock::now(); // connected, logged out, or a login answered
    Clock::time_point m_lastHeard = Clock::now();
    Clock::duration m_keepAlive;

    char m_chunk[16 * 1024];
    std::string m_in;
    std::deque<std::string> m_requests;             // read, not yet handled
    std::size_t m_inFlight = 0;                     // read, answer not yet written
    std::deque<std::pair<std::string, bool>> m_out; // frame, answers a request
    std::string m_writing;
    std::size_t m_answersWriting = 0;

    std::shared_ptr<orsa::Session> m_session;
    std::string m_token;
    bool m_helloDone = false;
    bool m_loggedIn = false;  // as far as this connection saw; the service decides
    bool m_following = false; // the change log
    int m_loginsPending = 0;  // read, not yet answered
    bool m_reading = false;
    bool m_handling = false;
    bool m_draining = false;
    bool m_closeAfterWrite = false;
    bool m_closed = false;
};

} // namespace orsad

#endif // ORSAD_CONNECTION_H
