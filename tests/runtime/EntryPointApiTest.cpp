// The wrappers over the C entry points: handles, buffers and text decoding
// against a runtime that behaves badly, the loading of a runtime library, and
// one round trip through the engine linked into the program.
#include "runtime/LibraryVedamisApi.h"
#include "runtime/RuntimeBackend.h"
#include "runtime/VedamisEntryPoints.h"

#include <QProcessEnvironment>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace Qt::StringLiterals;

namespace {

// What the hand-made runtime saw and what it answers.
struct Script {
    int32_t lastHandle = 0;
    std::string lastName;
    std::string lastValue;
    bool nullSeen = false;
    std::string text;           // written into text buffers
    int32_t reportedLength = 0; // length the runtime claims to have written
};
Script script;

int16_t see(int32_t handle, const char *a = "", const char *b = "")
{
    script.lastHandle = handle;
    script.nullSeen = script.nullSeen || a == nullptr || b == nullptr;
    return 1;
}

int16_t fillText(char *buffer, int32_t *length, int32_t size)
{
    const size_t n = std::min<size_t>(script.text.size(), size_t(size - 1));
    std::memcpy(buffer, script.text.data(), n);
    buffer[n] = '\0';
    *length = script.reportedLength;
    return 1;
}

VedamisEntryPoints table()
{
    VedamisEntryPoints e;
    e.apiVBInit = [](int32_t *handle) -> int16_t { return *handle = 4711, 1; };
    e.apiVBInitExt = [](int32_t *handle, const char *a, const char *b, const char *c, const char *d) -> int16_t {
        if (!a || !b || !c || !d)
            return script.nullSeen = true, 1;
        script.lastValue = std::string(a) + "|" + b + "|" + c + "|" + d;
        return *handle = 4712, 1;
    };
    e.enableServerVB = [](int32_t) -> int16_t { return 1; };
    e.apiVBJob = [](int32_t h, const char *d, const char *j, const char *a, const char *r) {
        see(h, d, j), see(h, a, r);
    };
    e.apiVB4JobData = [](int32_t h, const char *, const char *, const unsigned char *data, int32_t length,
                         const char *) {
        see(h);
        script.lastValue.assign(reinterpret_cast<const char *>(data), size_t(length));
    };
    e.apiVBResultSets = [](int32_t h, int16_t *sets) -> int16_t { return *sets = 3, see(h); };
    e.apiVBResultNumber = [](int32_t h, int16_t *n, int16_t set) -> int16_t { return *n = int16_t(set), see(h); };
    e.apiVB4ResultName = [](int32_t h, char *buffer, int32_t *length, int16_t, int16_t) -> int16_t {
        return see(h), fillText(buffer, length, 64);
    };
    e.apiVBResultFormat = [](int32_t h, int16_t *type, const char *, int16_t) -> int16_t { return *type = 6, see(h); };
    e.apiVB4ResultText = [](int32_t h, char *buffer, int32_t *length, const char *name, int16_t,
                            const char *format) -> int16_t {
        see(h, name, format);
        script.lastName = name;
        script.lastValue = format;
        return fillText(buffer, length, 1024);
    };
    e.apiVBResultInt = [](int32_t h, int16_t *value, const char *, int16_t) -> int16_t { return *value = -5, see(h); };
    e.apiVB4ResultBinary = [](int32_t h, unsigned char *buffer, int32_t *length, const char *, int16_t) -> int16_t {
        std::memset(buffer, 0xAB, 1025);
        return *length = script.reportedLength, see(h);
    };
    e.apiVB4ResultBinaryExt = [](int32_t h, unsigned char *buffer, int32_t *length, int32_t size, const char *,
                                 int16_t) -> int16_t {
        script.lastValue = std::to_string(size);
        buffer[0] = 1;
        return *length = 1, see(h);
    };
    e.apiVBErrorCode = [](int32_t h) -> int16_t { return see(h), 0; };
    e.apiVB4ErrorText = [](int32_t h, char *buffer, int32_t *length) -> int16_t {
        return see(h), fillText(buffer, length, 256);
    };
    e.apiVBBreak = [](int32_t h) { see(h); };
    e.apiVBEnd = [](int32_t h) { see(h); };
    e.apiVB4GetConfig = [](int32_t h, const char *name, char *buffer, int32_t *length) -> int16_t {
        return see(h, name), fillText(buffer, length, 256);
    };
    // Every setting is refused.
    e.apiVBSetConfig = [](int32_t h, const char *name, const char *value) -> int16_t { return see(h, name, value), 0; };
    return e;
}

struct EntryPoints : ::testing::Test {
    void SetUp() override
    {
        script = Script{};
        ASSERT_TRUE(api.apiInit());
    }
    // The runtime answers text; the wrapper must decode exactly the reported part of it.
    void answer(const std::string &text, int32_t reportedLength)
    {
        script.text = text;
        script.reportedLength = reportedLength;
    }
    EntryPointVedamisApi api{table()};
};

} // namespace

