// The wrappers over the C entry points: handles, buffers and text decoding
// against a runtime that behaves badly, the loading of a runtime library, and
// one round trip through the engine linked into the program.
#include "runtime/InProcessVedamisApi.h"
#include "runtime/LibraryVedamisApi.h"
#include "runtime/RuntimeBackend.h"

#include <QProcessEnvironment>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

using namespace kitbox;

namespace {

// What the hand-made runtime saw and what it answers.
struct Script {
    int32_t handleGiven = 4711;
    int32_t lastHandle = 0;
    std::string lastName;
    std::string lastValue;
    bool nullSeen = false;
    std::string text;           // written into text buffers
    int32_t reportedLength = 0; // length the runtime claims to have written
    int16_t errorCode = 0;
};
Script script;

void see(int32_t handle, const char *a = "", const char *b = "")
{
    script.lastHandle = handle;
    if (a == nullptr || b == nullptr)
        script.nullSeen = true;
}

int16_t fillText(char *buffer, int32_t *length, int32_t size)
{
    const size_t n = std::min<size_t>(script.text.size(), size_t(size - 1));
    std::memcpy(buffer, script.text.data(), n);
    buffer[n] = '\0';
    *length = script.reportedLength;
    return 1;
}

int16_t init(int32_t *handle)
{
    *handle = script.handleGiven;
    return 1;
}
int16_t initExt(int32_t *handle, const char *a, const char *b, const char *c, const char *d)
{
    if (!a || !b || !c || !d)
        script.nullSeen = true;
    *handle = script.handleGiven + 1;
    script.lastValue = std::string(a ? a : "") + "|" + (b ? b : "") + "|" + (c ? c : "") + "|" + (d ? d : "");
    return 1;
}
int16_t enableServer(int32_t)
{
    return 1;
}
void job(int32_t h, const char *d, const char *j, const char *a, const char *r)
{
    see(h, d, j);
    see(h, a, r);
    script.lastName = std::string(d) + "/" + j + "/" + a + "/" + r;
}
void jobData(int32_t h, const char *, const char *, const unsigned char *data, int32_t length, const char *)
{
    see(h);
    script.lastValue.assign(reinterpret_cast<const char *>(data), size_t(length));
}
int16_t resultSets(int32_t h, int16_t *sets)
{
    see(h);
    *sets = 3;
    return 1;
}
int16_t resultNumber(int32_t h, int16_t *n, int16_t set)
{
    see(h);
    *n = int16_t(set * 10);
    return 1;
}
int16_t resultName(int32_t h, char *buffer, int32_t *length, int16_t, int16_t)
{
    see(h);
    return fillText(buffer, length, 64);
}
int16_t resultFormat(int32_t h, int16_t *type, const char *, int16_t)
{
    see(h);
    *type = 6;
    return 1;
}
int16_t resultText(int32_t h, char *buffer, int32_t *length, const char *name, int16_t, const char *format)
{
    see(h, name, format);
    script.lastName = name;
    script.lastValue = format;
    return fillText(buffer, length, 1024);
}
int16_t resultInt(int32_t h, int16_t *value, const char *, int16_t)
{
    see(h);
    *value = -5;
    return 1;
}
int16_t resultBinary(int32_t h, unsigned char *buffer, int32_t *length, const char *, int16_t)
{
    see(h);
    std::memset(buffer, 0xAB, 1025);
    *length = script.reportedLength;
    return 1;
}
int16_t resultBinaryExt(int32_t h, unsigned char *buffer, int32_t *length, int32_t size, const char *, int16_t)
{
    see(h);
    script.lastValue = std::to_string(size);
    buffer[0] = 1;
    *length = 1;
    return 1;
}
int16_t errorCode(int32_t h)
{
    see(h);
    return script.errorCode;
}
int16_t errorText(int32_t h, char *buffer, int32_t *length)
{
    see(h);
    return fillText(buffer, length, 256);
}
void breakJob(int32_t h)
{
    see(h);
}
void endSession(int32_t h)
{
    see(h);
}
int16_t getConfig(int32_t h, const char *name, char *buffer, int32_t *length)
{
    see(h, name);
    script.lastName = name;
    return fillText(buffer, length, 256);
}
int16_t setConfig(int32_t h, const char *name, const char *value)
{
    see(h, name, value);
    script.lastName = name;
    script.lastValue = value;
    return 0;
}

VedamisEntryPoints table()
{
    VedamisEntryPoints e;
    e.apiVBInit = init;
    e.apiVBInitExt = initExt;
    e.enableServerVB = enableServer;
    e.apiVBJob = job;
    e.apiVB4JobData = jobData;
    e.apiVBResultSets = resultSets;
    e.apiVBResultNumber = resultNumber;
    e.apiVB4ResultName = resultName;
    e.apiVBResultFormat = resultFormat;
    e.apiVB4ResultText = resultText;
    e.apiVBResultInt = resultInt;
    e.apiVB4ResultBinary = resultBinary;
    e.apiVB4ResultBinaryExt = resultBinaryExt;
    e.apiVBErrorCode = errorCode;
    e.apiVB4ErrorText = errorText;
    e.apiVBBreak = breakJob;
    e.apiVBEnd = endSession;
    e.apiVB4GetConfig = getConfig;
    e.apiVBSetConfig = setConfig;
    return e;
}

struct EntryPoints : ::testing::Test {
    void SetUp() override { script = Script{}; }
};

} // namespace

