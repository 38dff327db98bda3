// Jobs through the C API: system jobs, result sets and types, reads with
// formats and buffers, arguments, job errors, USES inheritance, group files.
#include "EngineFixture.h"

#include <prg/Prg.h>

#include <cstring>
#include <filesystem>
#include <vector>

using namespace enginetest;

namespace {

// D_TEST (a job for each result type, argument kind and error) uses D_BASE; both are in tests/data/platform/ecu.
class Jobs : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        compile("D_BASE.PRG", dataText("ecu/d_base.vds"));
        compile("D_TEST.prg", dataText("ecu/d_test.vds")); // found without regard to case
        writeSim("D_TEST.SIM", "1A 80 = 5A 80 31 32\n");
    }
};

TEST_F(Jobs, SystemJobsListOwnJobsAndEcuDataWithNumberedLines)
{
    ASSERT_EQ(run("d_test", "_jobs"), 0) << errorText();
    ASSERT_EQ(sets(), 13);
    expectTexts(0, {{"VARIANTE", "D_TEST"}, {"JOBNAME", "_JOBS"}, {"OBJECT", "D_TEST"}, {"SAETZE", "13"}});
    int16_t count = 0;
    ASSERT_TRUE(apiVBResultNumber(m_handle, &count, 3));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(text("JOBNAME", 1), "ALL_TYPES");
    EXPECT_EQ(text("JOBNAME", 13), "OVERRIDDEN");
    // Jobs of the base are listed by the base's own _JOBS, not here.
    for (int16_t set = 1; set <= 13; ++set)
        EXPECT_NE(text("JOBNAME", set), "IDENT");

    ASSERT_EQ(run("D_TEST", "_VERSIONINFO"), 0) << errorText();
    ASSERT_EQ(sets(), 1);
    // Fields kept in the model only, and the numbered lines.
    expectTexts(1, {{"ECU", "D_TEST"},
                    {"PACKAGE", "7"},
                    {"BIP_VERSION", "5.3.0"},
                    {"ECUCOMMENT1", "second comment"},
                    {"USES0", "D_BASE"}});
    // Empty values give no result.
    ASSERT_EQ(run("D_BASE", "_VERSIONINFO"), 0);
    EXPECT_EQ(text("PACKAGE", 1), "<error 30>");
}

TEST_F(Jobs, TypesFormatsAndCaseInsensitiveNames)
{
    ASSERT_EQ(run("D_TEST", "ALL_TYPES"), 0) << errorText();
    ASSERT_EQ(sets(), 1);
    const struct {
        const char *name;
        int16_t type;
        const char *plain;
        const char *formatted;
        const char *format;
    } expected[] = {
        {"C", VEDAMIS_TYPE_CHAR, "-5", "FB", "02X"},
        {"B", VEDAMIS_TYPE_BYTE, "200", "C8", "02X"},
        {"I", VEDAMIS_TYPE_INT, "-1", "FFFF", "04X"},
        {"W", VEDAMIS_TYPE_WORD, "42", "42   ", "-5I"},
        {"L", VEDAMIS_TYPE_LONG, "-100000", "FFFE7960", "08X"},
        {"D", VEDAMIS_TYPE_DWORD, "4000000000", "EE6B2800", "08X"},
        {"status_text", VEDAMIS_TYPE_TEXT, "hello", "hello               ", "-20T"},
        {"BIN", VEDAMIS_TYPE_BINARY, "01 02 0A", "01 02 0A", "T"},
        {"r", VEDAMIS_TYPE_REAL, "3.14159", "    3.14", "8.2R"},
    };
    for (const auto &e : expected) {
        int16_t type = -1;
        ASSERT_TRUE(apiVBResultFormat(m_handle, &type, e.name, 1)) << e.name;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(text(e.name, 1), e.plain) << e.name;
        EXPECT_EQ(text(e.name, 1, e.format), e.formatted) << e.name;
    }
    char name[VEDAMIS_NAME_BUFFER];
    int32_t length = 0;
    // The names in their spelling and order: ResultsOfTheJobBeforeNeverShowThrough.
    EXPECT_FALSE(apiVB4ResultName(m_handle, name, &length, 10, 1));
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_RESULT_NOT_FOUND);
    EXPECT_FALSE(apiVB4ResultName(m_handle, name, &length, 0, 1));

    int16_t value = 0;
    ASSERT_TRUE(apiVBResultInt(m_handle, &value, "c", 1));
    EXPECT_EQ(value, -5);
    ASSERT_TRUE(apiVBResultInt(m_handle, &value, "R", 1));
    EXPECT_EQ(value, 3);
    EXPECT_FALSE(apiVBResultInt(m_handle, &value, "L", 1));
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_RESULT_RANGE);
    EXPECT_FALSE(apiVBResultInt(m_handle, &value, "BIN", 1));
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_RESULT_TYPE);

    EXPECT_EQ(text("NOPE", 1), "<error 30>");
    EXPECT_EQ(text("C", 2), "<error 31>");
    EXPECT_EQ(text("C", 1, "Q"), "<error 33>");
    // A failed read leaves its error until the next job starts.
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_FORMAT);
    EXPECT_EQ(text("C", 1), "-5");
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_FORMAT);

    // A result filter keeps the results it names, without regard to case or blanks.
    apiVBJob(m_handle, "D_TEST", "ALL_TYPES", "", "w; bin");
    ASSERT_EQ(apiVBErrorCode(m_handle), 0);
    int16_t count = 0;
    ASSERT_TRUE(apiVBResultNumber(m_handle, &count, 1));
    EXPECT_EQ(count, 2);
    expectTexts(1, {{"W", "42"}, {"C", "<error 30>"}});
}

