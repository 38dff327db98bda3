// libFuzzer target for the DoIP stream reader and payload decoders. Besides
// "no crash", it checks that the reader holds no more than one unfinished
// message plus the last piece fed, and that every message it takes encodes
// back to exactly the bytes it was cut from. The first input byte chooses
// the size of the pieces the rest is fed in, as a TCP stream may cut it.
#include <vedamis/DoipMessage.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace vedamis::doip;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = 1 + data[0] % 64;
    const std::string_view stream(reinterpret_cast<const char *>(data + 1), size - 1);
    constexpr uint32_t kLimit = 4096;
    DoipReader reader(kLimit);
    std::string taken;
    for (size_t at = 0; at < stream.size(); at += piece) {
        const std::string_view part = stream.substr(at, piece);
        reader.feed(part.data(), part.size());
        Message message;
        DoipReader::Status status;
        while ((status = reader.next(message)) == DoipReader::Status::Message) {
            if (message.payload.size() > kLimit ||
                !lengthFits(message.type, static_cast<uint32_t>(message.payload.size())))
                __builtin_trap();
            taken += encode(message.type, message.payload, message.version);
            switch (message.type) {
            case RoutingActivationRequest:
                (void)decodeRoutingActivationRequest(message.payload);
                break;
            case RoutingActivationResponse:
                (void)decodeRoutingActivationResponse(message.payload);
                break;
            case DiagnosticMessage:
                (void)decodeDiagnostic(message.payload);
                break;
            case DiagnosticAck:
            case DiagnosticNack:
                (void)decodeDiagnosticAck(message.payload);
                break;
            case VehicleAnnouncement:
                (void)decodeAnnouncement(message.payload);
                break;
            case AliveCheckResponse:
                (void)decodeAliveCheckResponse(message.payload);
                break;
            default:
                break;
            }
        }
        if (reader.buffered() > kHeaderSize + kLimit + piece)
            __builtin_trap();
        if (status == DoipReader::Status::Failed)
            break;
    }
    // What was taken is the start of the stream, byte for byte.
    if (stream.substr(0, taken.size()) != taken)
        __builtin_trap();
    return 0;
}
