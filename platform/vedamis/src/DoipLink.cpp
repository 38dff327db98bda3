#include "DoipLink.h"

#include "TextUtil.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vedamis {

int64_t steadyNowMs();

namespace {

std::string hex4(uint16_t value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof(buffer), "%04X", value);
    return buffer;
}

std::string hex2(uint8_t value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof(buffer), "0x%02X", value);
    return buffer;
}

std::string dotted(uint32_t address)
{
    in_addr a{htonl(address)};
    char buffer[INET_ADDRSTRLEN];
    return inet_ntop(AF_INET, &a, buffer, sizeof(buffer)) ? buffer : "?";
}

bool resolve(const std::string &host, uint32_t &address, std::string &reason)
{
    in_addr a{};
    if (inet_pton(AF_INET, host.c_str(), &a) == 1) {
        address = ntohl(a.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        reason = host + ": " + gai_strerror(rc);
        return false;
    }
    address = ntohl(reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

sockaddr_in socketAddress(uint32_t address, uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

PcapEndpoint endpointOf(const sockaddr_in &sa)
{
    return {ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
}

// One message for the detailed trace: type, addresses where it has them, size.
std::string describe(uint16_t type, std::string_view payload)
{
    std::string line = doip::typeName(type);
    if ((type == doip::DiagnosticMessage || type == doip::DiagnosticAck || type == doip::DiagnosticNack) &&
        payload.size() >= 4)
        line +=
            " " +
            hex4(static_cast<uint16_t>((static_cast<uint8_t>(payload[0]) << 8) | static_cast<uint8_t>(payload[1]))) +
            " -> " +
            hex4(static_cast<uint16_t>((static_cast<uint8_t>(payload[2]) << 8) | static_cast<uint8_t>(payload[3])));
    return line + "  ; " + std::to_string(payload.size()) + " bytes payload";
}

bool isPending(std::string_view uds)
{
    return uds.size() >= 3 && static_cast<uint8_t>(uds[0]) == 0x7F && static_cast<uint8_t>(uds[2]) == 0x78;
}

} // namespace

DoipLink::DoipLink(TraceFile &trace, PcapWriter &pcap)
    : m_trace(trace), m_pcap(pcap), m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

DoipLink::~DoipLink()
{
    disconnect();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void DoipLink::wake()
{
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof(one));
    }
}

void DoipLink::trace(int level, const std::string &line)
{
    if (m_trace.enabled(level))
        m_trace.line(line);
}

void DoipLink::disconnect()
{
    stopKeeper();
    closeSocket();
}

void DoipLink::closeSocket()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    m_pcap.tcpClose();
    m_sessionOpen = false;
    m_unreadAcks = 0;
    trace(2, "DOIP closed " + m_settings.host + ":" + std::to_string(m_settings.port));
}

DoipLink::Got DoipLink::waitFor(int fd, short events, int64_t until, const DoipWait &wait)
{
    while (true) {
        if (wait.breakRequested && wait.breakRequested->load())
            return Got::Break;
        const int64_t now = steadyNowMs();
        const bool jobLimitFirst = wait.jobDeadlineMs < until;
        const int64_t end = jobLimitFirst ? wait.jobDeadlineMs : until;
        if (now >= end)
            return jobLimitFirst ? Got::JobLimit : Got::Timeout;
        pollfd fds[2] = {{fd, events, 0}, {m_wakeFd, POLLIN, 0}};
        const int64_t left = end - now;
        const int rc = ::poll(fds, m_wakeFd >= 0 ? 2 : 1, static_cast<int>(std::min<int64_t>(left, 60000)));
        if (rc < 0 && errno != EINTR)
            return Got::Closed;
        if (rc > 0 && (fds[1].revents & POLLIN)) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &count, sizeof(count));
            continue; // the break flag decides
        }
        if (rc > 0 && fds[0].revents)
            return Got::Message;
    }
}

Error DoipLink::waitError(Got got, const std::string &what, const DoipWait &wait)
{
    switch (got) {
    case Got::Break:
        return makeError(VEDAMIS_ERR_JOB_BREAK, what);
    case Got::JobLimit:
        return makeError(VEDAMIS_ERR_JOB_TIME_LIMIT, what + " (" + std::to_string(wait.jobTimeoutMs) + " ms)");
    default:
        return makeError(VEDAMIS_ERR_DOIP_NO_ACK, what);
    }
}

