// The DOIP interface against the ECU simulator's fault modes and against
// peers that break the protocol, break during a wait, and tester present.
#include "EngineFixture.h"

#include <EcuSim.h>
#include <vedamis/DoipMessage.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace enginetest;

namespace {

const char *kNet = R"(
ecu { name = "D_NET", doip_address = "0x0020" }
job "ASK" { run = function() result("R", "text", tohex(send(hex(argtext())))) end }
)";

const char *kNetSim = "22 F4 0C = 62 F4 0C 0B B8\n"
                      "10 03 = 50 03 00 32 01 F4\n"
                      "3E 00 = NONE\n";

// Simulator options with a change applied.
template <typename Change> ecusim::Options with(Change change)
{
    ecusim::Options options;
    change(options);
    return options;
}

class Doip : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        compile("D_NET.PRG", kNet);
    }
    void TearDown() override
    {
        closeSession();
        if (m_simulator)
            m_simulator->stop();
        EngineTest::TearDown();
    }

    // Starts a simulator with the options and points the session at it.
    void serve(ecusim::Options options, uint16_t address = 0x20)
    {
        options.port = 0;
        m_simulator = std::make_unique<ecusim::Simulator>(options);
        ASSERT_TRUE(m_simulator->addEcu("D_NET", address, kNetSim));
        ASSERT_TRUE(m_simulator->start());
        useDoip(m_simulator->port());
    }
    void useDoip(uint16_t port, const std::string &extra = {})
    {
        closeSession();
        ASSERT_TRUE(openSession("Simulation=0;Interface=DOIP;DoipControlTimeout=300;DoipP2=150;DoipP2Star=400;"
                                "DoipPort=" +
                                std::to_string(port) + ";" + extra))
            << errorText();
    }
    std::string ask(const std::string &request) { return EngineTest::ask("D_NET", request); }

    std::unique_ptr<ecusim::Simulator> m_simulator;
};

// A listener that answers every connection with the given bytes and then
// holds it open; for peers the simulator will not imitate.
class RawPeer {
public:
    explicit RawPeer(std::string reply) : m_reply(std::move(reply))
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&sa), sizeof(sa));
        ::listen(m_fd, 4);
        socklen_t length = sizeof(sa);
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&sa), &length);
        m_port = ntohs(sa.sin_port);
        m_thread = std::thread([this] {
            const int client = ::accept(m_fd, nullptr, nullptr);
            if (client < 0)
                return;
            char buffer[256];
            [[maybe_unused]] ssize_t n = ::recv(client, buffer, sizeof(buffer), 0);
            [[maybe_unused]] ssize_t sent = ::send(client, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
            while (::recv(client, buffer, sizeof(buffer), 0) > 0) {
            }
            ::close(client);
        });
    }
    ~RawPeer()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    uint16_t port() const { return m_port; }

private:
    std::string m_reply;
    int m_fd = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
};

} // namespace

TEST_F(Doip, FaultModesGiveTheirErrors)
{
    const struct {
        const char *what;
        ecusim::Options options;
        uint16_t address;
        std::string request, expected;
        const char *textPart;
    } cases[] = {
        {"answer", {}, 0x20, "22 F4 0C", "62 F4 0C 0B B8", ""},
        {"no answer in the file", {}, 0x20, "3E 00", "<error 50>", "request 3E 00"},
        {"routing denied", with([](auto &o) { o.routing = 0x00; }), 0x20, "22 F4 0C", "<error 55>",
         "code 0x00 (unknown source address)"},
        {"NACK", with([](auto &o) { o.nack = 0x06; }), 0x20, "22 F4 0C", "<error 56>", "target unreachable"},
        {"ECU not at the named address", {}, 0x21, "22 F4 0C", "<error 56>", "unknown target address"},
        {"never acknowledged", with([](auto &o) { o.delayMs = 1000, o.noAck = true; }), 0x20, "22 F4 0C", "<error 59>",
         "not acknowledged"},
        {"pending within P2*", with([](auto &o) { o.pending = 3, o.pendingMs = 250; }), 0x20, "22 F4 0C",
         "62 F4 0C 0B B8", ""},
        {"answer later than P2", with([](auto &o) { o.delayMs = 300; }), 0x20, "22 F4 0C", "<error 50>", ""},
        {"connection dropped", with([](auto &o) { o.dropAfter = 0; }), 0x20, "22 F4 0C", "<error 58>",
         "closed by the vehicle"},
    };
    for (const auto &c : cases) {
        serve(c.options, c.address);
        EXPECT_EQ(ask(c.request), c.expected) << c.what;
        EXPECT_NE(errorText().find(c.textPart), std::string::npos) << c.what << ": " << errorText();
        m_simulator->stop();
    }
}