// Job functions reach the running job from coroutines too, also from one the
// description's own code made while it was loaded.
TEST_F(Jobs, JobFunctionsWorkInsideCoroutinesMadeAtLoadTime)
{
    compile("D_CORO.prg", R"(ecu { name = "D_CORO" }
local early = coroutine.wrap(function()
  while true do
    result("EARLY", "text", jobname())
    coroutine.yield()
  end
end)
job "CORO" { run = function()
  early()
  coroutine.wrap(function() newset(); result("LATE", "int", argcount()) end)()
end }
)");
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(run("D_CORO", "CORO", "a;b"), 0) << errorText();
        EXPECT_EQ(sets(), 2);
        EXPECT_EQ(text("EARLY", 1), "CORO");
        EXPECT_EQ(text("LATE", 2), "2");
    }
}

// Each job starts from empty sets, whatever the job before gave: other
// names, other types, other order, fewer results, a filter.
TEST_F(Jobs, ResultsOfTheJobBeforeNeverShowThrough)
{
    compile("D_SHAPE.prg", R"(ecu { name = "D_SHAPE" }
job "SHAPE" { run = function()
  if argtext() == "a" then
    result("N1", "text", "first shape")
    result("N2", "int", 5)
    result("N3", "binary", hex("AA BB"))
    result("n2", "int", 6)
  elseif argtext() == "c" then
    result("N2", "int", 7)
  elseif argtext() == "d" then
    result("N2", "int", 8)
    result("N2", "int", 9)
  else
    result("N2", "text", "second shape")
    result("N1", "real", 2.5)
  end
end }
)");
    // Each run after every other; a name written at the front, then the same name twice (c, d):
    // the second still replaces the first, though the storage behind the front entry holds that
    // name from an earlier job.
    const struct {
        const char *job, *argument, *filter, *names;
        std::vector<std::pair<const char *, std::string>> texts;
    } runs[] = {
        {"SHAPE", "a", "", "N1;N2;N3;", {{"N2", "6"}, {"N3", "AA BB"}}}, // the second N2 replaced the first
        {"SHAPE", "b", "", "N2;N1;", {{"N1", "2.5"}, {"N2", "second shape"}, {"N3", "<error 30>"}}},
        {"SHAPE", "a", "N3", "N3;", {{"N1", "<error 30>"}}},
        {"SHAPE", "a", "", "N1;N2;N3;", {{"N1", "first shape"}}},
        {"SHAPE", "c", "", "N2;", {{"N2", "7"}}},
        {"SHAPE", "d", "", "N2;", {{"N2", "9"}}},
        {"ALL_TYPES", "", "", "C;B;I;W;L;D;Status_Text;BIN;R;", {{"C", "-5"}}},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto &r : runs) {
            apiVBJob(m_handle, r.job == std::string("SHAPE") ? "D_SHAPE" : "D_TEST", r.job, r.argument, r.filter);
            ASSERT_EQ(apiVBErrorCode(m_handle), 0) << errorText();
            std::string names;
            int16_t count = 0;
            EXPECT_TRUE(apiVBResultNumber(m_handle, &count, 1));
            for (int16_t i = 1; i <= count; ++i) {
                char name[VEDAMIS_NAME_BUFFER];
                int32_t length = 0;
                EXPECT_TRUE(apiVB4ResultName(m_handle, name, &length, i, 1));
                names += std::string(name) + ";";
            }
            EXPECT_EQ(names, r.names) << r.job << " " << r.argument;
            for (const auto &[name, value] : r.texts)
                EXPECT_EQ(text(name, 1), value) << r.job << " " << r.argument << " " << name;
        }
    }
}