DoipLink::Got DoipLink::receive(int64_t until, const DoipWait &wait, doip::Message &message, std::string &reason)
{
    while (true) {
        const auto status = m_reader.next(message);
        if (status == doip::DoipReader::Status::Message) {
            m_pcap.tcpData(false, doip::encode(message.type, message.payload, message.version));
            if (m_trace.enabled(3))
                trace(3, "DOIP RX " + describe(message.type, message.payload));
            return Got::Message;
        }
        if (status == doip::DoipReader::Status::Failed) {
            reason = m_reader.error();
            // Tell the entity why the connection ends, as far as it listens.
            [[maybe_unused]] Error ignored =
                send(doip::GenericNack, std::string(1, static_cast<char>(m_reader.nackCode())));
            return Got::Failed;
        }
        const Got got = waitFor(m_fd, POLLIN, until, wait);
        if (got != Got::Message)
            return got;
        char buffer[16384];
        const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), 0);
        if (n == 0) {
            reason = "closed by the vehicle";
            return Got::Closed;
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            reason = std::strerror(errno);
            return Got::Closed;
        }
        m_reader.feed(buffer, static_cast<size_t>(n));
    }
}

Error DoipLink::send(uint16_t type, const std::string &payload)
{
    if (m_fd < 0)
        return makeError(VEDAMIS_ERR_DOIP_CONNECTION_LOST, "not connected");
    const std::string bytes = doip::encode(type, payload);
    std::lock_guard lock(m_writeMutex);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return makeError(VEDAMIS_ERR_DOIP_CONNECTION_LOST, std::strerror(errno));
        }
        sent += static_cast<size_t>(n);
    }
    m_lastSentMs = steadyNowMs();
    m_pcap.tcpData(true, bytes);
    if (m_trace.enabled(3))
        m_trace.line("DOIP TX " + describe(type, payload));
    return {};
}

Error DoipLink::discover(const DoipSettings &settings, const DoipWait &wait, uint32_t &address)
{
    uint32_t target = 0;
    std::string reason;
    const std::string &name = settings.discovery == 2 ? settings.broadcast : settings.host;
    if (!resolve(name, target, reason))
        return makeError(VEDAMIS_ERR_DOIP_CONNECT, reason);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return makeError(VEDAMIS_ERR_DOIP_CONNECT, std::string("UDP socket: ") + std::strerror(errno));
    const int on = 1;
    if (settings.discovery == 2)
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    sockaddr_in to = socketAddress(target, settings.port);
    const std::string request = doip::encode(doip::VehicleIdRequest, {});
    trace(2, std::string("DOIP vehicle identification ") + (settings.discovery == 2 ? "broadcast to " : "to ") +
                 dotted(target) + ":" + std::to_string(settings.port));
    if (::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof(to)) < 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        return makeError(VEDAMIS_ERR_DOIP_CONNECT, "vehicle identification to " + dotted(target) + ": " + why);
    }
    sockaddr_in local{};
    socklen_t localLength = sizeof(local);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength);
    PcapEndpoint self = endpointOf(local);
    if (self.address == 0)
        self.address = target;
    m_pcap.udp(self, {target, settings.port}, request);
    const int64_t until = steadyNowMs() + settings.controlMs;
    while (true) {
        const Got got = waitFor(fd, POLLIN, until, wait);
        if (got != Got::Message) {
            ::close(fd);
            if (got == Got::Timeout)
                return makeError(VEDAMIS_ERR_DOIP_CONNECT, "no vehicle answered the identification request to " +
                                                               dotted(target) + " within " +
                                                               std::to_string(settings.controlMs) + " ms");
            return waitError(got, "vehicle identification", wait);
        }
        char buffer[512];
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t n = ::recvfrom(fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (n < static_cast<ssize_t>(doip::kHeaderSize))
            continue;
        doip::Header header;
        if (doip::checkHeader(reinterpret_cast<const uint8_t *>(buffer), 64, header) != doip::HeaderCheck::Ok ||
            header.type != doip::VehicleAnnouncement || doip::kHeaderSize + header.length != static_cast<size_t>(n))
            continue; // our own request when broadcast loops back, or noise
        const auto announcement = doip::decodeAnnouncement(std::string_view(buffer + doip::kHeaderSize, header.length));
        if (!announcement)
            continue;
        m_pcap.udp(endpointOf(from), self, std::string_view(buffer, static_cast<size_t>(n)));
        address = ntohl(from.sin_addr.s_addr);
        trace(2, "DOIP vehicle " + announcement->vin + " entity " + hex4(announcement->address) + " at " +
                     dotted(address));
        ::close(fd);
        return {};
    }
}

