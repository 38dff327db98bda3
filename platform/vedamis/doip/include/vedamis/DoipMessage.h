#pragma once
// DoIP (diagnostics over IP) messages: the generic header, the payloads the
// runtime and the ECU simulator exchange, and a stream reader that cuts a
// TCP byte stream into messages. Everything that arrives from the network
// passes through DoipReader or one of the decode functions, which check
// every length before they read, so no input can make them read past the
// bytes they were given or hold more than the payload limit.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vedamis::doip {

inline constexpr uint16_t kPort = 13400;
inline constexpr size_t kHeaderSize = 8;
// The protocol version this side sends (the 2012 edition); every version
// from 1 to 3 is accepted, and 0xFF in vehicle identification requests.
inline constexpr uint8_t kVersion = 0x02;
// Diagnostic messages carry at most a UDS message of 64 KiB plus addresses.
inline constexpr uint32_t kDefaultPayloadLimit = 4 + 65536;

enum PayloadType : uint16_t {
    GenericNack = 0x0000,
    VehicleIdRequest = 0x0001,
    VehicleIdRequestEid = 0x0002,
    VehicleIdRequestVin = 0x0003,
    VehicleAnnouncement = 0x0004,
    RoutingActivationRequest = 0x0005,
    RoutingActivationResponse = 0x0006,
    AliveCheckRequest = 0x0007,
    AliveCheckResponse = 0x0008,
    EntityStatusRequest = 0x4001,
    EntityStatusResponse = 0x4002,
    PowerModeRequest = 0x4003,
    PowerModeResponse = 0x4004,
    DiagnosticMessage = 0x8001,
    DiagnosticAck = 0x8002,
    DiagnosticNack = 0x8003,
};

// Codes of a generic negative acknowledgement.
enum NackCode : uint8_t {
    NackIncorrectPattern = 0x00,
    NackUnknownPayloadType = 0x01,
    NackMessageTooLarge = 0x02,
    NackOutOfMemory = 0x03,
    NackInvalidPayloadLength = 0x04,
};

// Routing activation response codes that grant routing.
inline constexpr uint8_t kRoutingSuccess = 0x10;

struct Header {
    uint8_t version = kVersion;
    uint16_t type = 0;
    uint32_t length = 0;
};

struct Message {
    uint8_t version = kVersion;
    uint16_t type = 0;
    std::string payload;
};

// Name of a payload type for traces and error texts ("diagnostic message",
// "payload type 0x1234" for unknown ones).
std::string typeName(uint16_t type);
std::string genericNackText(uint8_t code);
std::string routingResponseText(uint8_t code);
std::string diagnosticNackText(uint8_t code);

// Whether the payload length is possible for the type: fixed-size payloads
// must match exactly, the others must reach their minimum.
bool lengthFits(uint16_t type, uint32_t length);

enum class HeaderCheck { Ok, IncorrectPattern, UnknownType, TooLarge, InvalidLength };
// Checks the eight header bytes at data (at least kHeaderSize of them).
HeaderCheck checkHeader(const uint8_t *data, uint32_t payloadLimit, Header &header);

std::string encode(uint16_t type, std::string_view payload, uint8_t version = kVersion);

// Cuts a byte stream into messages. Feed what arrived, then take messages
// until next() says NeedMore. After an error the stream is out of step and
// the reader stays failed; the caller ends the connection.
class DoipReader {
public:
    enum class Status { Message, NeedMore, Failed };
    explicit DoipReader(uint32_t payloadLimit = kDefaultPayloadLimit) : m_limit(payloadLimit) {}

    void feed(const char *data, size_t size);
    Status next(Message &message);
    bool failed() const { return m_failed; }
    // The generic NACK code of the failure, and a text for the user.
    uint8_t nackCode() const { return m_nackCode; }
    const std::string &error() const { return m_error; }
    // Bytes held and not yet taken as a message: at most one header plus
    // one payload up to the limit, plus what one feed() added.
    size_t buffered() const { return m_buffer.size() - m_start; }

private:
    uint32_t m_limit;
    std::string m_buffer;
    size_t m_start = 0;
    bool m_failed = false;
    uint8_t m_nackCode = 0;
    std::string m_error;
};

// --- Payloads --------------------------------------------------------------

struct RoutingActivationRequestPayload {
    uint16_t source = 0;
    uint8_t activationType = 0;
};
std::string encodeRoutingActivationRequest(uint16_t source, uint8_t activationType = 0);
std::optional<RoutingActivationRequestPayload> decodeRoutingActivationRequest(std::string_view payload);

struct RoutingActivationResponsePayload {
    uint16_t tester = 0;
    uint16_t entity = 0;
    uint8_t code = 0;
};
std::string encodeRoutingActivationResponse(uint16_t tester, uint16_t entity, uint8_t code);
std::optional<RoutingActivationResponsePayload> decodeRoutingActivationResponse(std::string_view payload);

// Diagnostic message and its acknowledgements: source and target address,
// then the UDS bytes (for acknowledgements: the code, then optionally the
// start of the acknowledged message).
struct DiagnosticPayload {
    uint16_t source = 0;
    uint16_t target = 0;
    uint8_t code = 0;      // acknowledgements only
    std::string_view data; // points into the payload it was decoded from
};
std::string encodeDiagnostic(uint16_t source, uint16_t target, std::string_view data);
std::string encodeDiagnosticAck(uint16_t source, uint16_t target, uint8_t code, std::string_view previous = {});
std::optional<DiagnosticPayload> decodeDiagnostic(std::string_view payload);
std::optional<DiagnosticPayload> decodeDiagnosticAck(std::string_view payload);

struct AnnouncementPayload {
    std::string vin; // 17 characters
    uint16_t address = 0;
    std::string eid; // 6 bytes
    std::string gid; // 6 bytes
    uint8_t furtherAction = 0;
};
std::string encodeAnnouncement(const AnnouncementPayload &announcement);
std::optional<AnnouncementPayload> decodeAnnouncement(std::string_view payload);

std::string encodeAliveCheckResponse(uint16_t source);
std::optional<uint16_t> decodeAliveCheckResponse(std::string_view payload);

} // namespace vedamis::doip
