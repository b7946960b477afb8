// The service's frame decoder against damaged input: every truncation and a
// deterministic stream of corruptions is answered "invalid argument", answered
// as some well-formed request, or dropped; never a crash or a stray read. And
// the client's decoder of the changes the server pushes.
#include "BizOrsaResultCodes.h"
#include "ChangeKinds.h"
#include "CheapHashCost.h"
#include "Frame.h"
#include "Service.h"
#include "Wire.h"

#include <QtTest>

#include <cstring>
#include <functional>
#include <random>

namespace {

orsa::Arg textArg(const char* s)
{
    orsa::Arg a;
    a.isText = true;
    a.text = s;
    return a;
}

orsa::Arg intArg(int n)
{
    orsa::Arg a;
    a.number = n;
    return a;
}

// One valid request frame per operation, with arguments of the right kinds.
std::vector<std::string> validFrames()
{
    std::vector<std::string> frames;
    for (std::uint16_t code = 0; code < std::uint16_t(orsa::Op::Count); ++code) {
        const orsa::OpInfo* info = orsa::opInfo(code);
        orsa::Request r;
        r.op = orsa::Op(code);
        r.sid = 1000 + code;
        for (int i = 0; i < info->argCount; ++i)
            r.args.push_back(info->argFieldSize[i] ? textArg("88341189") : intArg(2));
        frames.push_back(orsa::encodeRequest(r));
    }
    return frames;
}

template <class E>
std::uint32_t code(E value)
{
    return static_cast<std::uint32_t>(value);
}

// A change as the server pushes it: a region added, and its payload.
orsa::PushedChange regionAdded()
{
    orsa::PushedChange c;
    c.revision = 5000000000LL; // beyond 32 bits
    c.kind = code(orsa::ChangeKind::Region);
    c.operation = code(orsa::ChangeOp::Add);
    c.own = true;
    tabREGIONINFO r{};
    std::memcpy(r.guid, "g1", 2);
    r.level = 3;
    c.record.assign(reinterpret_cast<const char*>(&r), sizeof r);
    return c;
}

std::string payloadOf(const orsa::PushedChange& c)
{
    return orsa::encodePush(c).substr(orsa::kFrameHeaderSize);
}

using Spoil = std::function<void(orsa::PushedChange&)>;

} // namespace

Q_DECLARE_METATYPE(Spoil)

class tst_FrameDecoder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTrip();
    void truncatedRequests();
    void corruptedRequests();
    void damagedAnswers();
    void pushedChanges_data();
    void pushedChanges();
    void truncatedPushes();

private:
    // Checks what the service made of a damaged frame.
    void checkAnswer(const std::string& frame, bool mustBeInvalid);
    std::unique_ptr<orsa::Service> m_service;
    orsa::Session m_session;
};

void tst_FrameDecoder::initTestCase()
{
    m_service = std::make_unique<orsa::Service>(":memory:", kCheapHashIterations);
    // Logged in, so damaged frames that still decode reach the handlers.
    orsa::Request login;
    login.op = orsa::Op::Login;
    login.sid = 1;
    login.args = {textArg("admin"), textArg("admin")};
    orsa::Answer answer;
    QVERIFY(
        orsa::decodeAnswer(m_service->handleFrame(m_session, orsa::encodeRequest(login)), answer));
    QCOMPARE(answer.result, 0);
}

void tst_FrameDecoder::roundTrip()
{
    for (const std::string& frame : validFrames()) {
        orsa::Request r;
        QCOMPARE(orsa::decodeRequest(frame, r), orsa::DecodeStatus::Ok);
        QCOMPARE(orsa::encodeRequest(r), frame);
    }
}

void tst_FrameDecoder::checkAnswer(const std::string& frame, bool mustBeInvalid)
{
    const std::string reply = m_service->handleFrame(m_session, frame);
    if (reply.empty())
        return; // dropped
    orsa::Answer answer;
    QVERIFY(orsa::decodeAnswer(reply, answer));
    if (mustBeInvalid)
        QCOMPARE(answer.result, int(BIZORSA_E_INVALID_ARGUMENT));
}

void tst_FrameDecoder::truncatedRequests()
{
    for (const std::string& frame : validFrames()) {
        for (std::size_t size = 0; size < frame.size(); ++size) {
            checkAnswer(frame.substr(0, size), true);
            if (QTest::currentTestFailed())
                return;
        }
        checkAnswer(frame + "x", true); // trailing garbage
    }
}

