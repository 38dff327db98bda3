// The DoIP stream reader against what a peer may send: good messages cut
// anywhere, and headers that must end the stream with the right NACK code.
#include <vedamis/DoipMessage.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;
using namespace vedamis::doip;

TEST(DoipReader, RefusesBadHeadersWithTheirNackCode)
{
    struct Case {
        const char *what;
        std::string header;
        uint8_t nack;
    };
    const std::vector<Case> cases = {
        {"inverse does not match", "\x02\xFC\x80\x01\x00\x00\x00\x05"s, NackIncorrectPattern},
        {"version 0", "\x00\xFF\x80\x01\x00\x00\x00\x05"s, NackIncorrectPattern},
        {"version 4", "\x04\xFB\x80\x01\x00\x00\x00\x05"s, NackIncorrectPattern},
        {"any-version outside identification", "\xFF\x00\x80\x01\x00\x00\x00\x05"s, NackIncorrectPattern},
        {"unknown payload type", "\x02\xFD\x12\x34\x00\x00\x00\x00"s, NackUnknownPayloadType},
        {"length beyond the limit", "\x02\xFD\x80\x01\xFF\xFF\xFF\xFF"s, NackMessageTooLarge},
        {"routing request of 8 bytes", "\x02\xFD\x00\x05\x00\x00\x00\x08"s, NackInvalidPayloadLength},
        {"alive check request with payload", "\x02\xFD\x00\x07\x00\x00\x00\x01"s, NackInvalidPayloadLength},
        {"diagnostic message without data", "\x02\xFD\x80\x01\x00\x00\x00\x04"s, NackInvalidPayloadLength},
    };
    for (const Case &c : cases) {
        DoipReader reader;
        reader.feed(c.header.data(), c.header.size());
        Message message;
        EXPECT_EQ(reader.next(message), DoipReader::Status::Failed) << c.what;
        EXPECT_EQ(reader.nackCode(), c.nack) << c.what;
        EXPECT_FALSE(reader.error().empty()) << c.what;
        // Out of step for good: later bytes do not bring it back.
        const std::string good = encode(AliveCheckRequest, {});
        reader.feed(good.data(), good.size());
        EXPECT_EQ(reader.next(message), DoipReader::Status::Failed) << c.what;
        EXPECT_EQ(reader.buffered(), 0u) << c.what;
    }
}

TEST(DoipReader, TakesMessagesHoweverTheStreamIsCut)
{
    const std::string stream = encode(RoutingActivationResponse, encodeRoutingActivationResponse(0x0E00, 0x10, 0x10)) +
                               encode(DiagnosticMessage, encodeDiagnostic(0x10, 0x0E00, "\x62\xF4\x0C"s)) +
                               encode(AliveCheckRequest, {}) + encode(VehicleIdRequest, {}, 0xFF);
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{8}, size_t{9}, stream.size()}) {
        DoipReader reader;
        std::string again; // the messages taken, encoded again
        for (size_t at = 0; at < stream.size(); at += chunk) {
            const std::string piece = stream.substr(at, chunk);
            reader.feed(piece.data(), piece.size());
            Message message;
            while (reader.next(message) == DoipReader::Status::Message)
                again += encode(message.type, message.payload, message.version);
            EXPECT_LE(reader.buffered(), kHeaderSize + 9 + chunk);
        }
        EXPECT_EQ(again, stream) << "chunk " << chunk;
    }
}

// Each payload decodes back to what was encoded, and too short a payload to nothing.
TEST(DoipPayloads, DecodeWhatWasEncodedAndRefuseShortPayloads)
{
    const auto routing = decodeRoutingActivationResponse(encodeRoutingActivationResponse(0x0E00, 0x10, 0x11));
    ASSERT_TRUE(routing);
    EXPECT_EQ(std::tie(routing->tester, routing->code), std::make_tuple(0x0E00, 0x11));
    const std::string diagnostic = encodeDiagnostic(0x10, 0x0E00, "\x62\xF4\x0C"s);
    const auto diag = decodeDiagnostic(diagnostic); // its data points into the payload
    ASSERT_TRUE(diag);
    EXPECT_EQ(std::tie(diag->source, diag->target, diag->data), std::make_tuple(0x10, 0x0E00, "\x62\xF4\x0C"s));
    AnnouncementPayload announcement;
    announcement.vin = "WDEMO00KB3200001A";
    announcement.address = 0x1234;
    const auto back = decodeAnnouncement(encodeAnnouncement(announcement));
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tie(back->vin, back->address), std::tie(announcement.vin, announcement.address));

    EXPECT_FALSE(decodeRoutingActivationResponse(std::string(8, '\0')));
    EXPECT_FALSE(decodeRoutingActivationRequest(std::string(6, '\0')));
    EXPECT_FALSE(decodeDiagnostic(std::string(4, '\0')));
    EXPECT_FALSE(decodeDiagnosticAck(std::string(4, '\0')));
    EXPECT_FALSE(decodeAnnouncement(std::string(31, '\0')));
    EXPECT_FALSE(decodeAliveCheckResponse(std::string(3, '\0')));
}
