#include "EcuSim.h"

#include <prg/Prg.h>
#include <vedamis/DescriptionSource.h>
#include <vedamis/DoipMessage.h>
#include <vedamis/LuaSandbox.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ecusim {
namespace {

namespace doip = vedamis::doip;

bool parseNumber(std::string_view text, int &value, int min, int max)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size() && value >= min && value <= max;
}

std::string dataDirectory(const char *leaf)
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    std::string exe = n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string("./x");
    return exe.substr(0, exe.rfind('/')) + "/../share/kitbox32/" + leaf;
}

// The file of that name in dir, the exact spelling first, then any case.
std::string locate(const std::string &dir, const std::string &name)
{
    std::error_code ec;
    if (std::filesystem::exists(dir + "/" + name, ec))
        return dir + "/" + name;
    for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string file = entry.path().filename().string();
        if (file.size() == name.size() && std::equal(file.begin(), file.end(), name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
            }))
            return entry.path().string();
    }
    return {};
}

bool readFile(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

bool sendAll(int fd, const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Sleeps, or returns false at once when the simulator stops.
bool pause(int stopFd, int ms)
{
    if (ms <= 0)
        return true;
    pollfd p{stopFd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
}

std::atomic<bool> g_signalled{false};
void onSignal(int)
{
    g_signalled = true;
}

} // namespace

std::string usageText()
{
    return "Usage: vedamis-ecusim [options] DESCRIPTION[@ADDRESS]...\n"
           "Serves the simulation files of descriptions as DoIP ECUs over TCP (and answers\n"
           "vehicle identification requests over UDP on the same port). Each ECU answers at\n"
           "the logical address its description names (doip_address), or at ADDRESS.\n"
           "\n"
           "Options:\n"
           "  --port N             TCP and UDP port (default 13400; 0 picks a free one)\n"
           "  --bind ADDRESS       IPv4 address to listen on (default 127.0.0.1)\n"
           "  --ecu-path DIR       where NAME.PRG is found (default: the runtime's)\n"
           "  --sim-path DIR       where NAME.SIM is found (default: the runtime's)\n"
           "  --vin TEXT           vehicle identification number announced (17 characters)\n"
           "  --entity ADDRESS     logical address of the DoIP entity (default: the first ECU's)\n"
           "  --delay MS           wait before every response\n"
           "  --pending N          send N 'response pending' answers before every response\n"
           "  --pending-interval MS  time between them (default 50)\n"
           "  --nack CODE          refuse every diagnostic message with this NACK code\n"
           "  --deny-routing CODE  answer routing activation with this code instead of 0x10\n"
           "  --drop-after N       close the connection after N responses\n"
           "  --no-ack             never acknowledge diagnostic messages\n"
           "  --help               this text\n"
           "\n"
           "It prints 'listening on ADDRESS:PORT' and serves until interrupted.\n"
           "Exit codes: 0 ended by a signal, 1 wrong command line, 2 a description or\n"
           "simulation file cannot be read, 3 the port cannot be opened.\n";
}

kitbox::Result<Options> parseArguments(const std::vector<std::string> &args)
{
    using R = kitbox::Result<Options>;
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        auto number = [&](int &out, int min, int max) {
            std::string text;
            return value(text) && parseNumber(text, out, min, max);
        };
        int port = 0;
        bool ok = true;
        if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--port") {
            ok = number(port, 0, 65535);
            options.port = static_cast<uint16_t>(port);
        } else if (arg == "--bind")
            ok = value(options.bind);
        else if (arg == "--ecu-path")
            ok = value(options.ecuPath);
        else if (arg == "--sim-path")
            ok = value(options.simPath);
        else if (arg == "--vin")
            ok = value(options.vin) && options.vin.size() == 17;
        else if (arg == "--entity")
            ok = number(options.entity, 0, 0xFFFF);
        else if (arg == "--delay")
            ok = number(options.delayMs, 0, 600000);
        else if (arg == "--pending")
            ok = number(options.pending, 0, 1000000);
        else if (arg == "--pending-interval")
            ok = number(options.pendingMs, 0, 600000);
        else if (arg == "--nack")
            ok = number(options.nack, 0, 0xFF);
        else if (arg == "--deny-routing")
            ok = number(options.routing, 0, 0xFF);
        else if (arg == "--drop-after")
            ok = number(options.dropAfter, 0, INT_MAX);
        else if (arg == "--no-ack")
            options.noAck = true;
        else if (arg.starts_with("-"))
            return R::failure("unknown option " + arg);
        else
            options.ecus.push_back(arg);
        if (!ok)
            return R::failure("bad or missing value for " + arg);
    }
    if (!options.help && options.ecus.empty())
        return R::failure("no description named");
    return options;
}

