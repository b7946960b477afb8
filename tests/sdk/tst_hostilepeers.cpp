// orsad against peers that break the rules: each is dropped once it passes
// its limit, while a well-behaved client goes on being served.
#include "TestHub.h"
#include "Wire.h"
#include "support/orsadprocess.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <QtTest>

#include <memory>

namespace {

enum class Misdeed {
    PlainGarbage, // not TLS at all
    PlainSilence, // TCP, never a handshake
    TlsGarbage,   // TLS, then bytes that are not a frame
    RequestFirst, // a request before the hello
    OldVersion,   // a hello of another protocol version
    HalfFrame,    // a frame started and never finished
    HugeFrame,    // a frame beyond the size limit
    NoLogin,      // hello, then nothing
    NeverReads,   // requests, and never an answer read
    OneTooMany,   // a connection beyond the limit
};

// One connection of a misbehaving peer, on blocking sockets.
class RawPeer
{
public:
    explicit RawPeer(quint16 port) : m_stream(m_io, m_tls)
    {
        auto& socket = m_stream.lowest_layer();
        socket.open(asio::ip::tcp::v4());
        // A small window, so that unread answers back up soon.
        socket.set_option(asio::socket_base::receive_buffer_size(4096));
        socket.connect({asio::ip::make_address("127.0.0.1"), port});
    }
    quint16 localPort() const { return m_stream.lowest_layer().local_endpoint().port(); }
    void writePlain(const std::string& bytes)
    {
        asio::write(m_stream.next_layer(), asio::buffer(bytes));
    }
    void handshake()
    {
        m_stream.set_verify_mode(asio::ssl::verify_none);
        m_stream.handshake(asio::ssl::stream_base::client);
    }
    void write(const std::string& bytes) { asio::write(m_stream, asio::buffer(bytes)); }
    void hello(std::uint32_t version = orsa::kProtocolVersion)
    {
        orsa::ClientHello hello;
        hello.version = version;
        write(orsa::encodeHello(hello));
    }
    // The server's hello, read whole.
    orsa::ServerHello readHello()
    {
        std::string frame(orsa::kFrameHeaderSize + 16, '\0');
        asio::read(m_stream, asio::buffer(&frame[0], frame.size()));
        orsa::ServerHello hello;
        orsa::decodeHello(frame.substr(orsa::kFrameHeaderSize), hello);
        return hello;
    }
    // Logs in, then writes requests with long answers until the server drops
    // the connection (or a bound).
    bool writeUntilDropped()
    {
        orsa::Request login;
        login.op = orsa::Op::Login;
        login.sid = 1;
        login.args.resize(2);
        login.args[0].isText = login.args[1].isText = true;
        login.args[0].text = "admin";
        login.args[1].text = OrsadProcess::adminPassword().toStdString();
        write(orsa::encodeRequest(login));
        orsa::Request request;
        request.op = orsa::Op::QueryRole;
        request.args.resize(1);
        request.args[0].isText = true;
        std::string batch;
        for (int i = 2; i <= 1000; ++i) {
            request.sid = i;
            batch += orsa::encodeRequest(request);
        }
        for (int round = 0; round < 100000; ++round) {
            asio::error_code ec;
            asio::write(m_stream, asio::buffer(batch), ec);
            if (ec)
                return true;
        }
        return false;
    }

private:
    asio::io_context m_io;
    asio::ssl::context m_tls{asio::ssl::context::tls_client};
    asio::ssl::stream<asio::ip::tcp::socket> m_stream;
};

std::string requestFrame()
{
    orsa::Request request;
    request.op = orsa::Op::Logout;
    request.sid = 1;
    return orsa::encodeRequest(request);
}

} // namespace

Q_DECLARE_METATYPE(Misdeed)

class tst_HostilePeers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dropped_data();
    void dropped();

private:
    bool stillServed() { return m_good->result(m_good->role()->QueryRole("")) == BIZORSA_OK; }

    QTemporaryDir m_config;
    OrsadProcess m_orsad;
    std::unique_ptr<TestHub> m_good;
};

