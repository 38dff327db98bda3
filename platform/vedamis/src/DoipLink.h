#pragma once
// The DOIP interface: one TCP connection per session to a DoIP entity,
// opened on the first request (after an optional UDP vehicle
// identification) and kept across jobs. Every wait polls the socket together
// with a wake-up descriptor that a break signals, so a break from another
// thread ends any wait at once, and each wait ends at the job's time limit.
#include "Errors.h"
#include "PcapWriter.h"
#include "TraceFile.h"

#include <vedamis/DoipMessage.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace vedamis {

struct DoipSettings {
    std::string host;
    uint16_t port = doip::kPort;
    uint16_t tester = 0x0E00;
    int discovery = 0; // 0 none, 1 directed to host, 2 broadcast
    std::string broadcast = "255.255.255.255";
    int64_t controlMs = 2000;
    int64_t p2Ms = 1000;
    int64_t p2StarMs = 5000;
    int64_t testerPresentMs = 2000; // 0: never
    bool operator==(const DoipSettings &) const = default;
};

// What a wait must respect besides its own timer.
struct DoipWait {
    const std::atomic<bool> *breakRequested = nullptr;
    int64_t jobDeadlineMs = INT64_MAX; // steady clock; INT64_MAX: none
    int64_t jobTimeoutMs = 0;          // for the error text
};

class DoipLink {
public:
    DoipLink(TraceFile &trace, PcapWriter &pcap);
    ~DoipLink();
    DoipLink(const DoipLink &) = delete;
    DoipLink &operator=(const DoipLink &) = delete;

    // Sends one UDS request to the ECU and returns its final response
    // (after any "response pending" answers). A time-out of the response
    // gives IFH_NO_RESPONSE and keeps the connection; every other failure
    // closes it, and the next request connects again.
    Error exchange(const DoipSettings &settings, uint16_t ecu, const std::string &request, std::string &response,
                   const DoipWait &wait);
    void disconnect();
    // Ends the wait of a running exchange; called by a break from any thread.
    void wake();
    bool connected() const { return m_fd >= 0; }

private:
    enum class Got { Message, Timeout, Break, JobLimit, Closed, Failed };
    Error connect(const DoipSettings &settings, const DoipWait &wait);
    Error discover(const DoipSettings &settings, const DoipWait &wait, uint32_t &address);
    Error activateRouting(const DoipSettings &settings, const DoipWait &wait);
    Error send(uint16_t type, const std::string &payload);
    // Waits until one message arrived or until `until` (steady ms).
    Got receive(int64_t until, const DoipWait &wait, doip::Message &message, std::string &reason);
    // Waits for the descriptor (POLLIN or POLLOUT) or the wake-up.
    Got waitFor(int fd, short events, int64_t until, const DoipWait &wait);
    Error waitError(Got got, const std::string &what, const DoipWait &wait);
    void closeSocket();
    void trace(int level, const std::string &line);
    void startKeeper();
    void stopKeeper();
    void keeperLoop();

    TraceFile &m_trace;
    PcapWriter &m_pcap;
    int m_fd = -1;
    int m_wakeFd = -1;
    DoipSettings m_settings;
    doip::DoipReader m_reader;
    std::mutex m_writeMutex; // the job's thread and the tester-present thread both send

    // Tester present: sent while a non-default diagnostic session is open
    // and nothing else went to the ECU for the configured time.
    std::thread m_keeper;
    std::mutex m_keeperMutex;
    std::condition_variable m_keeperCv;
    bool m_keeperStop = false;
    std::atomic<int64_t> m_lastSentMs{0};
    std::atomic<bool> m_sessionOpen{false};
    std::atomic<uint16_t> m_sessionEcu{0};
    // Acknowledgements of tester-present messages not yet read: the next
    // request skips them instead of taking them for its own.
    std::atomic<int> m_unreadAcks{0};
};

} // namespace vedamis