Simulator::Simulator(Options options) : m_options(std::move(options))
{
    if (m_options.ecuPath.empty())
        m_options.ecuPath = dataDirectory("ecu");
    if (m_options.simPath.empty())
        m_options.simPath = dataDirectory("sim");
}

Simulator::~Simulator()
{
    stop();
}

kitbox::Status Simulator::addEcu(const std::string &name, uint16_t address, const std::string &simText)
{
    if (find(address))
        return kitbox::failure(name + ": address " + std::to_string(address) + " is taken by " + find(address)->name);
    auto ecu = std::make_unique<SimulatedEcu>();
    ecu->name = name;
    ecu->address = address;
    std::string error;
    if (!ecu->file.parse(simText, name + ".SIM", error))
        return kitbox::failure(error);
    m_ecus.push_back(std::move(ecu));
    return kitbox::success();
}

kitbox::Status Simulator::load()
{
    for (const std::string &spec : m_options.ecus) {
        std::string name = spec.substr(0, spec.find('@'));
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        int address = -1;
        if (spec.find('@') != std::string::npos &&
            !parseNumber(std::string_view(spec).substr(spec.find('@') + 1), address, 0, 0xFFFF))
            return kitbox::failure(spec + ": the address must be 0x0000..0xFFFF");
        if (address < 0) {
            std::string path = locate(m_options.ecuPath, name + ".PRG");
            if (path.empty())
                path = locate(m_options.ecuPath, name + ".GRP");
            if (path.empty())
                return kitbox::failure(name + ": no description in " + m_options.ecuPath);
            auto file = prg::DescriptionFile::load(path);
            if (!file)
                return kitbox::failure(file.error());
            vedamis::LuaSandbox sandbox;
            auto model = vedamis::evaluateSource(sandbox, file.value().script(), path);
            if (!model)
                return kitbox::failure(model.error());
            const std::string &named = model.value().ecu.doipAddress;
            if (named.empty())
                return kitbox::failure(name + ": the description names no doip_address (give NAME@ADDRESS)");
            if (!parseNumber(named, address, 0, 0xFFFF))
                return kitbox::failure(name + ": doip_address '" + named + "'");
        }
        const std::string simPath = locate(m_options.simPath, name + ".SIM");
        std::string text;
        if (simPath.empty() || !readFile(simPath, text))
            return kitbox::failure(name + ": no simulation file in " + m_options.simPath);
        auto added = addEcu(name, static_cast<uint16_t>(address), text);
        if (!added)
            return added;
    }
    return kitbox::success();
}

SimulatedEcu *Simulator::find(uint16_t address)
{
    for (auto &ecu : m_ecus)
        if (ecu->address == address)
            return ecu.get();
    return nullptr;
}

uint16_t Simulator::entityAddress() const
{
    if (m_options.entity >= 0)
        return static_cast<uint16_t>(m_options.entity);
    return m_ecus.empty() ? 0 : m_ecus.front()->address;
}

