// orsad: the management service on the network.
#include "Certificate.h"
#include "HashCost.h"
#include "Log.h"
#include "Options.h"
#include "Secrets.h"
#include "Server.h"
#include "Service.h"
#include "StateLock.h"
#include "Tls.h"
#include "Wire.h"

#include <asio/ssl.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>

namespace {

// Letters and digits only, so that it survives any shell or form.
std::string randomPassword()
{
    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    std::string out;
    for (unsigned char c : orsa::randomBytes(20))
        out.push_back(alphabet[c % (sizeof alphabet - 1)]);
    return out;
}

std::string firstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line) || line.empty())
        throw std::runtime_error("no password in " + path);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

int serve(orsad::Options& options)
{
    // First, so that a refused database address leaves nothing behind.
    std::unique_ptr<orsa::Store> store = orsa::openStore(options.database);
    const orsad::StateLock stateLock(orsad::sessionsFile(options));
    if (options.certFile.empty()) {
        const std::string dir = orsad::stateDirectory(options);
        options.certFile = dir + "/orsad-cert.pem";
        options.keyFile = dir + "/orsad-key.pem";
        if (orsad::ensureSelfSigned(options.certFile, options.keyFile))
            orsad::logLine("made a self-signed certificate " + options.certFile);
    }
    orsad::logLine("certificate fingerprint (SHA-256) " + orsad::fileFingerprint(options.certFile));

    asio::ssl::context tls(asio::ssl::context::tls_server);
    orsa::applyTlsDefaults(tls.native_handle());
    tls.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                    asio::ssl::context::no_sslv3);
    tls.use_certificate_chain_file(options.certFile);
    tls.use_private_key_file(options.keyFile, asio::ssl::context::pem);

    orsa::ServiceOptions serviceOptions;
    const bool passwordGiven = !options.adminPasswordFile.empty();
    serviceOptions.firstAdminPassword =
        passwordGiven ? firstLine(options.adminPasswordFile) : randomPassword();
    serviceOptions.changeLogSize = options.limits.changeLogSize;
    orsa::Service service(std::move(store), orsad::hashIterations(), orsa::wallClock,
                          serviceOptions);
    if (service.createdDatabase()) {
        orsad::logLine("created the database " + options.database);
        if (!passwordGiven) {
            // Shown once, on standard output, not in the log.
            std::cout << "The first account is admin, password "
                      << serviceOptions.firstAdminPassword << " (shown only this once)"
                      << std::endl;
        }
    }
    serviceOptions.firstAdminPassword.assign(serviceOptions.firstAdminPassword.size(), '\0');

    orsad::Server server(options, service, tls);
    server.run();
    orsad::logLine("stopped");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    orsad::Options options;
    std::string message;
    switch (orsad::parseOptions(argc, argv, options, message)) {
    case orsad::ParseResult::Help:
        std::fputs(orsad::usageText(), stdout);
        return 0;
    case orsad::ParseResult::Version:
        std::printf("orsad %s (protocol %u)\n", ORSAD_VERSION, orsa::kProtocolVersion);
        return 0;
    case orsad::ParseResult::Error:
        std::fprintf(stderr, "orsad: %s\n%s", message.c_str(), orsad::usageText());
        return 2;
    case orsad::ParseResult::Run:
        break;
    }
    try {
        return serve(options);
    } catch (const std::exception& e) {
        orsad::logLine(std::string("cannot start: ") + e.what());
        return 1;
    }
}