TEST_F(EntryPoints, HandleFromInitIsPassedToEveryLaterCall)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    qint16 sets = 0;
    ASSERT_TRUE(api.apiResultSets(sets));
    EXPECT_EQ(sets, 3);
    EXPECT_EQ(script.lastHandle, 4711);
    api.apiEnd();
    EXPECT_EQ(script.lastHandle, 4711);

    ASSERT_TRUE(api.apiInitExt(QStringLiteral("SIM"), QString(), QStringLiteral("Kitbox"), QString()));
    EXPECT_EQ(script.lastValue, "SIM||Kitbox|");
    api.apiBreak();
    EXPECT_EQ(script.lastHandle, 4712);
}

TEST_F(EntryPoints, EmptyTextsGoOutAsEmptyStringsNeverNull)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    api.apiJob(QStringLiteral("D_MOTOR"), QStringLiteral("STATUS"), QString(), QString());
    QString value;
    api.apiGetConfig(QString(), value);
    api.apiInitExt(QString(), QString(), QString(), QString());
    EXPECT_FALSE(script.nullSeen);
    EXPECT_EQ(script.lastValue, "|||");
}

TEST_F(EntryPoints, TextsAreUtf8BothWays)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    script.text = "Öltemperatur °C";
    script.reportedLength = int32_t(script.text.size());
    QString text;
    ASSERT_TRUE(api.apiResultText(text, QStringLiteral("STAT_ÖL"), 1, QStringLiteral("-20T")));
    EXPECT_EQ(text, QStringLiteral("Öltemperatur °C"));
    EXPECT_EQ(script.lastName, "STAT_ÖL");
    EXPECT_EQ(script.lastValue, "-20T");
}

TEST_F(EntryPoints, InvalidUtf8FromTheRuntimeIsReadAsLatin1)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    script.text = "Fehler \xE4ndern"; // Latin-1 "ä"
    script.reportedLength = int32_t(script.text.size());
    EXPECT_EQ(api.apiErrorText(), QStringLiteral("Fehler ändern"));
}

TEST_F(EntryPoints, OverstatedLengthsNeverReadPastTheBuffer)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    script.text = "SHORT";
    script.reportedLength = 100000;
    QString name;
    ASSERT_TRUE(api.apiResultName(name, 1, 1));
    EXPECT_EQ(name, QStringLiteral("SHORT"));

    QByteArray data;
    ASSERT_TRUE(api.apiResultBinary(data, QStringLiteral("BIN"), 1));
    EXPECT_EQ(data.size(), VedamisApi::binaryBufferSize);

    script.reportedLength = -3;
    ASSERT_TRUE(api.apiResultBinary(data, QStringLiteral("BIN"), 1));
    EXPECT_TRUE(data.isEmpty());
}

