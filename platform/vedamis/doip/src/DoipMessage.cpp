#include <vedamis/DoipMessage.h>

#include <cstdio>

namespace vedamis::doip {
namespace {

void put16(std::string &out, uint16_t value)
{
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value & 0xFF));
}

void put32(std::string &out, uint32_t value)
{
    put16(out, static_cast<uint16_t>(value >> 16));
    put16(out, static_cast<uint16_t>(value & 0xFFFF));
}

uint16_t get16(std::string_view data, size_t at)
{
    return static_cast<uint16_t>((static_cast<uint8_t>(data[at]) << 8) | static_cast<uint8_t>(data[at + 1]));
}

std::string hexCode(const char *what, unsigned value, int digits)
{
    char buffer[48];
    std::snprintf(buffer, sizeof(buffer), "%s 0x%0*X", what, digits, value);
    return buffer;
}

struct Length {
    uint32_t min;
    uint32_t max;         // UINT32_MAX: open-ended
    uint32_t alternative; // a second allowed exact length, 0 for none
};

bool knownLength(uint16_t type, Length &length)
{
    switch (type) {
    case GenericNack:
        length = {1, 1, 0};
        return true;
    case VehicleIdRequest:
        length = {0, 0, 0};
        return true;
    case VehicleIdRequestEid:
        length = {6, 6, 0};
        return true;
    case VehicleIdRequestVin:
        length = {17, 17, 0};
        return true;
    case VehicleAnnouncement:
        length = {32, 33, 0};
        return true;
    case RoutingActivationRequest:
        length = {7, 7, 11};
        return true;
    case RoutingActivationResponse:
        length = {9, 9, 13};
        return true;
    case AliveCheckRequest:
        length = {0, 0, 0};
        return true;
    case AliveCheckResponse:
        length = {2, 2, 0};
        return true;
    case EntityStatusRequest:
        length = {0, 0, 0};
        return true;
    case EntityStatusResponse:
        length = {3, 3, 7};
        return true;
    case PowerModeRequest:
        length = {0, 0, 0};
        return true;
    case PowerModeResponse:
        length = {1, 1, 0};
        return true;
    case DiagnosticMessage:
    case DiagnosticAck:
    case DiagnosticNack:
        length = {5, UINT32_MAX, 0};
        return true;
    default:
        return false;
    }
}

} // namespace

std::string typeName(uint16_t type)
{
    switch (type) {
    case GenericNack:
        return "generic negative acknowledge";
    case VehicleIdRequest:
        return "vehicle identification request";
    case VehicleIdRequestEid:
        return "vehicle identification request with EID";
    case VehicleIdRequestVin:
        return "vehicle identification request with VIN";
    case VehicleAnnouncement:
        return "vehicle announcement";
    case RoutingActivationRequest:
        return "routing activation request";
    case RoutingActivationResponse:
        return "routing activation response";
    case AliveCheckRequest:
        return "alive check request";
    case AliveCheckResponse:
        return "alive check response";
    case EntityStatusRequest:
        return "entity status request";
    case EntityStatusResponse:
        return "entity status response";
    case PowerModeRequest:
        return "power mode request";
    case PowerModeResponse:
        return "power mode response";
    case DiagnosticMessage:
        return "diagnostic message";
    case DiagnosticAck:
        return "diagnostic message ack";
    case DiagnosticNack:
        return "diagnostic message nack";
    default:
        return hexCode("payload type", type, 4);
    }
}

std::string genericNackText(uint8_t code)
{
    switch (code) {
    case NackIncorrectPattern:
        return "incorrect pattern format";
    case NackUnknownPayloadType:
        return "unknown payload type";
    case NackMessageTooLarge:
        return "message too large";
    case NackOutOfMemory:
        return "out of memory";
    case NackInvalidPayloadLength:
        return "invalid payload length";
    default:
        return hexCode("code", code, 2);
    }
}