// Jobs whose results show a rule: sets in order, arguments split at semicolons, tables
// looked up without regard to case, inherited jobs with the caller's simulation, a missing
// base named. USES cycles and long chains are the hostile descriptions' part.
TEST_F(Jobs, ResultsShowTheRules)
{
    compile("D_HALF.PRG", R"(ecu { name = "D_HALF", uses = { "D_BASE", "D_GONE" } })");
    const struct {
        const char *description, *job, *argument;
        int16_t code;
        const char *error; // a part of the error text
        int16_t set;
        std::vector<std::pair<const char *, std::string>> texts;
    } cases[] = {
        {"D_TEST", "SETS", "", 0, "", 1, {{"NR", "1"}, {"NAME", "set 1"}}},
        {"D_TEST", "SETS", "", 0, "", 3, {{"NR", "3"}, {"NAME", "set 3"}}},
        {"D_TEST", "SETS", "", 0, "", 4, {{"NR", "<error 31>"}}},
        {"D_TEST", "SETS", "", 0, "", 0, {{"SAETZE", "3"}}},
        {"D_TEST", "ARGS", "first;;third", 0, "", 1, {{"COUNT", "3"}, {"ALL", "first;;third"}, {"A1", "first"}}},
        {"D_TEST", "ARGS", "first;;third", 0, "", 1, {{"A2", ""}, {"A3", "third"}, {"MISSING", "nil"}}},
        {"D_TEST", "ARGS", "", 0, "", 1, {{"COUNT", "0"}}},
        {"D_TEST", "TABLES", "", 0, "", 1, {{"TEXT", "two"}, {"ROWS", "2"}, {"NONE", "nil"}}},
        {"D_TEST", "TABLES", "", 0, "", 1, {{"FIRST", "one; with \"quotes\""}}},
        {"D_TEST", "IDENT", "", 0, "", 1, {{"IDENT_TEXT", "5A 80 31 32"}, {"SEEN_BY", "D_TEST"}, {"TAB", "from base"}}},
        {"D_TEST", "IDENT", "", 0, "", 0, {{"VARIANTE", "D_TEST"}}},
        {"D_TEST", "OVERRIDDEN", "", 0, "", 1, {{"FROM", "derived"}}},
        // Run on the base itself, its own simulation file is used: there is none.
        {"D_BASE", "IDENT", "", VEDAMIS_ERR_SIM_FILE_MISSING, "D_BASE", 1, {}},
        {"D_HALF", "OVERRIDDEN", "", 0, "", 1, {{"FROM", "base"}}},
        {"D_HALF", "THREE", "", VEDAMIS_ERR_DESCRIPTION_NOT_FOUND, "D_GONE", 1, {}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(run(c.description, c.job, c.argument), c.code) << c.job << ": " << errorText();
        EXPECT_NE(errorText().find(c.error), std::string::npos) << c.job << ": " << errorText();
        for (const auto &[name, value] : c.texts)
            EXPECT_EQ(text(name, c.set), value) << c.job << " " << c.argument << ": " << name << " in set " << c.set;
    }
}

TEST_F(Jobs, DataArguments)
{
    ASSERT_EQ(runData("D_TEST", "DATA", std::string("\x01\x00\xFF", 3)), 0) << errorText();
    expectTexts(1, {{"LEN", "3"}, {"HEX", "01 00 FF"}});
    ASSERT_EQ(runData("D_TEST", "DATA", std::string(VEDAMIS_DATA_MAX, 'x')), 0);
    EXPECT_EQ(text("LEN", 1), "65536");
    EXPECT_EQ(runData("D_TEST", "DATA", std::string(VEDAMIS_DATA_MAX + 1, 'x')), VEDAMIS_ERR_BAD_ARGUMENT);
    apiVB4JobData(m_handle, "D_TEST", "DATA", nullptr, 5, "");
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_BAD_ARGUMENT);
}

