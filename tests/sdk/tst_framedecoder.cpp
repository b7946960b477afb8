// The service's frame decoder against damaged input: every truncation and a
// deterministic stream of corruptions is answered "invalid argument", answered
// as some well-formed request, or dropped; never a crash or a stray read.
#include "BizOrsaResultCodes.h"
#include "CheapHashCost.h"
#include "Frame.h"
#include "Service.h"

#include <QtTest>

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

} // namespace

class tst_FrameDecoder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTrip();
    void truncatedRequests();
    void corruptedRequests();
    void damagedAnswers();

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

QTEST_GUILESS_MAIN(tst_FrameDecoder)
#include "tst_framedecoder.moc"