std::string routingResponseText(uint8_t code)
{
    switch (code) {
    case 0x00:
        return "unknown source address";
    case 0x01:
        return "all sockets registered and active";
    case 0x02:
        return "source address differs from the one registered on this socket";
    case 0x03:
        return "source address already active on another socket";
    case 0x04:
        return "missing authentication";
    case 0x05:
        return "rejected confirmation";
    case 0x06:
        return "unsupported routing activation type";
    case 0x07:
        return "secured connection required";
    case 0x10:
        return "routing activated";
    case 0x11:
        return "confirmation required";
    default:
        return hexCode("code", code, 2);
    }
}

std::string diagnosticNackText(uint8_t code)
{
    switch (code) {
    case 0x02:
        return "invalid source address";
    case 0x03:
        return "unknown target address";
    case 0x04:
        return "diagnostic message too large";
    case 0x05:
        return "out of memory";
    case 0x06:
        return "target unreachable";
    case 0x07:
        return "unknown network";
    case 0x08:
        return "transport protocol error";
    default:
        return hexCode("code", code, 2);
    }
}

bool lengthFits(uint16_t type, uint32_t length)
{
    Length allowed{};
    if (!knownLength(type, allowed))
        return false;
    return (length >= allowed.min && length <= allowed.max) || (allowed.alternative && length == allowed.alternative);
}

HeaderCheck checkHeader(const uint8_t *data, uint32_t payloadLimit, Header &header)
{
    header.version = data[0];
    header.type = static_cast<uint16_t>((data[2] << 8) | data[3]);
    header.length = (static_cast<uint32_t>(data[4]) << 24) | (static_cast<uint32_t>(data[5]) << 16) |
                    (static_cast<uint32_t>(data[6]) << 8) | data[7];
    const bool versionKnown = (header.version >= 1 && header.version <= 3) || header.version == 0xFF;
    if (!versionKnown || static_cast<uint8_t>(~data[0]) != data[1])
        return HeaderCheck::IncorrectPattern;
    // 0xFF is the "any version" of vehicle identification requests only.
    if (header.version == 0xFF && (header.type < VehicleIdRequest || header.type > VehicleIdRequestVin))
        return HeaderCheck::IncorrectPattern;
    Length allowed{};
    if (!knownLength(header.type, allowed))
        return HeaderCheck::UnknownType;
    if (header.length > payloadLimit)
        return HeaderCheck::TooLarge;
    if (!lengthFits(header.type, header.length))
        return HeaderCheck::InvalidLength;
    return HeaderCheck::Ok;
}

std::string encode(uint16_t type, std::string_view payload, uint8_t version)
{
    std::string out;
    out.reserve(kHeaderSize + payload.size());
    out.push_back(static_cast<char>(version));
    out.push_back(static_cast<char>(~version));
    put16(out, type);
    put32(out, static_cast<uint32_t>(payload.size()));
    out.append(payload);
    return out;
}

void DoipReader::feed(const char *data, size_t size)
{
    if (m_failed)
        return;
    // Taken messages are dropped before the buffer grows, so it never holds
    // more than one unfinished message and the new bytes.
    if (m_start > 0) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(data, size);
}

DoipReader::Status DoipReader::next(Message &message)
{
    if (m_failed)
        return Status::Failed;
    const size_t available = m_buffer.size() - m_start;
    if (available < kHeaderSize)
        return Status::NeedMore;
    Header header;
    const auto *bytes = reinterpret_cast<const uint8_t *>(m_buffer.data() + m_start);
    const HeaderCheck check = checkHeader(bytes, m_limit, header);
    if (check != HeaderCheck::Ok) {
        m_failed = true;
        switch (check) {
        case HeaderCheck::IncorrectPattern:
            m_nackCode = NackIncorrectPattern;
            m_error = hexCode("header with protocol version", bytes[0], 2) + hexCode(" and inverse", bytes[1], 2);
            break;
        case HeaderCheck::UnknownType:
            m_nackCode = NackUnknownPayloadType;
            m_error = "unknown " + typeName(header.type);
            break;
        case HeaderCheck::TooLarge:
            m_nackCode = NackMessageTooLarge;
            m_error = typeName(header.type) + " of " + std::to_string(header.length) + " bytes (at most " +
                      std::to_string(m_limit) + ")";
            break;
        default:
            m_nackCode = NackInvalidPayloadLength;
            m_error = typeName(header.type) + " with a payload of " + std::to_string(header.length) + " bytes";
            break;
        }
        m_buffer.clear();
        m_start = 0;
        return Status::Failed;
    }
    if (available - kHeaderSize < header.length)
        return Status::NeedMore;
    message.version = header.version;
    message.type = header.type;
    message.payload.assign(m_buffer, m_start + kHeaderSize, header.length);
    m_start += kHeaderSize + header.length;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    return Status::Message;
}

