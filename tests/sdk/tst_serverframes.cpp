// The SDK against a server of the test's own making, which sends what orsad
// does not yet send: frames of the reserved push type and of unknown types
// between answers, and a hello refusing the protocol version.
#include "TestHub.h"
#include "Wire.h"
#include "support/orsadprocess.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <QtTest>

#include <thread>

namespace {

// Serves one connection on a loopback port with a certificate made by orsad.
class ScriptedServer
{
public:
    ScriptedServer(const QString& directory, orsa::HelloStatus status) : m_status(status)
    {
        m_tls.use_certificate_chain_file(
            QFile::encodeName(directory + QStringLiteral("/orsad-cert.pem")).toStdString());
        m_tls.use_private_key_file(
            QFile::encodeName(directory + QStringLiteral("/orsad-key.pem")).toStdString(),
            asio::ssl::context::pem);
        m_acceptor.open(asio::ip::tcp::v4());
        m_acceptor.bind({asio::ip::make_address("127.0.0.1"), 0});
        m_acceptor.listen();
        m_thread = std::thread([this] { serve(); });
    }
    ~ScriptedServer()
    {
        asio::error_code ignored;
        m_acceptor.close(ignored);
        m_thread.join();
    }
    quint16 port() const { return m_acceptor.local_endpoint().port(); }

private:
    std::string readFrame(asio::ssl::stream<asio::ip::tcp::socket>& stream)
    {
        std::string frame(orsa::kFrameHeaderSize, '\0');
        asio::read(stream, asio::buffer(&frame[0], frame.size()));
        orsa::FrameHead head;
        orsa::readFrameHead(frame.data(), head);
        frame.resize(orsa::kFrameHeaderSize + head.payloadSize);
        asio::read(stream, asio::buffer(&frame[orsa::kFrameHeaderSize], head.payloadSize));
        return frame;
    }

    // Every request is answered with success, after two frames to be ignored.
    void serve()
    {
        asio::error_code ec;
        asio::ssl::stream<asio::ip::tcp::socket> stream(m_io, m_tls);
        m_acceptor.accept(stream.lowest_layer(), ec);
        if (ec)
            return;
        try {
            stream.handshake(asio::ssl::stream_base::server);
            readFrame(stream); // the client's hello
            orsa::ServerHello hello;
            hello.status = m_status;
            hello.keepAliveMs = 5000;
            asio::write(stream, asio::buffer(orsa::encodeHello(hello)));
            for (;;) {
                orsa::Request request;
                if (orsa::decodeRequest(readFrame(stream), request) != orsa::DecodeStatus::Ok)
                    return;
                orsa::Answer answer;
                answer.op = request.op;
                answer.sid = request.sid;
                const std::string frames =
                    orsa::encodeControl(orsa::FrameType::Push, 0, "a change notification") +
                    orsa::encodeControl(orsa::FrameType(99), 7, "from a later version") +
                    orsa::encodeAnswer(answer);
                asio::write(stream, asio::buffer(frames));
            }
        } catch (const std::exception&) {
            // The client went away.
        }
    }

    const orsa::HelloStatus m_status;
    asio::io_context m_io;
    asio::ssl::context m_tls{asio::ssl::context::tls_server};
    asio::ip::tcp::acceptor m_acceptor{m_io};
    std::thread m_thread;
};

} // namespace

Q_DECLARE_METATYPE(orsa::HelloStatus)

class tst_ServerFrames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void frames_data();
    void frames();

private:
    QTemporaryDir m_config;
    OrsadProcess m_orsad; // started once, for its certificate
};

void tst_ServerFrames::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(m_orsad.start());
}

void tst_ServerFrames::frames_data()
{
    QTest::addColumn<orsa::HelloStatus>("status");
    QTest::addColumn<bool>("made");
    QTest::addRow("push and unknown frames are passed over") << orsa::HelloStatus::Accepted << true;
    QTest::addRow("protocol version refused") << orsa::HelloStatus::VersionRefused << false;
}

void tst_ServerFrames::frames()
{
    QFETCH(orsa::HelloStatus, status);
    QFETCH(bool, made);
    ScriptedServer server(m_orsad.directory(), status);
    TestHub t("127.0.0.1", server.port());
    QCOMPARE(t.hub != nullptr, made);
    if (!made)
        return;
    const int sids[] = {t.role()->QueryRole(""), t.account()->Logout()};
    QCOMPARE(t.wait(sids[0]).result, int(BIZORSA_OK));
    QCOMPARE(t.wait(sids[1]).result, int(BIZORSA_OK));
    QCOMPARE(t.sink.all().size(), 2);
}

QTEST_GUILESS_MAIN(tst_ServerFrames)
#include "tst_serverframes.moc"