TEST_F(EntryPoints, TextIsTheReportedLengthNotTheWholeBuffer)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    script.text = "ABCDEF";
    script.reportedLength = 3;
    QString value;
    ASSERT_TRUE(api.apiGetConfig(QStringLiteral("EcuPath"), value));
    EXPECT_EQ(value, QStringLiteral("ABC"));
}

TEST_F(EntryPoints, DataJobPassesBytesWithZerosAndTheirCount)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    const QByteArray bytes("\x22\x00\x10", 3);
    api.apiJobData(QStringLiteral("D"), QStringLiteral("J"), bytes, QString());
    EXPECT_EQ(script.lastValue, std::string("\x22\x00\x10", 3));
}

TEST_F(EntryPoints, ExtendedBinaryAsksForTheLargeBufferAndRefusalsAreReported)
{
    EntryPointVedamisApi api(table());
    ASSERT_TRUE(api.apiInit());
    QByteArray data;
    ASSERT_TRUE(api.apiResultBinaryExt(data, QStringLiteral("BIG"), 1));
    EXPECT_EQ(script.lastValue, "65536");
    EXPECT_EQ(data, QByteArray(1, '\x01'));
    EXPECT_FALSE(api.apiSetConfig(QStringLiteral("Simulation"), QStringLiteral("1")));
    qint16 value = 0;
    ASSERT_TRUE(api.apiResultInt(value, QStringLiteral("N"), 1));
    EXPECT_EQ(value, -5);
}

TEST(EntryPointTable, NamesTheFirstMissingEntry)
{
    VedamisEntryPoints e = table();
    EXPECT_TRUE(e.firstMissing().isEmpty());
    e.apiVB4ResultBinaryExt = nullptr;
    EXPECT_EQ(e.firstMissing(), QStringLiteral("apiVB4ResultBinaryExt"));
}

TEST(RuntimeLibrary, MissingLibraryIsAClearError)
{
    auto loaded = LibraryVedamisApi::load(QStringLiteral("/nonexistent/libnoruntime.so"));
    ASSERT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error().find("/nonexistent/libnoruntime.so"), std::string::npos);
    EXPECT_FALSE(LibraryVedamisApi::load(QString()).ok());
}

TEST(RuntimeLibrary, LibraryWithoutTheEntriesIsRefused)
{
    // Any shared library that is sure to exist but exports none of the entries.
    auto loaded = LibraryVedamisApi::load(QStringLiteral("libm.so.6"));
    ASSERT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error().find("lacks the entry apiVBInit"), std::string::npos) << loaded.error();
}

TEST(RuntimeBackendChoice, EnvironmentSelectsTheLibrary)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("KITBOX_RUNTIME_LIBRARY"), QStringLiteral("/nonexistent/lib.so"));
    EXPECT_FALSE(createRuntime(environment).ok());
    EXPECT_TRUE(createRuntime(QProcessEnvironment()).ok());
}

TEST(InProcessRuntime, OpensReadsTheVersionAndEnds)
{
    InProcessVedamisApi api;
    ASSERT_TRUE(api.apiInit()) << api.apiErrorText().toStdString();
    QString version;
    EXPECT_TRUE(api.apiGetConfig(QStringLiteral("VedamisVersion"), version));
    EXPECT_FALSE(version.isEmpty());
    QString unknown;
    EXPECT_FALSE(api.apiGetConfig(QStringLiteral("NoSuchSetting"), unknown));
    EXPECT_NE(api.apiErrorCode(), 0);
    EXPECT_FALSE(api.apiErrorText().isEmpty());
    api.apiEnd();
}