void tst_HostilePeers::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(m_orsad.start({QStringLiteral("--frame-timeout"), QStringLiteral("1"),
                           QStringLiteral("--login-timeout"), QStringLiteral("2"),
                           QStringLiteral("--max-in-flight"), QStringLiteral("16"),
                           // the good client and one peer
                           QStringLiteral("--max-connections"), QStringLiteral("2")}));
    m_good = std::make_unique<TestHub>("127.0.0.1", m_orsad.port());
    QVERIFY(m_good->hub);
    QVERIFY(m_good->login(OrsadProcess::adminPassword()));
    // Roles enough for a list of them to fill socket buffers quickly.
    for (int i = 0; i < 50; ++i)
        QVERIFY(!m_good->addRole(QByteArray::number(i).constData()).isEmpty());
}

void tst_HostilePeers::dropped_data()
{
    QTest::addColumn<Misdeed>("misdeed");
    QTest::addColumn<QString>("reason"); // as orsad logs it
    QTest::addRow("garbage instead of TLS") << Misdeed::PlainGarbage << "TLS handshake failed";
    QTest::addRow("plain TCP, silent") << Misdeed::PlainSilence << "no TLS handshake";
    QTest::addRow("garbage inside TLS") << Misdeed::TlsGarbage << "not a frame";
    QTest::addRow("request before hello") << Misdeed::RequestFirst << "no hello";
    QTest::addRow("other protocol version") << Misdeed::OldVersion << "refused";
    QTest::addRow("frame half-sent") << Misdeed::HalfFrame << "a frame left unfinished";
    QTest::addRow("frame too large") << Misdeed::HugeFrame << "frame of 1048576 bytes";
    QTest::addRow("no login") << Misdeed::NoLogin << "no login within the login time";
    QTest::addRow("never reads") << Misdeed::NeverReads << "does not read its answers";
    QTest::addRow("one connection too many") << Misdeed::OneTooMany << "too many connections";
}

void tst_HostilePeers::dropped()
{
    QFETCH(Misdeed, misdeed);
    QFETCH(QString, reason);
    RawPeer peer(m_orsad.port());
    quint16 dropped = peer.localPort(); // the connection orsad must drop
    std::unique_ptr<RawPeer> extra;
    switch (misdeed) {
    case Misdeed::PlainGarbage:
        peer.writePlain("GET / HTTP/1.0\r\n\r\n");
        break;
    case Misdeed::PlainSilence:
    case Misdeed::OneTooMany:
        break;
    default:
        peer.handshake();
        break;
    }
    switch (misdeed) {
    case Misdeed::TlsGarbage:
        peer.write("this is not a frame of any kind");
        break;
    case Misdeed::RequestFirst:
        peer.write(requestFrame());
        break;
    case Misdeed::OldVersion:
        peer.hello(orsa::kProtocolVersion + 98);
        QCOMPARE(peer.readHello().status, orsa::HelloStatus::VersionRefused);
        break;
    case Misdeed::HalfFrame:
        peer.hello();
        peer.write(requestFrame().substr(0, 10));
        break;
    case Misdeed::HugeFrame:
        peer.hello();
        peer.write(orsa::frameHeader(orsa::FrameType::Request, 0, 1, 1024 * 1024));
        break;
    case Misdeed::NoLogin:
        peer.hello();
        break;
    case Misdeed::NeverReads:
        peer.hello();
        QVERIFY(stillServed());
        QVERIFY(peer.writeUntilDropped());
        break;
    case Misdeed::OneTooMany:
        // The peer, silent, holds the last place.
        extra = std::make_unique<RawPeer>(m_orsad.port());
        dropped = extra->localPort();
        break;
    default:
        break;
    }
    const QString closed = QStringLiteral("connection from 127\\.0\\.0\\.1:%1 .*%2")
                               .arg(dropped)
                               .arg(QRegularExpression::escape(reason));
    // Served while the peer misbehaves, and after it is gone.
    QVERIFY(stillServed());
    QVERIFY2(m_orsad.waitForLog(QRegularExpression(closed)), qPrintable(m_orsad.log().join('\n')));
    QVERIFY(stillServed());
}

QTEST_GUILESS_MAIN(tst_HostilePeers)
#include "tst_hostilepeers.moc"
