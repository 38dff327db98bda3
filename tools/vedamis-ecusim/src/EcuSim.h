#pragma once
// vedamis-ecusim: serves the simulation files of descriptions as DoIP ECUs.
// One TCP listener (and a UDP socket on the same port for vehicle
// identification) per simulator; every connection is served by its own
// thread; the fault modes make the simulator misbehave on purpose so that
// the runtime's error handling can be tried against it.
#include <kitbox/Result.h>
#include <vedamis/SimulationFile.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace ecusim {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitData = 2;
inline constexpr int kExitNetwork = 3;

struct Options {
    std::string bind = "127.0.0.1";
    uint16_t port = 13400; // 0: any free port
    std::string ecuPath;   // empty: the engine's default
    std::string simPath;
    std::vector<std::string> ecus; // NAME or NAME@ADDRESS
    std::string vin = "KITBOX32SIMULATOR";
    int entity = -1;    // logical address of the entity, -1: the first ECU's
    int delayMs = 0;    // before every response
    int pending = 0;    // "response pending" answers before every response
    int pendingMs = 50; // between them
    int nack = -1;      // answer every diagnostic message with this NACK code
    int routing = 0x10; // routing activation response code
    int dropAfter = -1; // close the connection after this many responses
    bool noAck = false; // never acknowledge diagnostic messages
    bool help = false;
};

kitbox::Result<Options> parseArguments(const std::vector<std::string> &args);
std::string usageText();

struct SimulatedEcu {
    std::string name;
    uint16_t address = 0;
    vedamis::SimulationFile file;
    std::mutex mutex; // the answer cycles are shared by all connections
};

class Simulator {
public:
    explicit Simulator(Options options);
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Reads the descriptions (for their addresses) and simulation files.
    kitbox::Status load();
    // Adds an ECU from simulation text directly (tests).
    kitbox::Status addEcu(const std::string &name, uint16_t address, const std::string &simText);
    // Binds and starts serving in the background.
    kitbox::Status start();
    void stop();
    uint16_t port() const { return m_port; }
    const std::vector<std::unique_ptr<SimulatedEcu>> &ecus() const { return m_ecus; }
    // Diagnostic requests served so far, over all connections.
    int requests() const { return m_requests.load(); }

private:
    void acceptLoop();
    void serve(int fd);
    void answerIdentification(int udp);
    SimulatedEcu *find(uint16_t address);
    uint16_t entityAddress() const;

    Options m_options;
    std::vector<std::unique_ptr<SimulatedEcu>> m_ecus;
    int m_listen = -1, m_udp = -1, m_stop = -1;
    uint16_t m_port = 0;
    std::thread m_acceptor;
    std::mutex m_threadsMutex;
    std::vector<std::thread> m_connections;
    std::atomic<int> m_requests{0};
};

// The program: loads, starts, prints where it listens and serves until
// SIGINT or SIGTERM.
int run(const Options &options, std::ostream &out, std::ostream &err);

} // namespace ecusim