TEST_F(Doip, RefusedConnectionAndBrokenPeers)
{
    useDoip(RawPeer("").port()); // bound and closed again: connecting is refused
    EXPECT_EQ(ask("22 F4 0C"), "<error 54>");
    EXPECT_NE(errorText().find("Connection refused"), std::string::npos) << errorText();

    namespace d = vedamis::doip;
    const std::string routed =
        d::encode(d::RoutingActivationResponse, d::encodeRoutingActivationResponse(0x0E00, 0x20, 0x10));
    // Which headers are bad is the reader's test; here that either wait, for the routing
    // activation and for the answer, ends in the protocol error.
    const std::tuple<const char *, std::string, int16_t> replies[] = {
        {"wrong protocol version", std::string("\x07\xF8\x00\x06\x00\x00\x00\x09", 8) + std::string(9, '\0'), 57},
        {"unknown payload type", routed + std::string("\x02\xFD\x99\x99\x00\x00\x00\x00", 8), 57},
        {"generic NACK", routed + d::encode(d::GenericNack, std::string(1, '\x04')), 57},
        {"truncated header, then silence", std::string("\x02\xFD\x00", 3), 59},
    };
    for (const auto &[what, reply, code] : replies) {
        RawPeer peer(reply);
        useDoip(peer.port());
        EXPECT_EQ(run("D_NET", "ASK", "22 F4 0C"), code) << what << ": " << errorText();
        closeSession(); // the peer's thread ends with the connection
    }
}

TEST_F(Doip, RetryCommConnectsAgainAfterADroppedConnection)
{
    serve(with([](auto &o) { o.dropAfter = 1; }));
    ASSERT_TRUE(setConfig("RetryComm", "1"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8") << "request " << i << ": " << errorText();
}

TEST_F(Doip, ResponsePendingStormEndsAtTheJobTimeLimit)
{
    serve(with([](auto &o) { o.pending = 1000000, o.pendingMs = 20; }));
    ASSERT_TRUE(setConfig("JobTimeout", "300"));
    EXPECT_EQ(ask("22 F4 0C"), "<error 42>");
    // The next job starts on a fresh connection and is not misled by the storm.
    m_simulator->stop();
    serve({});
    EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8");
}

TEST_F(Doip, BreakEndsAWaitingRequestAtOnce)
{
    serve(with([](auto &o) { o.delayMs = 5000; }));
    ASSERT_TRUE(setConfig("DoipP2", "10000"));
    std::chrono::steady_clock::time_point endedAt;
    int16_t code = 0;
    std::thread job([&] {
        code = run("D_NET", "ASK", "22 F4 0C");
        endedAt = std::chrono::steady_clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto breakAt = std::chrono::steady_clock::now();
    apiVBBreak(m_handle);
    job.join();
    EXPECT_EQ(code, VEDAMIS_ERR_JOB_BREAK) << errorText();
    EXPECT_LT(endedAt - breakAt, std::chrono::milliseconds(100));
}

TEST_F(Doip, TesterPresentKeepsAnExtendedSessionOpen)
{
    serve({});
    ASSERT_TRUE(setConfig("DoipTesterPresent", "40"));
    EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(m_simulator->requests(), 1) << "tester present in the default session";
    EXPECT_EQ(ask("10 03"), "50 03 00 32 01 F4");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int kept = m_simulator->requests() - 2;
    EXPECT_GE(kept, 2) << "tester present messages while the session was open";
    // Their acknowledgements are not taken for the next request's.
    EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8");
}