Error DoipLink::connect(const DoipSettings &settings, const DoipWait &wait)
{
    disconnect();
    m_settings = settings;
    m_reader = doip::DoipReader();
    uint32_t address = 0;
    std::string reason;
    if (settings.discovery != 0) {
        Error error = discover(settings, wait, address);
        if (error.failed())
            return error;
    } else if (!resolve(settings.host, address, reason)) {
        return makeError(VEDAMIS_ERR_DOIP_CONNECT, reason);
    }
    const std::string where = dotted(address) + ":" + std::to_string(settings.port);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return makeError(VEDAMIS_ERR_DOIP_CONNECT, std::string("socket: ") + std::strerror(errno));
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    sockaddr_in to = socketAddress(address, settings.port);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof(to)) != 0 && errno != EINPROGRESS) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        return makeError(VEDAMIS_ERR_DOIP_CONNECT, where + ": " + why);
    }
    const Got got = waitFor(fd, POLLOUT, steadyNowMs() + settings.controlMs, wait);
    int soError = 0;
    socklen_t length = sizeof(soError);
    if (got == Got::Message)
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
    if (got != Got::Message || soError != 0) {
        ::close(fd);
        if (got == Got::Timeout)
            return makeError(VEDAMIS_ERR_DOIP_CONNECT,
                             where + ": no connection within " + std::to_string(settings.controlMs) + " ms");
        if (got == Got::Message || got == Got::Failed)
            return makeError(VEDAMIS_ERR_DOIP_CONNECT, where + ": " + std::strerror(soError ? soError : errno));
        return waitError(got, "connecting to " + where, wait);
    }
    m_fd = fd;
    sockaddr_in local{};
    socklen_t localLength = sizeof(local);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength);
    m_pcap.tcpOpen(endpointOf(local), endpointOf(to));
    trace(2, "DOIP connected " + where);
    Error error = activateRouting(settings, wait);
    if (error.failed()) {
        closeSocket();
        return error;
    }
    startKeeper();
    return {};
}

Error DoipLink::activateRouting(const DoipSettings &settings, const DoipWait &wait)
{
    Error error = send(doip::RoutingActivationRequest, doip::encodeRoutingActivationRequest(settings.tester));
    if (error.failed())
        return error;
    const int64_t until = steadyNowMs() + settings.controlMs;
    while (true) {
        doip::Message message;
        std::string reason;
        const Got got = receive(until, wait, message, reason);
        if (got == Got::Closed)
            return makeError(VEDAMIS_ERR_DOIP_CONNECTION_LOST, "during routing activation: " + reason);
        if (got == Got::Failed)
            return makeError(VEDAMIS_ERR_DOIP_PROTOCOL, reason);
        if (got != Got::Message)
            return waitError(got, "routing activation of tester " + hex4(settings.tester), wait);
        if (message.type == doip::GenericNack)
            return makeError(VEDAMIS_ERR_DOIP_PROTOCOL,
                             "routing activation refused: " +
                                 doip::genericNackText(static_cast<uint8_t>(message.payload[0])));
        if (message.type != doip::RoutingActivationResponse)
            continue;
        const auto response = doip::decodeRoutingActivationResponse(message.payload);
        if (!response)
            continue;
        trace(2, "DOIP routing activation " + hex4(settings.tester) + " code " + hex2(response->code) + " entity " +
                     hex4(response->entity));
        if (response->code != doip::kRoutingSuccess)
            return makeError(VEDAMIS_ERR_DOIP_ROUTING,
                             "code " + hex2(response->code) + " (" + doip::routingResponseText(response->code) + ")");
        return {};
    }
}

