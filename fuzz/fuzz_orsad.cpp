// orsad's handling of a connection from its first byte on: the input is what
// a client sends inside TLS (the hello, requests, pings, anything), written to
// an orsad server of this process over loopback. The client waits for an
// answer to each whole request it sent, unless the server closes first, then
// stops sending and reads until the server has closed the connection: every
// input is handled in full before the next one starts.
#include "Certificate.h"
#include "CheapHashCost.h"
#include "Server.h"
#include "Service.h"
#include "Tls.h"
#include "Wire.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

std::string g_stateDir;

// The whole frames of type in bytes, read as the server reads its input.
std::size_t countFrames(const std::string& bytes, orsa::FrameType type)
{
    std::size_t count = 0;
    std::size_t at = 0;
    orsa::FrameHead head;
    while (bytes.size() - at >= orsa::kFrameHeaderSize &&
           orsa::readFrameHead(bytes.data() + at, head) &&
           bytes.size() - at - orsa::kFrameHeaderSize >= head.payloadSize) {
        count += head.type == static_cast<std::uint8_t>(type) ? 1 : 0;
        at += orsa::kFrameHeaderSize + head.payloadSize;
    }
    return count;
}

void removeState()
{
    std::remove((g_stateDir + "/cert.pem").c_str());
    std::remove((g_stateDir + "/key.pem").c_str());
    ::rmdir(g_stateDir.c_str());
}

// One server for the whole run, never stopped: its threads outlive every input.
struct Setup {
    Setup()
    {
        char dir[] = "/tmp/fuzz_orsad.XXXXXX";
        if (!::mkdtemp(dir))
            std::abort();
        g_stateDir = dir;
        std::atexit(removeState);
        options.database = ":memory:";
        options.host = "127.0.0.1";
        options.port = 0;
        options.threads = 2;
        // Held-back logins would only slow the run down.
        options.limits.freeLoginFailures = std::numeric_limits<int>::max();
        options.certFile = g_stateDir + "/cert.pem";
        options.keyFile = g_stateDir + "/key.pem";
        orsad::ensureSelfSigned(options.certFile, options.keyFile);
        orsa::applyTlsDefaults(serverTls.native_handle());
        serverTls.use_certificate_chain_file(options.certFile);
        serverTls.use_private_key_file(options.keyFile, asio::ssl::context::pem);
        orsa::applyTlsDefaults(clientTls.native_handle());
        clientTls.set_verify_mode(asio::ssl::verify_none);
        service = new orsa::Service(":memory:", kCheapHashIterations);
        server = new orsad::Server(options, *service, serverTls);
        std::thread([server = server] { server->run(); }).detach();
    }

    orsad::Options options;
    asio::ssl::context serverTls{asio::ssl::context::tls_server};
    asio::ssl::context clientTls{asio::ssl::context::tls_client};
    orsa::Service* service = nullptr;
    orsad::Server* server = nullptr;
    asio::io_context io;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup* setup = new Setup;
    asio::ssl::stream<asio::ip::tcp::socket> stream(setup->io, setup->clientTls);
    asio::error_code ec;
    stream.lowest_layer().connect({asio::ip::make_address("127.0.0.1"), setup->server->port()}, ec);
    if (ec)
        std::abort();
    stream.handshake(asio::ssl::stream_base::client, ec);
    if (ec)
        std::abort();
    const std::string sent(reinterpret_cast<const char*>(data), size);
    asio::write(stream, asio::buffer(sent), ec);
    // A closed connection ends the write early; the reads below see it too.
    const std::size_t requests = countFrames(sent, orsa::FrameType::Request);
    std::string received;
    char chunk[4096];
    for (int reads = 0; !ec && reads < 100000; ++reads) {
        if (countFrames(received, orsa::FrameType::Answer) >= requests) {
            stream.lowest_layer().shutdown(asio::ip::tcp::socket::shutdown_send, ec);
            break;
        }
        received.append(chunk, stream.read_some(asio::buffer(chunk), ec));
    }
    for (int reads = 0; !ec && reads < 100000; ++reads)
        stream.read_some(asio::buffer(chunk), ec);
    return 0;
}
