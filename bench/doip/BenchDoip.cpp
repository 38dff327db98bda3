// The DOIP interface's round trip: one job sending one UDS request to
// vedamis-ecusim on loopback, against a raw TCP ping-pong that moves the same
// bytes the same way (one request frame out; acknowledgement and response
// frames back as two writes). A second pass runs 10,000 requests on one
// session, as a continuous run does, and reports the growth of the resident
// set between the first and the last thousand.
#include "RatioReporter.h"

#include <EcuSim.h>
#include <prg/Prg.h>
#include <vedamis/vedamis.h>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

namespace {

constexpr const char *kEcu = "BENCH_DOIP";
constexpr uint16_t kEcuAddress = 0x20;
constexpr const char *kSim = "22 F4 0C = 62 F4 0C 0B B8 5A 8C 00 12 34 01 07 AB CD 7F\n";
// DoIP frames on the wire for the request above: 8 header bytes, 4 address
// bytes, then the UDS bytes (3 out); 1 acknowledgement code; 15 UDS bytes back.
constexpr size_t kRequestFrame = 8 + 4 + 3;
constexpr size_t kAckFrame = 8 + 4 + 1;
constexpr size_t kResponseFrame = 8 + 4 + 15;

std::string g_dir;

std::string errorText(int32_t handle)
{
    char buffer[VEDAMIS_ERROR_BUFFER] = {};
    int32_t length = sizeof buffer;
    apiVB4ErrorText(handle, buffer, &length);
    return std::to_string(apiVBErrorCode(handle)) + " " + buffer;
}

bool writeDescription(std::string &error)
{
    prg::Description d;
    d.infoBlock = std::string("ECU:") + kEcu + "\nJOBNAME:STATUS\nRESULT:DREHZAHL\nRESULTTYPE:word\n";
    d.script = std::string("ecu { name = \"") + kEcu +
               "\", doip_address = \"0x0020\" }\n"
               "job \"STATUS\" {\n  results = { { name = \"DREHZAHL\", type = \"word\" } },\n"
               "  run = function()\n    local r = send(hex(\"22 F4 0C\"))\n"
               "    result(\"DREHZAHL\", \"word\", r:byte(4) * 256 + r:byte(5))\n  end,\n}\n";
    if (auto written = prg::writeFile(g_dir + "/" + kEcu + ".prg", d); !written) {
        error = written.error();
        return false;
    }
    return true;
}

// The simulator and a session pointed at it, for the duration of one benchmark.
class DoipSession {
public:
    explicit DoipSession(benchmark::State &state)
    {
        ecusim::Options options;
        options.port = 0;
        m_simulator = std::make_unique<ecusim::Simulator>(options);
        if (auto added = m_simulator->addEcu(kEcu, kEcuAddress, kSim); !added) {
            state.SkipWithError(added.error().c_str());
            return;
        }
        if (auto started = m_simulator->start(); !started) {
            state.SkipWithError(started.error().c_str());
            return;
        }
        const std::string settings =
            "EcuPath=" + g_dir + ";Simulation=0;Interface=DOIP;DoipPort=" + std::to_string(m_simulator->port()) + ";";
        if (!apiVBInitExt(&m_handle, "", "", "", settings.c_str())) {
            state.SkipWithError(("apiVBInitExt: " + errorText(m_handle)).c_str());
            return;
        }
        m_open = true;
    }
    ~DoipSession()
    {
        if (m_open)
            apiVBEnd(m_handle);
        if (m_simulator)
            m_simulator->stop();
    }
    bool open() const { return m_open; }
    // One job; false (and the benchmark skipped) when it fails.
    bool job(benchmark::State &state)
    {
        apiVBJob(m_handle, kEcu, "STATUS", "", "");
        int16_t value = 0;
        if (apiVBErrorCode(m_handle) != 0 || !apiVBResultInt(m_handle, &value, "DREHZAHL", 1) || value != 3000) {
            state.SkipWithError(("STATUS: " + errorText(m_handle)).c_str());
            return false;
        }
        return true;
    }

private:
    std::unique_ptr<ecusim::Simulator> m_simulator;
    int32_t m_handle = 0;
    bool m_open = false;
};

void BM_DoipJobRoundTrip(benchmark::State &state)
{
    DoipSession session(state);
    if (!session.open() || !session.job(state)) // the first job connects and activates routing
        return;
    for (auto _ : state) {
        if (!session.job(state))
            break;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DoipJobRoundTrip)->Unit(benchmark::kMicrosecond);

bool readExactly(int fd, char *buffer, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::recv(fd, buffer + got, size - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const char *buffer, size_t size)
{
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd, buffer + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void noDelay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

// The baseline: the same frame sizes over a bare loopback connection.
void BM_RawTcpPingPong(benchmark::State &state)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(sa);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr *>(&sa), &length) != 0) {
        state.SkipWithError(std::strerror(errno));
        if (listener >= 0)
            ::close(listener);
        return;
    }
    std::thread server([listener] {
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0)
            return;
        noDelay(fd);
        char request[kRequestFrame];
        const std::string ack(kAckFrame, '\x01'), response(kResponseFrame, '\x02');
        while (readExactly(fd, request, sizeof request) && writeAll(fd, ack.data(), ack.size()) &&
               writeAll(fd, response.data(), response.size())) {
        }
        ::close(fd);
    });
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0) {
        state.SkipWithError(std::strerror(errno));
    } else {
        noDelay(fd);
        const std::string request(kRequestFrame, '\x03');
        char answer[kAckFrame + kResponseFrame];
        for (auto _ : state) {
            if (!writeAll(fd, request.data(), request.size()) || !readExactly(fd, answer, sizeof answer)) {
                state.SkipWithError("the loopback peer went away");
                break;
            }
        }
        state.SetItemsProcessed(state.iterations());
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    ::close(listener);
    server.join();
}
BENCHMARK(BM_RawTcpPingPong)->Unit(benchmark::kMicrosecond);

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// 10,000 requests on one session: the resident set after the first thousand
// against after the last; the counter is the growth in KiB.
void BM_DoipTenThousandRequests(benchmark::State &state)
{
    constexpr int kRequests = 10000;
    for (auto _ : state) {
        DoipSession session(state);
        if (!session.open())
            return;
        long warm = 0;
        for (int i = 0; i < kRequests; ++i) {
            if (!session.job(state))
                return;
            if (i == 999)
                warm = residentKiB();
        }
        state.counters["rss_growth_KiB"] = static_cast<double>(residentKiB() - warm);
        state.counters["rss_KiB"] = static_cast<double>(residentKiB());
    }
    state.SetItemsProcessed(state.iterations() * kRequests);
}
BENCHMARK(BM_DoipTenThousandRequests)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::string pattern = (std::filesystem::temp_directory_path() / "kitbox-bench-doip-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "bench_doip: cannot create a temporary directory: %s\n", std::strerror(errno));
        return 1;
    }
    g_dir = pattern;
    std::string error;
    if (!writeDescription(error)) {
        std::fprintf(stderr, "bench_doip: %s\n", error.c_str());
        std::filesystem::remove_all(pattern);
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &seconds = reporter.seconds;
    auto job = seconds.find("BM_DoipJobRoundTrip");
    auto raw = seconds.find("BM_RawTcpPingPong");
    std::printf("\nratios in this run:\n");
    if (job != seconds.end() && raw != seconds.end() && raw->second > 0) {
        const double ratio = job->second / raw->second;
        std::printf("  %-22s %8.1f us / %-18s %8.1f us = %5.2f  (target <= 1.5: %s)\n", job->first.c_str(),
                    job->second * 1e6, raw->first.c_str(), raw->second * 1e6, ratio, ratio <= 1.5 ? "met" : "NOT met");
    }
    if (const auto growth = reporter.counters.find("BM_DoipTenThousandRequests/rss_growth_KiB");
        growth != reporter.counters.end())
        std::printf("  10,000 requests: resident set grew by %.0f KiB after the first thousand\n", growth->second);
    std::fflush(stdout);
    std::filesystem::remove_all(pattern);
    return 0;
}