Error DoipLink::exchange(const DoipSettings &settings, uint16_t ecu, const std::string &request, std::string &response,
                         const DoipWait &wait)
{
    if (m_fd >= 0 && !(settings == m_settings))
        disconnect(); // another vehicle, port or tester
    if (m_fd < 0) {
        Error error = connect(settings, wait);
        if (error.failed())
            return error;
    }
    Error error = send(doip::DiagnosticMessage, doip::encodeDiagnostic(settings.tester, ecu, request));
    if (error.failed()) {
        disconnect();
        return error;
    }
    bool acknowledged = false;
    int64_t until = steadyNowMs() + settings.controlMs;
    while (true) {
        doip::Message message;
        std::string reason;
        const Got got = receive(until, wait, message, reason);
        if (got == Got::Timeout) {
            if (!acknowledged) {
                disconnect();
                return makeError(VEDAMIS_ERR_DOIP_NO_ACK, "diagnostic message to " + hex4(ecu) +
                                                              " not acknowledged within " +
                                                              std::to_string(settings.controlMs) + " ms");
            }
            return makeError(VEDAMIS_ERR_IFH_NO_RESPONSE, "request " + toHex(request));
        }
        if (got == Got::Closed) {
            disconnect();
            return makeError(VEDAMIS_ERR_DOIP_CONNECTION_LOST, reason + " while waiting for " + hex4(ecu));
        }
        if (got == Got::Failed) {
            disconnect();
            return makeError(VEDAMIS_ERR_DOIP_PROTOCOL, reason);
        }
        if (got != Got::Message) {
            // The answer may still come and would be taken for the next
            // request's: a fresh connection keeps the two apart.
            disconnect();
            return waitError(got, "while waiting for " + hex4(ecu), wait);
        }
        switch (message.type) {
        case doip::AliveCheckRequest:
            error = send(doip::AliveCheckResponse, doip::encodeAliveCheckResponse(settings.tester));
            if (error.failed()) {
                disconnect();
                return error;
            }
            break;
        case doip::GenericNack:
            disconnect();
            return makeError(VEDAMIS_ERR_DOIP_PROTOCOL,
                             "the vehicle refused a message: " +
                                 doip::genericNackText(static_cast<uint8_t>(message.payload[0])));
        case doip::DiagnosticAck: {
            const auto ack = doip::decodeDiagnosticAck(message.payload);
            if (!ack || ack->source != ecu)
                break;
            if (m_unreadAcks > 0) {
                // TCP keeps the order: this one belongs to a tester present
                // sent before the request (or, equally, the request's own comes next).
                --m_unreadAcks;
                break;
            }
            if (acknowledged)
                break;
            acknowledged = true;
            until = steadyNowMs() + settings.p2Ms;
            break;
        }
        case doip::DiagnosticNack: {
            const auto nack = doip::decodeDiagnosticAck(message.payload);
            if (!nack || nack->source != ecu)
                break;
            trace(2, "DOIP NACK from " + hex4(ecu) + " code " + hex2(nack->code));
            return makeError(VEDAMIS_ERR_DOIP_NACK, "target " + hex4(ecu) + ": code " + hex2(nack->code) + " (" +
                                                        doip::diagnosticNackText(nack->code) + ")");
        }
        case doip::DiagnosticMessage: {
            const auto diag = doip::decodeDiagnostic(message.payload);
            if (!diag || diag->source != ecu || diag->target != settings.tester)
                break;
            const auto sid = static_cast<uint8_t>(request[0]);
            const auto first = static_cast<uint8_t>(diag->data[0]);
            const bool answersRequest =
                first == static_cast<uint8_t>(sid + 0x40) ||
                (first == 0x7F && diag->data.size() >= 2 && static_cast<uint8_t>(diag->data[1]) == sid);
            if (!answersRequest)
                break; // a late answer to a request that timed out
            // Some entities answer without acknowledging first.
            acknowledged = true;
            if (isPending(diag->data)) {
                trace(2, "DOIP pending " + toHex(diag->data));
                until = steadyNowMs() + settings.p2StarMs;
                break;
            }
            response.assign(diag->data);
            // A positive answer to a session change says whether tester
            // present has to keep the session open.
            if (!response.empty() && static_cast<uint8_t>(response[0]) == sid + 0x40) {
                if (sid == 0x10 && request.size() >= 2) {
                    m_sessionOpen = (static_cast<uint8_t>(request[1]) & 0x7F) != 0x01;
                    m_sessionEcu = ecu;
                } else if (sid == 0x11) {
                    m_sessionOpen = false;
                }
            }
            return {};
        }
        default:
            break;
        }
    }
}

void DoipLink::startKeeper()
{
    stopKeeper();
    if (m_settings.testerPresentMs <= 0)
        return;
    m_keeperStop = false;
    m_keeper = std::thread([this] { keeperLoop(); });
}

void DoipLink::stopKeeper()
{
    if (!m_keeper.joinable())
        return;
    {
        std::lock_guard lock(m_keeperMutex);
        m_keeperStop = true;
    }
    m_keeperCv.notify_all();
    m_keeper.join();
}

void DoipLink::keeperLoop()
{
    const int64_t interval = m_settings.testerPresentMs;
    std::unique_lock lock(m_keeperMutex);
    while (!m_keeperStop) {
        const int64_t due = m_lastSentMs.load() + interval;
        const int64_t now = steadyNowMs();
        if (now < due) {
            m_keeperCv.wait_for(lock, std::chrono::milliseconds(due - now));
            continue;
        }
        if (m_sessionOpen) {
            // "3E 80": tester present without a positive response; only the
            // DoIP acknowledgement comes back.
            ++m_unreadAcks;
            if (send(doip::DiagnosticMessage, doip::encodeDiagnostic(m_settings.tester, m_sessionEcu, "\x3E\x80"))
                    .failed())
                --m_unreadAcks;
        }
        m_lastSentMs = steadyNowMs();
    }
}

} // namespace vedamis
