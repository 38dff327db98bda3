#include "PcapWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace vedamis {
namespace {

constexpr uint32_t kLinkTypeRawIp = 101;
constexpr uint32_t kSnapLength = 262144;
// Large messages are cut into segments that fit an IPv4 packet.
constexpr size_t kMaxSegment = 65000;

void put16(std::string &out, uint16_t v)
{
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
}

void put32(std::string &out, uint32_t v)
{
    put16(out, static_cast<uint16_t>(v >> 16));
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
}

void putLe32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void putLe16(std::string &out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

uint32_t sumWords(std::string_view data, uint32_t sum = 0)
{
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        sum += (static_cast<uint8_t>(data[i]) << 8) | static_cast<uint8_t>(data[i + 1]);
    if (data.size() % 2)
        sum += static_cast<uint8_t>(data.back()) << 8;
    return sum;
}

uint16_t foldChecksum(uint32_t sum)
{
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

void setChecksum(std::string &packet, size_t at, uint16_t value)
{
    packet[at] = static_cast<char>(value >> 8);
    packet[at + 1] = static_cast<char>(value & 0xFF);
}

// IPv4 header around a transport header plus data, both checksums filled in.
std::string ipPacket(uint8_t protocol, PcapEndpoint from, PcapEndpoint to, std::string transport, uint16_t id,
                     size_t checksumAt)
{
    std::string pseudo;
    put32(pseudo, from.address);
    put32(pseudo, to.address);
    put16(pseudo, protocol);
    put16(pseudo, static_cast<uint16_t>(transport.size()));
    uint16_t transportSum = foldChecksum(sumWords(transport, sumWords(pseudo)));
    if (protocol == 17 && transportSum == 0)
        transportSum = 0xFFFF; // a UDP checksum of zero means "none"
    setChecksum(transport, checksumAt, transportSum);

    std::string ip;
    ip.push_back(0x45);
    ip.push_back(0);
    put16(ip, static_cast<uint16_t>(20 + transport.size()));
    put16(ip, id);
    put16(ip, 0x4000); // do not fragment
    ip.push_back(64);
    ip.push_back(static_cast<char>(protocol));
    put16(ip, 0);
    put32(ip, from.address);
    put32(ip, to.address);
    setChecksum(ip, 10, foldChecksum(sumWords(ip)));
    return ip + transport;
}

} // namespace

bool PcapWriter::configure(const std::string &path, std::string &reason)
{
    std::lock_guard lock(m_mutex);
    if (m_file && path == m_path)
        return true;
    closeLocked();
    if (path.empty())
        return true;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        reason = "cannot create a temporary file beside " + path + ": " + std::strerror(errno);
        return false;
    }
    ::fchmod(fd, 0644); // readable like any other file the user writes
    std::FILE *file = ::fdopen(fd, "wb");
    if (!file) {
        reason = path + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    std::string header;
    putLe32(header, 0xA1B2C3D4); // microsecond time stamps
    putLe16(header, 2);
    putLe16(header, 4);
    putLe32(header, 0); // time zone: UTC
    putLe32(header, 0);
    putLe32(header, kSnapLength);
    putLe32(header, kLinkTypeRawIp);
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size() || std::fflush(file) != 0) {
        reason = "cannot write " + temp + ": " + std::strerror(errno);
        std::fclose(file);
        ::unlink(temp.c_str());
        return false;
    }
    m_file = file;
    m_path = path;
    m_tempPath = std::move(temp);
    m_tcpOpen = false;
    return true;
}

void PcapWriter::close()
{
    std::lock_guard lock(m_mutex);
    closeLocked();
}

void PcapWriter::closeLocked()
{
    if (!m_file)
        return;
    if (m_tcpOpen) {
        // The connection's end is part of the capture even when the session
        // ends with it still open.
        segment(true, Fin | Ack, {});
        segment(false, Fin | Ack, {});
        segment(true, Ack, {});
        m_tcpOpen = false;
    }
    bool ok = std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (!ok || ::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        ::unlink(m_tempPath.c_str());
    m_path.clear();
    m_tempPath.clear();
}

void PcapWriter::tcpOpen(PcapEndpoint client, PcapEndpoint server)
{
    std::lock_guard lock(m_mutex);
    if (!m_file)
        return;
    m_client = client;
    m_server = server;
    m_clientSeq = 0x1000;
    m_serverSeq = 0x8000;
    m_tcpOpen = true;
    segment(true, Syn, {});
    segment(false, Syn | Ack, {});
    segment(true, Ack, {});
}

void PcapWriter::tcpData(bool fromClient, std::string_view bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_file || !m_tcpOpen)
        return;
    while (!bytes.empty()) {
        const size_t n = std::min(bytes.size(), kMaxSegment);
        segment(fromClient, Psh | Ack, bytes.substr(0, n));
        bytes.remove_prefix(n);
    }
}

void PcapWriter::tcpClose()
{
    std::lock_guard lock(m_mutex);
    if (!m_file || !m_tcpOpen)
        return;
    segment(true, Fin | Ack, {});
    segment(false, Fin | Ack, {});
    segment(true, Ack, {});
    m_tcpOpen = false;
}

void PcapWriter::udp(PcapEndpoint from, PcapEndpoint to, std::string_view bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_file)
        return;
    bytes = bytes.substr(0, kMaxSegment);
    std::string udp;
    put16(udp, from.port);
    put16(udp, to.port);
    put16(udp, static_cast<uint16_t>(8 + bytes.size()));
    put16(udp, 0);
    udp.append(bytes);
    frame(ipPacket(17, from, to, std::move(udp), m_ipId++, 6));
}

void PcapWriter::segment(bool fromClient, uint8_t flags, std::string_view bytes)
{
    uint32_t &seq = fromClient ? m_clientSeq : m_serverSeq;
    const uint32_t ack = fromClient ? m_serverSeq : m_clientSeq;
    const PcapEndpoint from = fromClient ? m_client : m_server;
    const PcapEndpoint to = fromClient ? m_server : m_client;
    std::string tcp;
    put16(tcp, from.port);
    put16(tcp, to.port);
    put32(tcp, seq);
    put32(tcp, (flags & Ack) ? ack : 0);
    tcp.push_back(0x50); // 20-byte header
    tcp.push_back(static_cast<char>(flags));
    put16(tcp, 65535);
    put16(tcp, 0);
    put16(tcp, 0);
    tcp.append(bytes);
    // SYN and FIN take one sequence number each.
    seq += static_cast<uint32_t>(bytes.size()) + ((flags & (Syn | Fin)) ? 1 : 0);
    frame(ipPacket(6, from, to, std::move(tcp), m_ipId++, 16));
}

void PcapWriter::frame(std::string_view packet)
{
    using namespace std::chrono;
    const auto now = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    std::string record;
    putLe32(record, static_cast<uint32_t>(now / 1000000));
    putLe32(record, static_cast<uint32_t>(now % 1000000));
    putLe32(record, static_cast<uint32_t>(packet.size()));
    putLe32(record, static_cast<uint32_t>(packet.size()));
    record.append(packet);
    std::fwrite(record.data(), 1, record.size(), m_file);
    std::fflush(m_file); // whole frames only, should the process end without closing
}

} // namespace vedamis