TEST_F(Jobs, LongBinaryNeedsTheExtendedBuffer)
{
    ASSERT_EQ(run("D_TEST", "BIG", "1024"), 0) << errorText();
    unsigned char buffer[VEDAMIS_BINARY_EXT_BUFFER];
    int32_t length = 0;
    ASSERT_TRUE(apiVB4ResultBinary(m_handle, buffer, &length, "BIG", 1));
    EXPECT_EQ(length, 1024);

    ASSERT_EQ(run("D_TEST", "BIG", "1500"), 0);
    EXPECT_FALSE(apiVB4ResultBinary(m_handle, buffer, &length, "big", 1));
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_BINARY_BUFFER);
    ASSERT_TRUE(apiVB4ResultBinaryExt(m_handle, buffer, &length, VEDAMIS_BINARY_EXT_MAX, "BIG", 1));
    EXPECT_EQ(length, 1500);
    EXPECT_EQ(buffer[1499], 0x55);
    EXPECT_FALSE(apiVB4ResultBinaryExt(m_handle, buffer, &length, 1499, "BIG", 1));
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_BINARY_BUFFER);
}

// Untraced reads write straight into the caller's buffer, traced ones build
// the text first: both must hand out the same bytes, cuts included.
TEST_F(Jobs, LongTextsAreCutAndTracedAndUntracedReadsGiveTheSameTexts)
{
    auto readTexts = [&](const char *job, const char *argument, std::initializer_list<const char *> names) {
        EXPECT_EQ(run("D_TEST", job, argument), 0) << errorText();
        std::vector<std::string> texts;
        for (const char *name : names) {
            texts.push_back(text(name, 1));
            texts.push_back(text(name, 1, "-12T"));
        }
        texts.push_back(text("VARIANTE", 0));
        return texts;
    };
    const std::initializer_list<const char *> allTypes = {"C", "B", "I", "W", "L", "D", "STATUS_TEXT", "BIN", "R"};
    const auto plainTypes = readTexts("ALL_TYPES", "", allTypes);
    const auto plainBig = readTexts("BIG", "400", {"BIG", "LONGTEXT"});
    // 400 bytes are 1199 hex characters; the buffer takes the first 1023.
    std::string hex;
    for (int i = 0; i < 400; ++i)
        hex += i ? " 55" : "55";
    EXPECT_EQ(plainBig[0], hex.substr(0, 1023));
    // 600 two-byte characters: cut to 1022 bytes, never inside a character.
    EXPECT_EQ(plainBig[2].size(), 1022u);
    EXPECT_EQ(plainBig[2].substr(1020), "\xC3\xA4");

    ASSERT_TRUE(setConfig("ApiTrace", "2"));
    EXPECT_EQ(readTexts("ALL_TYPES", "", allTypes), plainTypes);
    EXPECT_EQ(readTexts("BIG", "400", {"BIG", "LONGTEXT"}), plainBig);
    EXPECT_NE(readAll(m_trace + "/API.TRC").find("apiVB4ResultText"), std::string::npos);
}