std::string encodeRoutingActivationRequest(uint16_t source, uint8_t activationType)
{
    std::string out;
    put16(out, source);
    out.push_back(static_cast<char>(activationType));
    put32(out, 0); // reserved
    return out;
}

std::optional<RoutingActivationRequestPayload> decodeRoutingActivationRequest(std::string_view payload)
{
    if (!lengthFits(RoutingActivationRequest, static_cast<uint32_t>(payload.size())))
        return std::nullopt;
    return RoutingActivationRequestPayload{get16(payload, 0), static_cast<uint8_t>(payload[2])};
}

std::string encodeRoutingActivationResponse(uint16_t tester, uint16_t entity, uint8_t code)
{
    std::string out;
    put16(out, tester);
    put16(out, entity);
    out.push_back(static_cast<char>(code));
    put32(out, 0); // reserved
    return out;
}

std::optional<RoutingActivationResponsePayload> decodeRoutingActivationResponse(std::string_view payload)
{
    if (!lengthFits(RoutingActivationResponse, static_cast<uint32_t>(payload.size())))
        return std::nullopt;
    return RoutingActivationResponsePayload{get16(payload, 0), get16(payload, 2), static_cast<uint8_t>(payload[4])};
}

std::string encodeDiagnostic(uint16_t source, uint16_t target, std::string_view data)
{
    std::string out;
    out.reserve(4 + data.size());
    put16(out, source);
    put16(out, target);
    out.append(data);
    return out;
}

std::string encodeDiagnosticAck(uint16_t source, uint16_t target, uint8_t code, std::string_view previous)
{
    std::string out;
    put16(out, source);
    put16(out, target);
    out.push_back(static_cast<char>(code));
    out.append(previous);
    return out;
}

std::optional<DiagnosticPayload> decodeDiagnostic(std::string_view payload)
{
    if (payload.size() < 5)
        return std::nullopt;
    DiagnosticPayload out;
    out.source = get16(payload, 0);
    out.target = get16(payload, 2);
    out.data = payload.substr(4);
    return out;
}

std::optional<DiagnosticPayload> decodeDiagnosticAck(std::string_view payload)
{
    if (payload.size() < 5)
        return std::nullopt;
    DiagnosticPayload out;
    out.source = get16(payload, 0);
    out.target = get16(payload, 2);
    out.code = static_cast<uint8_t>(payload[4]);
    out.data = payload.substr(5);
    return out;
}

std::string encodeAnnouncement(const AnnouncementPayload &announcement)
{
    std::string out = announcement.vin;
    out.resize(17, '0');
    put16(out, announcement.address);
    std::string eid = announcement.eid;
    eid.resize(6, '\0');
    std::string gid = announcement.gid;
    gid.resize(6, '\0');
    out += eid;
    out += gid;
    out.push_back(static_cast<char>(announcement.furtherAction));
    return out;
}

std::optional<AnnouncementPayload> decodeAnnouncement(std::string_view payload)
{
    if (!lengthFits(VehicleAnnouncement, static_cast<uint32_t>(payload.size())))
        return std::nullopt;
    AnnouncementPayload out;
    out.vin = std::string(payload.substr(0, 17));
    out.address = get16(payload, 17);
    out.eid = std::string(payload.substr(19, 6));
    out.gid = std::string(payload.substr(25, 6));
    out.furtherAction = static_cast<uint8_t>(payload[31]);
    return out;
}

std::string encodeAliveCheckResponse(uint16_t source)
{
    std::string out;
    put16(out, source);
    return out;
}

std::optional<uint16_t> decodeAliveCheckResponse(std::string_view payload)
{
    if (payload.size() != 2)
        return std::nullopt;
    return get16(payload, 0);
}

} // namespace vedamis::doip
