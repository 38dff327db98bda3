#pragma once
// Writes the link traffic of a session as a capture file that network
// analysers open: raw IPv4 frames, each DoIP message as one TCP segment (or
// UDP datagram) of a connection whose handshake and close are written too,
// so that an analyser follows the stream without gaps. The file is written
// beside its final name and renamed into place when it is closed, so a
// reader never sees a half-written capture under that name.
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace vedamis {

struct PcapEndpoint {
    uint32_t address = 0; // IPv4, host byte order
    uint16_t port = 0;
};

class PcapWriter {
public:
    PcapWriter() = default;
    ~PcapWriter() { close(); }
    PcapWriter(const PcapWriter &) = delete;
    PcapWriter &operator=(const PcapWriter &) = delete;

    // Starts a capture for path; an open capture of another path is closed
    // first. An empty path closes. False with a reason when the file cannot
    // be created.
    bool configure(const std::string &path, std::string &reason);
    // Flushes and renames the capture into place.
    void close();
    bool isOpen() const { return m_file != nullptr; }

    // A TCP connection from client to server: the three-way handshake.
    void tcpOpen(PcapEndpoint client, PcapEndpoint server);
    // Data in one direction of the connection last opened.
    void tcpData(bool fromClient, std::string_view bytes);
    // Both sides close the connection.
    void tcpClose();
    void udp(PcapEndpoint from, PcapEndpoint to, std::string_view bytes);

private:
    enum Flags : uint8_t { Fin = 0x01, Syn = 0x02, Psh = 0x08, Ack = 0x10 };
    void segment(bool fromClient, uint8_t flags, std::string_view bytes);
    void frame(std::string_view packet);
    void closeLocked();

    std::mutex m_mutex;
    std::string m_path;
    std::string m_tempPath;
    std::FILE *m_file = nullptr;
    PcapEndpoint m_client, m_server;
    uint32_t m_clientSeq = 0, m_serverSeq = 0;
    bool m_tcpOpen = false;
    uint16_t m_ipId = 0;
};

} // namespace vedamis