TEST_F(EntryPoints, HandleFromInitGoesToEveryLaterCallAndEmptyTextsNeverAsNull)
{
    qint16 sets = 0;
    ASSERT_TRUE(api.apiResultSets(sets));
    EXPECT_EQ(std::pair(sets, script.lastHandle), std::pair(qint16(3), 4711));
    api.apiJob(u"D_MOTOR"_s, u"STATUS"_s, QString(), QString());
    QString value;
    api.apiGetConfig(QString(), value);
    ASSERT_TRUE(api.apiInitExt(QString(), QString(), u"Kitbox"_s, QString()));
    EXPECT_EQ(script.lastValue, "||Kitbox|");
    EXPECT_FALSE(script.nullSeen);
    api.apiBreak();
    EXPECT_EQ(script.lastHandle, 4712);
}

TEST_F(EntryPoints, TextsAreDecodedFromTheReportedLengthOnly)
{
    // UTF-8 both ways.
    answer("Öltemperatur °C", int32_t(std::strlen("Öltemperatur °C")));
    QString text;
    ASSERT_TRUE(api.apiResultText(text, u"STAT_ÖL"_s, 1, u"-20T"_s));
    EXPECT_EQ(text, u"Öltemperatur °C"_s);
    EXPECT_EQ(script.lastName + "|" + script.lastValue, "STAT_ÖL|-20T");

    // Invalid UTF-8 from the runtime is read as Latin-1.
    answer("Fehler \xE4ndern", 13);
    EXPECT_EQ(api.apiErrorText(), u"Fehler ändern"_s);

    answer("ABCDEF", 3);
    EXPECT_TRUE(api.apiGetConfig(u"EcuPath"_s, text) && text == u"ABC"_s) << text.toStdString();

    // A text result keeps the NUL characters inside its reported length.
    answer(std::string("A\0B\0", 4), 3);
    EXPECT_TRUE(api.apiResultText(text, u"RAW"_s, 1, QString()) && text == QString::fromUtf8("A\0B", 3));

    // Overstated and negative lengths never read past the buffer.
    answer("SHORT", 100000);
    EXPECT_TRUE(api.apiResultText(text, u"RAW"_s, 1, QString()) && text == u"SHORT"_s) << text.toStdString();
    QByteArray data;
    EXPECT_TRUE(api.apiResultBinary(data, u"BIN"_s, 1) && data.size() == VedamisApi::binaryBufferSize);
    answer("", -3);
    EXPECT_TRUE(api.apiResultBinary(data, u"BIN"_s, 1) && data.isEmpty());
}

TEST_F(EntryPoints, DataBinariesNumbersAndRefusals)
{
    api.apiJobData(u"D"_s, u"J"_s, QByteArray("\x22\x00\x10", 3), QString());
    EXPECT_EQ(script.lastValue, std::string("\x22\x00\x10", 3)); // zeros and the count kept

    QByteArray data;
    ASSERT_TRUE(api.apiResultBinaryExt(data, u"BIG"_s, 1));
    EXPECT_EQ(std::pair(script.lastValue, data), std::pair(std::string("65536"), QByteArray(1, '\x01')));
    EXPECT_FALSE(api.apiSetConfig(u"Simulation"_s, u"1"_s));
    qint16 value = 0;
    EXPECT_TRUE(api.apiResultInt(value, u"N"_s, 1) && value == -5);
}

TEST(EntryPointTable, NamesTheFirstMissingEntry)
{
    VedamisEntryPoints e = table();
    EXPECT_TRUE(e.firstMissing().isEmpty());
    e.apiVB4ResultBinaryExt = nullptr;
    EXPECT_EQ(e.firstMissing(), u"apiVB4ResultBinaryExt"_s);
}

TEST(RuntimeLibrary, MissingOrForeignLibraryIsAClearError)
{
    auto loaded = LibraryVedamisApi::load(u"/nonexistent/libnoruntime.so"_s);
    ASSERT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error().find("/nonexistent/libnoruntime.so"), std::string::npos);

    // Any shared library that is sure to exist but exports none of the entries.
    loaded = LibraryVedamisApi::load(u"libm.so.6"_s);
    ASSERT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error().find("lacks the entry apiVBInit"), std::string::npos) << loaded.error();

    QProcessEnvironment environment;
    environment.insert(u"KITBOX_RUNTIME_LIBRARY"_s, u"/nonexistent/lib.so"_s);
    EXPECT_FALSE(createRuntime(environment).ok());

    // Without a library the engine linked into the program: it opens, reads
    // its version, refuses an unknown setting with an error, and ends.
    auto linked = createRuntime(QProcessEnvironment());
    ASSERT_TRUE(linked.ok()) << linked.error();
    VedamisApi &api = *linked.value();
    ASSERT_TRUE(api.apiInit()) << api.apiErrorText().toStdString();
    QString version;
    EXPECT_TRUE(api.apiGetConfig(u"VedamisVersion"_s, version) && !version.isEmpty());
    EXPECT_FALSE(api.apiGetConfig(u"NoSuchSetting"_s, version));
    EXPECT_TRUE(api.apiErrorCode() != 0 && !api.apiErrorText().isEmpty());
    api.apiEnd();
}