TEST_F(Jobs, FailingJobsReportCodeAndText)
{
    EXPECT_EQ(run("D_TEST", "FAIL_PLAIN"), VEDAMIS_ERR_JOB_FAILED);
    EXPECT_EQ(errorText(), "job failed: sensor missing");
    int16_t count = 0;
    EXPECT_FALSE(apiVBResultSets(m_handle, &count));
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_JOB_FAILED);
    // Set 0 stays readable: it tells which variant the job ran on.
    expectTexts(0, {{"VARIANTE", "D_TEST"}});
    EXPECT_EQ(text("X", 1), "<error 31>");

    const struct {
        const char *description, *job;
        int16_t code;
        const char *start;   // the fixed text of a runtime code; a job's own code has none
        const char *message; // a part of the error text
    } cases[] = {
        {"D_TEST", "FAIL_CODE", 4711, "custom failure", ""},
        {"D_TEST", "BAD_RANGE", VEDAMIS_ERR_JOB_RESULT, "job wrote an invalid result: ", "256 out of range 0..255"},
        {"D_TEST", "BAD_TYPE", VEDAMIS_ERR_JOB_RESULT, "job wrote an invalid result: ", "needs an integer"},
        {"D_TEST", "BAD_NAME", VEDAMIS_ERR_JOB_RESULT, "job wrote an invalid result: ", ""},
        {"D_TEST", "LUA_ERROR", VEDAMIS_ERR_JOB_RUNTIME, "runtime error in job: ", "attempt to index a nil value"},
        {"D_TEST", "LUA_ERROR", VEDAMIS_ERR_JOB_RUNTIME, "runtime error in job: ", "D_TEST.prg:"},
        {"D_TEST", "NO_SUCH_JOB", VEDAMIS_ERR_JOB_NOT_FOUND, "job not found", ""},
        {"D_NOWHERE", "_JOBS", VEDAMIS_ERR_DESCRIPTION_NOT_FOUND, "description not found", ""},
        {"../ecu/D_TEST", "_JOBS", VEDAMIS_ERR_DESCRIPTION_NOT_FOUND, "description not found", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(run(c.description, c.job), c.code) << c.job;
        EXPECT_EQ(errorText().rfind(c.start, 0), 0u) << errorText();
        EXPECT_NE(errorText().find(c.message), std::string::npos) << errorText();
    }
    // The session keeps working after every one of them.
    EXPECT_EQ(run("D_TEST", "SETS"), 0);
}

TEST_F(Jobs, ChangedDescriptionIsReloadedAndUnloadJobForgetsAll)
{
    ASSERT_EQ(run("D_TEST", "OVERRIDDEN"), 0);
    compile("D_TEST.prg", R"(ecu { name = "D_TEST" }
job "OVERRIDDEN" { run = function() result("FROM", "text", "second edition, longer file") end })");
    ASSERT_EQ(run("D_TEST", "OVERRIDDEN"), 0) << errorText();
    EXPECT_EQ(text("FROM", 1), "second edition, longer file");
    unloadAll();
    EXPECT_EQ(apiVBErrorCode(m_handle), 0);
    EXPECT_EQ(sets(), 0);
}

// Damage that the container reader lets through fails only the jobs that
// need the damaged part; damage it notices fails them all. The session goes on.
TEST_F(Jobs, DamagedDescriptionsFailTheJobsThatNeedTheDamage)
{
    compile("D_ROB.PRG", R"(ecu { name = "D_ROB" }
tab "T" { { "A", "B" }, { "1", "x;y" }, { "2", "z" } }
job "J" { run = function() result("B", "text", tabrow("T", "A", "2").B) end }
job "K" { run = function() result("X", "text", argtext()) end })");
    const std::string good = readAll(m_ecu + "/D_ROB.PRG");
    std::string cell = std::string("x;y") + '\0'; // as stored: scrambled
    prg::scramble(cell.data(), cell.size());
    constexpr int16_t kInvalid = VEDAMIS_ERR_DESCRIPTION_INVALID;
    const struct {
        const char *what;
        size_t at;
        char byte;
        int16_t jobs, j, k;
        const char *text; // part of J's error text
    } cases[] = {
        {"a cell runs on into the next", good.find(cell) + 3, '!' ^ 0x6B, 0, kInvalid, 0, "table T of D_ROB"},
        {"the script does not evaluate", good.find("job \"K\" {") + 8, '(', 0, kInvalid, kInvalid, "D_ROB.PRG:"},
        {"the header's file size", 16, 'x', kInvalid, kInvalid, kInvalid, "D_ROB"},
    };
    for (const auto &c : cases) {
        std::string bytes = good;
        bytes[c.at] = c.byte;
        writeRaw(m_ecu + "/D_ROB.PRG", bytes);
        unloadAll(); // the file keeps its size and maybe its time stamp
        EXPECT_EQ(run("D_ROB", "_JOBS"), c.jobs) << c.what << ": " << errorText();
        EXPECT_EQ(run("D_ROB", "K", "k"), c.k) << c.what << ": " << errorText();
        EXPECT_EQ(run("D_ROB", "J"), c.j) << c.what;
        EXPECT_NE(errorText().find(c.text), std::string::npos) << c.what << ": " << errorText();
    }
    writeRaw(m_ecu + "/D_ROB.PRG", good);
    unloadAll();
    ASSERT_EQ(run("D_ROB", "J"), 0) << errorText();
    EXPECT_EQ(text("B", 1), "z");
}