kitbox::Status Simulator::start()
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(m_options.port);
    if (inet_pton(AF_INET, m_options.bind.c_str(), &sa.sin_addr) != 1)
        return kitbox::failure(m_options.bind + " is no IPv4 address");
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (::bind(m_listen, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0 || ::listen(m_listen, 16) != 0)
        return kitbox::failure(m_options.bind + ":" + std::to_string(m_options.port) + ": " + std::strerror(errno));
    socklen_t length = sizeof(sa);
    ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&sa), &length);
    m_port = ntohs(sa.sin_port);
    // Identification requests come to the same port over UDP; broadcasts
    // reach a socket bound to the wildcard address only.
    m_udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ::setsockopt(m_udp, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in udp = sa;
    if (::bind(m_udp, reinterpret_cast<sockaddr *>(&udp), sizeof(udp)) != 0)
        return kitbox::failure("UDP " + m_options.bind + ":" + std::to_string(m_port) + ": " + std::strerror(errno));
    m_stop = eventfd(0, EFD_CLOEXEC);
    m_acceptor = std::thread([this] { acceptLoop(); });
    return kitbox::success();
}

void Simulator::stop()
{
    if (m_stop >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_stop, &one, sizeof(one));
    }
    if (m_acceptor.joinable())
        m_acceptor.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_threadsMutex);
        threads.swap(m_connections);
    }
    for (auto &thread : threads)
        thread.join();
    for (int *fd : {&m_listen, &m_udp, &m_stop}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void Simulator::acceptLoop()
{
    while (true) {
        pollfd fds[3] = {{m_listen, POLLIN, 0}, {m_udp, POLLIN, 0}, {m_stop, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0 && errno != EINTR)
            return;
        if (fds[2].revents)
            return;
        if (fds[1].revents & POLLIN)
            answerIdentification(m_udp);
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
            std::lock_guard lock(m_threadsMutex);
            m_connections.emplace_back([this, fd] { serve(fd); });
        }
    }
}

void Simulator::answerIdentification(int udp)
{
    char buffer[512];
    sockaddr_in from{};
    socklen_t length = sizeof(from);
    const ssize_t n = ::recvfrom(udp, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr *>(&from), &length);
    if (n < static_cast<ssize_t>(doip::kHeaderSize))
        return;
    doip::Header header;
    if (doip::checkHeader(reinterpret_cast<const uint8_t *>(buffer), 64, header) != doip::HeaderCheck::Ok ||
        doip::kHeaderSize + header.length != static_cast<size_t>(n))
        return;
    if (header.type < doip::VehicleIdRequest || header.type > doip::VehicleIdRequestVin)
        return;
    const std::string_view payload(buffer + doip::kHeaderSize, header.length);
    if (header.type == doip::VehicleIdRequestVin && payload != m_options.vin)
        return; // asked for another vehicle
    doip::AnnouncementPayload announcement;
    announcement.vin = m_options.vin;
    announcement.address = entityAddress();
    announcement.eid = std::string("\x02\x00\x00\x00\x00\x01", 6);
    announcement.gid = announcement.eid;
    const std::string answer = doip::encode(doip::VehicleAnnouncement, doip::encodeAnnouncement(announcement));
    ::sendto(udp, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr *>(&from), length);
}

void Simulator::serve(int fd)
{
    doip::DoipReader reader;
    int tester = -1; // the activated tester's address
    int responses = 0;
    auto sendMessage = [&](uint16_t type, const std::string &payload) {
        return sendAll(fd, doip::encode(type, payload));
    };
    char buffer[16384];
    bool open = true;
    while (open) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_stop, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents)
            break;
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        reader.feed(buffer, static_cast<size_t>(n));
        doip::Message message;
        while (open) {
            const auto status = reader.next(message);
            if (status == doip::DoipReader::Status::NeedMore)
                break;
            if (status == doip::DoipReader::Status::Failed) {
                sendMessage(doip::GenericNack, std::string(1, static_cast<char>(reader.nackCode())));
                open = false;
                break;
            }
            if (message.type == doip::RoutingActivationRequest) {
                const auto request = doip::decodeRoutingActivationRequest(message.payload);
                if (!request)
                    continue;
                if (m_options.routing == doip::kRoutingSuccess)
                    tester = request->source;
                open = sendMessage(doip::RoutingActivationResponse,
                                   doip::encodeRoutingActivationResponse(request->source, entityAddress(),
                                                                         static_cast<uint8_t>(m_options.routing))) &&
                       m_options.routing == doip::kRoutingSuccess;
                continue;
            }
            if (message.type == doip::AliveCheckRequest) {
                open = sendMessage(doip::AliveCheckResponse, doip::encodeAliveCheckResponse(entityAddress()));
                continue;
            }
            if (message.type != doip::DiagnosticMessage)
                continue;
            const auto diag = doip::decodeDiagnostic(message.payload);
            if (!diag)
                continue;
            SimulatedEcu *ecu = find(diag->target);
            const std::string request(diag->data);
            auto nack = [&](uint8_t code) {
                return sendMessage(doip::DiagnosticNack, doip::encodeDiagnosticAck(diag->target, diag->source, code));
            };
            if (tester < 0 || diag->source != tester) {
                open = nack(0x02);
                continue;
            }
            if (!ecu) {
                open = nack(0x03);
                continue;
            }
            if (m_options.nack >= 0) {
                open = nack(static_cast<uint8_t>(m_options.nack));
                continue;
            }
            ++m_requests;
            if (!m_options.noAck &&
                !sendMessage(doip::DiagnosticAck,
                             doip::encodeDiagnosticAck(ecu->address, diag->source, 0x00, request.substr(0, 4)))) {
                open = false;
                break;
            }
            vedamis::SimResponse response;
            int line = 0;
            bool matched = false;
            {
                std::lock_guard lock(ecu->mutex);
                matched = ecu->file.answer(request, response, line);
            }
            if (!matched || (request.size() >= 2 && request[0] == 0x3E && (request[1] & 0x80)))
                continue; // no answer at all, or one that was asked to be left out
            const uint16_t testerAddress = diag->source;
            for (int i = 0; i < m_options.pending && open; ++i) {
                std::string pending = {'\x7F', request[0], '\x78'};
                open =
                    pause(m_stop, i ? m_options.pendingMs : 0) &&
                    sendMessage(doip::DiagnosticMessage, doip::encodeDiagnostic(ecu->address, testerAddress, pending));
                if (open && i + 1 == m_options.pending)
                    open = pause(m_stop, m_options.pendingMs);
            }
            if (!open || !pause(m_stop, m_options.delayMs + response.delayMs)) {
                open = false;
                break;
            }
            if (response.none)
                continue;
            if (m_options.dropAfter >= 0 && responses >= m_options.dropAfter) {
                open = false; // the connection ends without an answer
                break;
            }
            open = sendMessage(doip::DiagnosticMessage,
                               doip::encodeDiagnostic(ecu->address, testerAddress, response.bytes));
            ++responses;
        }
    }
    ::close(fd);
}

int run(const Options &options, std::ostream &out, std::ostream &err)
{
    Simulator simulator(options);
    if (auto loaded = simulator.load(); !loaded) {
        err << "vedamis-ecusim: " << loaded.error() << "\n";
        return kExitData;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    if (auto started = simulator.start(); !started) {
        err << "vedamis-ecusim: " << started.error() << "\n";
        return kExitNetwork;
    }
    out << "listening on " << options.bind << ":" << simulator.port() << "\n";
    for (const auto &ecu : simulator.ecus()) {
        char address[8];
        std::snprintf(address, sizeof(address), "0x%04X", ecu->address);
        out << "  " << ecu->name << " at " << address << "\n";
    }
    out.flush();
    while (!g_signalled)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    simulator.stop();
    return kExitOk;
}

} // namespace ecusim