void tst_FrameDecoder::corruptedRequests()
{
    std::mt19937 random(20240601);
    const std::vector<std::string> frames = validFrames();
    for (int round = 0; round < 4000; ++round) {
        std::string frame = frames[random() % frames.size()];
        const int flips = 1 + int(random() % 4);
        for (int i = 0; i < flips; ++i)
            frame[random() % frame.size()] = char(random() & 0xFF);
        checkAnswer(frame, false);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_FrameDecoder::damagedAnswers()
{
    orsa::Answer answer;
    answer.op = orsa::Op::QueryRole;
    answer.sid = 9;
    answer.count = 2;
    answer.records.assign(2 * sizeof(tabROLEINFO), 'r');
    const std::string frame = orsa::encodeAnswer(answer);
    orsa::Answer back;
    QVERIFY(orsa::decodeAnswer(frame, back));
    QCOMPARE(back.count, 2u);
    QCOMPARE(back.records, answer.records);
    for (std::size_t size = 0; size < frame.size(); ++size)
        QVERIFY(!orsa::decodeAnswer(frame.substr(0, size), back));
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string bad = frame;
        bad[random() % 28] = char(random() & 0xFF); // header and counts only
        if (orsa::decodeAnswer(bad, back))
            QCOMPARE(std::uint64_t(back.records.size()),
                     std::uint64_t(back.count) * orsa::opInfo(back.op).recordSize);
    }
}

// A pushed change decodes as it was sent, and only a change of a known kind
// and operation whose record has the kind's size decodes at all.
void tst_FrameDecoder::pushedChanges_data()
{
    QTest::addColumn<Spoil>("spoil");
    QTest::addColumn<bool>("decodes");
    QTest::addRow("as sent") << Spoil([](orsa::PushedChange&) {}) << true;
    QTest::addRow("cascaded delete") << Spoil([](orsa::PushedChange& c) {
        c.operation = code(orsa::ChangeOp::Delete);
        c.cascaded = true;
        c.own = false;
    }) << true;
    QTest::addRow("record a byte short")
        << Spoil([](orsa::PushedChange& c) { c.record.pop_back(); }) << false;
    QTest::addRow("record a byte long")
        << Spoil([](orsa::PushedChange& c) { c.record.push_back('x'); }) << false;
    QTest::addRow("another kind's record")
        << Spoil([](orsa::PushedChange& c) { c.kind = code(orsa::ChangeKind::Role); }) << false;
    QTest::addRow("kind 0") << Spoil([](orsa::PushedChange& c) { c.kind = 0; }) << false;
    QTest::addRow("kind after the last")
        << Spoil([](orsa::PushedChange& c) { c.kind = code(orsa::ChangeKind::AlarmRegion) + 1; })
        << false;
    QTest::addRow("operation 0") << Spoil([](orsa::PushedChange& c) { c.operation = 0; }) << false;
    QTest::addRow("operation after delete")
        << Spoil([](orsa::PushedChange& c) { c.operation = code(orsa::ChangeOp::Delete) + 1; })
        << false;
    QTest::addRow("revision 0") << Spoil([](orsa::PushedChange& c) { c.revision = 0; }) << false;
}

void tst_FrameDecoder::pushedChanges()
{
    QFETCH(Spoil, spoil);
    QFETCH(bool, decodes);
    orsa::PushedChange sent = regionAdded();
    spoil(sent);
    orsa::PushedChange got;
    QCOMPARE(orsa::decodePush(payloadOf(sent), got), decodes);
    if (!decodes)
        return;
    QCOMPARE(got.revision, sent.revision);
    QCOMPARE(got.kind, sent.kind);
    QCOMPARE(got.operation, sent.operation);
    QCOMPARE(got.own, sent.own);
    QCOMPARE(got.cascaded, sent.cascaded);
    QVERIFY(got.record == sent.record);
}

void tst_FrameDecoder::truncatedPushes()
{
    const std::string payload = payloadOf(regionAdded());
    for (std::size_t size = 0; size < payload.size(); ++size) {
        orsa::PushedChange got;
        QVERIFY2(!orsa::decodePush(payload.substr(0, size), got),
                 qPrintable(QString::number(size)));
    }
}

QTEST_GUILESS_MAIN(tst_FrameDecoder)
#include "tst_framedecoder.moc"