TEST_F(Jobs, GroupRunsTheIdentifiedVariant)
{
    compile("D_GROUP.GRP", dataText("ecu/d_group.vds"));
    compile("D_VAR_A.PRG", R"(ecu { name = "D_VAR_A" }
job "WHO" { run = function() result("ME", "text", description()); result("R", "text", tohex(send(hex("10")))) end })");
    compile("D_VAR_B.PRG", R"(ecu { name = "D_VAR_B" }
job "WHO" { run = function() result("ME", "text", "B") end }
job "ONLY_B" { run = function() end })");
    // The identification answers 2 the first time only: the variant is kept for the session.
    writeSim("D_GROUP.SIM", "22 F1 50 = 62 F1 50 02 | 62 F1 50 01\n");
    writeSim("D_VAR_A.SIM", "10 = 50\n");
    ASSERT_EQ(run("D_GROUP", "WHO"), 0) << errorText();
    EXPECT_EQ(text("ME", 1), "B");
    expectTexts(0, {{"VARIANTE", "D_VAR_B"}, {"OBJECT", "D_GROUP"}});
    ASSERT_EQ(run("D_GROUP", "_JOBS"), 0);
    EXPECT_EQ(sets(), 2);
    EXPECT_EQ(text("JOBNAME", 2), "ONLY_B");
    EXPECT_EQ(text("VARIANTE", 0), "D_VAR_B");

    // A changed configuration identifies again: now the answer is 1.
    ASSERT_TRUE(setConfig("RetryComm", "0"));
    ASSERT_EQ(run("D_GROUP", "WHO"), 0) << errorText();
    expectTexts(1, {{"ME", "D_VAR_A"}, {"R", "50"}}); // R from the variant's own simulation file
    EXPECT_EQ(text("VARIANTE", 0), "D_VAR_A");
}

TEST_F(Jobs, GroupWithUnknownVariantFails)
{
    compile("D_GROUP.GRP", dataText("ecu/d_group.vds"));
    writeSim("D_GROUP.SIM", "22 F1 50 = 62 F1 50 01\n");
    EXPECT_EQ(run("D_GROUP", "WHO"), VEDAMIS_ERR_VARIANT); // D_VAR_A.PRG does not exist
    EXPECT_NE(errorText().find("D_VAR_A"), std::string::npos) << errorText();
    writeSim("D_GROUP.SIM", "");
    unloadAll();
    EXPECT_EQ(run("D_GROUP", "WHO"), VEDAMIS_ERR_IFH_NO_RESPONSE);
    EXPECT_NE(errorText().find("identification of D_GROUP"), std::string::npos) << errorText();
}

// A description is found whatever the case of its file name; the directory
// listings kept between look-ups never hide a file that is there now, nor
// give one that has gone.
TEST_F(Jobs, KeptDirectoryListingsFollowTheDirectory)
{
    const struct {
        const char *create, *remove; // files made and removed before the job, or null
        int16_t error;
    } steps[] = {
        {"d_case.prg", nullptr, 0},                                 // lists the directory
        {nullptr, "d_case.prg", VEDAMIS_ERR_DESCRIPTION_NOT_FOUND}, // gone
        {"D_Case.Prg", nullptr, 0},                                 // back in another spelling
        {"d_other.prg", "D_Case.Prg", VEDAMIS_ERR_DESCRIPTION_NOT_FOUND},
        {"D_CASE.prg", nullptr, 0}, // made after the last listing was kept
    };
    for (const auto &step : steps) {
        if (step.remove) {
            ASSERT_TRUE(std::filesystem::remove(m_ecu + "/" + step.remove)) << step.remove;
        }
        if (step.create)
            compile(step.create, R"(ecu { name = "D_CASE" } job "WHO" { run = function() end })");
        EXPECT_EQ(run("D_CASE", "WHO"), step.error) << (step.create ? step.create : step.remove);
    }
}

} // namespace
