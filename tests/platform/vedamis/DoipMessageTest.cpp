// The DoIP stream reader against what a peer may send: good messages cut
// anywhere, and headers that must end the stream with the right NACK code.
#include <vedamis/DoipMessage.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vedamis::doip;

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

} // namespace

TEST(DoipReader, RefusesBadHeadersWithTheirNackCode)
{
    struct Case {
        const char *what;
        std::string header;
        uint8_t nack;
    };
    const std::vector<Case> cases = {
        {"inverse does not match", bytes({0x02, 0xFC, 0x80, 0x01, 0, 0, 0, 5}), NackIncorrectPattern},
        {"version 0", bytes({0x00, 0xFF, 0x80, 0x01, 0, 0, 0, 5}), NackIncorrectPattern},
        {"version 4", bytes({0x04, 0xFB, 0x80, 0x01, 0, 0, 0, 5}), NackIncorrectPattern},
        {"any-version outside identification", bytes({0xFF, 0x00, 0x80, 0x01, 0, 0, 0, 5}), NackIncorrectPattern},
        {"unknown payload type", bytes({0x02, 0xFD, 0x12, 0x34, 0, 0, 0, 0}), NackUnknownPayloadType},
        {"length beyond the limit", bytes({0x02, 0xFD, 0x80, 0x01, 0xFF, 0xFF, 0xFF, 0xFF}), NackMessageTooLarge},
        {"routing request of 8 bytes", bytes({0x02, 0xFD, 0x00, 0x05, 0, 0, 0, 8}), NackInvalidPayloadLength},
        {"alive check request with payload", bytes({0x02, 0xFD, 0x00, 0x07, 0, 0, 0, 1}), NackInvalidPayloadLength},
        {"diagnostic message without data", bytes({0x02, 0xFD, 0x80, 0x01, 0, 0, 0, 4}), NackInvalidPayloadLength},
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
                               encode(DiagnosticMessage, encodeDiagnostic(0x10, 0x0E00, bytes({0x62, 0xF4, 0x0C}))) +
                               encode(AliveCheckRequest, {}) + encode(VehicleIdRequest, {}, 0xFF);
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{8}, size_t{9}, stream.size()}) {
        DoipReader reader;
        std::vector<Message> got;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            const std::string piece = stream.substr(at, chunk);
            reader.feed(piece.data(), piece.size());
            Message message;
            while (reader.next(message) == DoipReader::Status::Message)
                got.push_back(message);
            EXPECT_LE(reader.buffered(), kHeaderSize + 9 + chunk);
        }
        ASSERT_EQ(got.size(), 4u) << "chunk " << chunk;
        EXPECT_EQ(got[0].type, RoutingActivationResponse);
        const auto routing = decodeRoutingActivationResponse(got[0].payload);
        ASSERT_TRUE(routing);
        EXPECT_EQ(routing->tester, 0x0E00);
        EXPECT_EQ(routing->code, 0x10);
        const auto diag = decodeDiagnostic(got[1].payload);
        ASSERT_TRUE(diag);
        EXPECT_EQ(diag->source, 0x10);
        EXPECT_EQ(diag->target, 0x0E00);
        EXPECT_EQ(diag->data, bytes({0x62, 0xF4, 0x0C}));
        EXPECT_EQ(got[2].type, AliveCheckRequest);
        EXPECT_EQ(got[3].version, 0xFF);
    }
}

TEST(DoipPayloads, DecodersRefuseShortPayloads)
{
    struct Case {
        const char *what;
        bool decoded;
    };
    const std::vector<Case> cases = {
        {"routing response of 8 bytes", decodeRoutingActivationResponse(std::string(8, '\0')).has_value()},
        {"routing request of 6 bytes", decodeRoutingActivationRequest(std::string(6, '\0')).has_value()},
        {"diagnostic message of 4 bytes", decodeDiagnostic(std::string(4, '\0')).has_value()},
        {"acknowledgement of 4 bytes", decodeDiagnosticAck(std::string(4, '\0')).has_value()},
        {"announcement of 31 bytes", decodeAnnouncement(std::string(31, '\0')).has_value()},
        {"alive check response of 3 bytes", decodeAliveCheckResponse(std::string(3, '\0')).has_value()},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(c.decoded) << c.what;
    AnnouncementPayload announcement;
    announcement.vin = "WDEMO00KB3200001A";
    announcement.address = 0x1234;
    const auto back = decodeAnnouncement(encodeAnnouncement(announcement));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->vin, announcement.vin);
    EXPECT_EQ(back->address, 0x1234);
}
