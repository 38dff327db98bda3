// The demo fleet through the runtime's C API, as the workbench will use it:
// system jobs, whole result reports, data arguments, large binaries, job
// errors, breaking a job, the trace, the demo test files and the locator.
#include "DemoSession.h"

#include <sifter/sifter.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using e2e::DemoSession;

// Job names declared in a demo source, upper-cased: what _JOBS must list.
std::set<std::string> declaredJobs(const std::string &sourceName)
{
    std::set<std::string> jobs;
    std::istringstream in(e2e::readFile(e2e::sourceDir() / "examples" / "ecu" / sourceName));
    std::regex declaration(R"re(^job\s+"([^"]+)")re");
    std::string line;
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, declaration)) {
            std::string name = m[1];
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
            jobs.insert(name);
        }
    }
    return jobs;
}

std::set<std::string> listedJobs(DemoSession &s, const std::string &description, std::string *variant)
{
    std::set<std::string> jobs;
    auto sets = s.job(description, "_JOBS");
    EXPECT_TRUE(sets.has_value()) << description << ": " << s.errorText();
    if (!sets)
        return jobs;
    if (variant)
        *variant = s.text("VARIANTE", 0).value_or("<missing>");
    for (int set = 1; set <= *sets; ++set) {
        auto name = s.text("JOBNAME", set);
        EXPECT_TRUE(name.has_value()) << description << " set " << set << " has no JOBNAME";
        if (name) {
            std::string upper = *name;
            std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
            jobs.insert(upper);
        }
    }
    return jobs;
}


TEST(DemoFleet, JobsListsEveryDeclaredJobAndTheVariant)
{
    DemoSession s;
    // A group file lists the jobs of the variant it identifies.
    for (const auto &[description, source, variant] :
         std::vector<std::array<std::string, 3>>{{"D_MOTOR", "d_motor.vds", "D_MOTOR"},
                                                 {"D_MOTOR2", "d_motor2.vds", "D_MOTOR2"},
                                                 {"D_BASIS", "d_basis.vds", "D_BASIS"},
                                                 {"D_ALT", "d_alt.vds", "D_ALT"},
                                                 {"D_PRUEF", "d_pruef.vds", "D_PRUEF"},
                                                 {"D_GRUPPE", "d_motor2.vds", "D_MOTOR2"}}) {
        std::string listedVariant;
        auto listed = listedJobs(s, description, &listedVariant);
        EXPECT_EQ(listedVariant, variant);
        auto declared = declaredJobs(source);
        ASSERT_GT(declared.size(), 0u) << source;
        EXPECT_EQ(listed, declared) << description;
    }
}

// Whole result reports: status values decoded from telegrams, version information with comments and USES,
// several result sets, jobs inherited through USES where the own job wins, a group file running its job on
// the identified variant, the generic UDS jobs driven by the function table, and the fault memory.
TEST(DemoFleet, JobReportsMatchTheKeptReports)
{
    const std::vector<std::array<std::string, 3>> jobs = {
        {"D_MOTOR", "_VERSIONINFO", ""},
        {"D_ALT", "_VERSIONINFO", ""},
        {"D_MOTOR", "STATUS_MOTOR", ""},
        {"D_MOTOR", "ALLE_TYPEN", ""},
        {"D_MOTOR", "MEHRERE_SAETZE", ""},
        {"D_MOTOR", "SERIENNUMMER_LESEN", ""},
        {"D_MOTOR", "diagnose_ende", ""},
        {"D_MOTOR", "IDENT", ""},
        {"D_BASIS", "IDENT", ""},
        {"D_GRUPPE", "IDENT", ""},
        {"D_GRUPPE", "STATUS_MOTOR", ""},
        {"D_MOTOR", "STATUS_LESEN", "ARG;DREHZAHL;MOTOR_ZUSTAND;MOTOR_STATUS"},
        {"D_MOTOR", "STATUS_LESEN", "ID;0x4001"},
        {"D_MOTOR", "STEUERN", "ARG;LEERLAUF_SOLLDREHZAHL;1;1500"},
        {"D_MOTOR", "STEUERN", "ARG;LEERLAUF_SOLLDREHZAHL;1;1900"},
        {"D_MOTOR", "STEUERN_IO", "ARG;LUEFTER;STA;STUFE2"},
        {"D_MOTOR", "STEUERN_ROUTINE", "ARG;LAMBDASONDE_TEST;RRR"},
        {"D_MOTOR", "STEUERN_ROUTINE", "ARG;LAMBDASONDE_TEST;STR;10;VOR_KAT"},
        {"D_MOTOR", "FS_LESEN", ""},
        {"D_MOTOR", "FS_LESEN_DETAIL", "0x120308"},
        {"D_ALT", "FS_LESEN", ""},
    };
    const auto kept = e2e::keptReports();
    EXPECT_EQ(kept.size(), jobs.size());
    DemoSession s;
    for (const auto &[description, job, args] : jobs) {
        const std::string header = description + " " + job + (args.empty() ? "" : " " + args);
        ASSERT_TRUE(s.job(description, job, args).has_value()) << header << ": " << s.errorText();
        EXPECT_EQ(s.report(), kept.count(header) ? kept.at(header) : "<no kept report>\n") << header;
    }
}

// The readers of the C API beyond plain text: numbers, formats and binaries.
TEST(DemoFleet, ResultsReadAsNumbersFormattedTextsAndBinaries)
{
    DemoSession s;
    ASSERT_EQ(s.job("D_MOTOR", "ALLE_TYPEN"), 1) << s.errorText();
    EXPECT_EQ(s.integer("WERT_INT", 1), 42);
    EXPECT_EQ(s.binary("WERT_BINARY", 1), (std::vector<unsigned char>{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(s.text("WERT_BYTE", 1, "02X"), "0A");
    EXPECT_EQ(s.text("WERT_INT", 1, "-5I"), "42   ");
    EXPECT_EQ(s.text("WERT_REAL", 1, "8.2R"), "    3.14");
    ASSERT_EQ(s.job("D_MOTOR", "FS_LESEN"), 4) << s.errorText();
    EXPECT_EQ(s.text("F_ORT_NR", 1, "-6X"), "120308");

    const std::vector<unsigned char> bytes = {0x01, 0x02, 0xA0, 0x00, 0xFF, 0x3B};
    ASSERT_EQ(s.jobData("D_MOTOR", "DATEN_SCHREIBEN", bytes), 1) << s.errorText();
    EXPECT_EQ(s.binary("DATEN", 1), bytes);
    EXPECT_EQ(s.integer("ANZAHL", 1), 6);
    EXPECT_EQ(s.text("JOB_STATUS", 1), "OKAY");
}

TEST(DemoFleet, LargeBinaryFailsWith136AndIsReadInTheExtendedBuffer)
{
    DemoSession s;
    ASSERT_EQ(s.job("D_MOTOR", "BINAER_GROSS"), 1) << s.errorText();
    EXPECT_FALSE(s.binary("DATEN", 1).has_value());
    EXPECT_EQ(s.errorCode(), VEDAMIS_ERR_BINARY_BUFFER);
    auto bytes = s.binary("DATEN", 1, true);
    ASSERT_TRUE(bytes.has_value()) << s.errorText();
    ASSERT_EQ(bytes->size(), 1500u);
    // The simulation file holds six blocks of 250 bytes starting at 0x10000.
    for (size_t block = 0; block < 6; ++block)
        for (size_t j = 0; j < 250; ++j) {
            size_t address = 0x10000 + block * 250 + j;
            ASSERT_EQ((*bytes)[block * 250 + j], static_cast<unsigned char>((address * 7 + block) % 256))
                << "byte " << block * 250 + j;
        }
    EXPECT_EQ(s.integer("ANZAHL", 1), 1500);
}

TEST(DemoFleet, FailingJobsReportCodeAndTextAndTheSessionGoesOn)
{
    DemoSession s;
    EXPECT_FALSE(s.job("D_MOTOR", "FEHLER_JOB").has_value());
    EXPECT_EQ(s.errorCode(), 1034);
    std::string text = s.errorText();
    EXPECT_NE(text.find("routine FF00 refused"), std::string::npos) << text;
    EXPECT_NE(text.find("ERROR_ECU_CONDITIONS_NOT_CORRECT"), std::string::npos) << text;
    EXPECT_EQ(s.job("D_MOTOR", "INFO"), 1) << s.errorText();
    EXPECT_EQ(s.errorCode(), 0);

    EXPECT_FALSE(s.job("D_MOTOR", "GIBT_ES_NICHT").has_value());
    EXPECT_EQ(s.errorCode(), VEDAMIS_ERR_JOB_NOT_FOUND);
    // Without data the data job refuses to run.
    EXPECT_FALSE(s.job("D_MOTOR", "DATEN_SCHREIBEN").has_value());
    EXPECT_NE(s.errorCode(), 0);
    // Out of the argument table's limits: refused before anything is sent.
    EXPECT_FALSE(s.job("D_MOTOR", "STEUERN", "ARG;LEERLAUF_SOLLDREHZAHL;1;5000").has_value());
    EXPECT_NE(s.errorCode(), 0);
}

TEST(DemoFleet, SlowJobEndsAtOnceOnBreak)
{
    DemoSession s;
    std::atomic<bool> done{false};
    std::thread breaker([&] {
        // Keep breaking until the job has ended, so the break cannot come too early.
        while (!done.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            apiVBBreak(s.handle());
        }
    });
    auto sets = s.job("D_MOTOR", "LANGSAM", "30000");
    done = true;
    breaker.join();
    EXPECT_FALSE(sets.has_value());
    EXPECT_EQ(s.errorCode(), VEDAMIS_ERR_JOB_BREAK) << s.errorText();
}

TEST(DemoFleet, InterfaceTraceAtLevelTwoHoldsTheTelegramsAndLevelZeroWritesNothing)
{
    e2e::TempDir traced;
    {
        DemoSession s;
        s.setConfig("TracePath", traced.path().string());
        s.setConfig("IfhTrace", "2");
        ASSERT_EQ(s.job("D_MOTOR", "STATUS_MOTOR"), 1) << s.errorText();
        s.setConfig("IfhTrace", "0");
    }
    std::string trace = e2e::readFile(traced.path() / "IFH.TRC");
    EXPECT_NE(trace.find("22 40 00"), std::string::npos) << trace;
    EXPECT_NE(trace.find("62 40 00 0D 4A"), std::string::npos) << trace;
    EXPECT_NE(trace.find("62 40 02 02"), std::string::npos) << trace;

    e2e::TempDir quiet;
    {
        DemoSession s;
        s.setConfig("TracePath", quiet.path().string());
        s.setConfig("IfhTrace", "0");
        ASSERT_EQ(s.job("D_MOTOR", "STATUS_MOTOR"), 1) << s.errorText();
    }
    EXPECT_TRUE(std::filesystem::is_empty(quiet.path()));
}

// The demo test files only name descriptions and jobs that exist, with
// arguments the jobs accept; a job error is only expected where the step
// calls the failing demo job on purpose.
TEST(DemoFleet, TestFilesNameJobsThatRun)
{
    DemoSession s;
    int steps = 0;
    for (const auto &entry : std::filesystem::directory_iterator(e2e::dataDir() / "tst")) {
        std::istringstream in(e2e::readFile(entry.path()));
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty())
                continue;
            std::vector<std::string> cells;
            std::string cell;
            std::istringstream fields(line);
            while (std::getline(fields, cell, '|'))
                cells.push_back(cell);
            cells.resize(11);
            SCOPED_TRACE(entry.path().filename().string() + ": " + line);
            // A count of 0 keeps a step in the matrix without running it.
            const int count = std::atoi(cells[0].c_str());
            EXPECT_GE(count, 0);
            if (count == 0)
                continue;
            ++steps;
            if (cells[2] == "&DELAY") {
                EXPECT_GT(std::atoi(cells[4].c_str()), 0);
                continue;
            }
            std::optional<int> sets;
            if (!cells[3].empty()) {
                std::vector<unsigned char> bytes;
                std::istringstream hex(cells[4]);
                std::string pair;
                while (hex >> pair)
                    bytes.push_back(static_cast<unsigned char>(std::stoi(pair, nullptr, 16)));
                sets = s.jobData(cells[1], cells[2], bytes);
            } else {
                sets = s.job(cells[1], cells[2], cells[4], cells[5]);
            }
            if (cells[2] == "fehler_job") {
                EXPECT_FALSE(sets.has_value());
                continue;
            }
            EXPECT_TRUE(sets.has_value()) << s.errorCode() << " " << s.errorText();
            // The logic column names a result the step delivers.
            if (sets && !cells[7].empty()) {
                EXPECT_TRUE(s.text(cells[7], 1).has_value()) << cells[7];
            }
        }
    }
    EXPECT_GE(steps, 15);
}

// What the workbench reads itself: the info block and a table located by the
// locator, unscrambled, with cells that hold ";" and quotes intact.
TEST(DemoFleet, LocatedInfoBlockAndTablesKeepEveryCharacter)
{
    const std::string path = (e2e::dataDir() / "ecu" / "D_MOTOR.prg").string();
    const std::string file = e2e::readFile(path);
    auto unscramble = [&](int32_t start, int32_t length) {
        std::string bytes = file.substr(static_cast<size_t>(start), static_cast<size_t>(length));
        for (char &c : bytes)
            c = static_cast<char>(c ^ 0x6B);
        return bytes;
    };
    int32_t infoOffset = 0, infoLength = 0, tableAreaEnd = 0, tableCount = 0;
    ASSERT_EQ(SIFTER_INFO(path.c_str(), &infoOffset, &infoLength, &tableAreaEnd, &tableCount), SIFTER_OK);
    std::string info = unscramble(infoOffset, infoLength);
    EXPECT_EQ(info.rfind("ECU:D_MOTOR\n", 0), 0u) << info.substr(0, 80);
    EXPECT_NE(info.find("\nUSES:D_BASIS\n"), std::string::npos);
    EXPECT_NE(info.find("\nJOBNAME:STATUS_LESEN\nJOBCOMMENT:Reads functions of SG_FUNKTIONEN with service 22\n"),
              std::string::npos);
    EXPECT_NE(info.find("\nRESULT:STAT_DREHZAHL_WERT\nRESULTTYPE:real\nRESULTCOMMENT:engine speed\n"
                        "RESULTCOMMENT:unit 1/min\n"),
              std::string::npos);

    std::vector<SifterTableEntry> tables(static_cast<size_t>(tableCount));
    for (int32_t i = 0; i < tableCount; ++i)
        ASSERT_EQ(SIFTER_TABLE(path.c_str(), &tables[static_cast<size_t>(i)], i), SIFTER_OK);
    auto cellsOf = [&](const std::string &name) {
        std::vector<std::string> cells;
        for (size_t i = 0; i < tables.size(); ++i) {
            if (name != tables[i].name)
                continue;
            int32_t end = i + 1 < tables.size() ? tables[i + 1].start : tableAreaEnd;
            std::string bytes = unscramble(tables[i].start, end - tables[i].start);
            size_t from = 0;
            for (size_t to = bytes.find('\0'); to != std::string::npos; to = bytes.find('\0', from)) {
                cells.push_back(bytes.substr(from, to - from));
                from = to + 1;
            }
            EXPECT_EQ(from, bytes.size()) << name << " ends inside a cell";
            EXPECT_EQ(cells.size(), static_cast<size_t>(tables[i].columnCount * (tables[i].rowCount + 1))) << name;
        }
        return cells;
    };
    auto fortTexte = cellsOf("FORTTEXTE");
    ASSERT_EQ(fortTexte.size(), 21u);
    EXPECT_EQ((std::vector<std::string>(fortTexte.begin(), fortTexte.begin() + 3)),
              (std::vector<std::string>{"ORT", "ORTTEXT", "EREIGNIS_DTC"}));
    EXPECT_EQ(fortTexte[7], "Kühlmitteltemperaturfühler; Signal unplausibel");
    EXPECT_EQ(fortTexte[10], "Drosselklappe \"Position 1\" klemmt");
    auto functions = cellsOf("SG_FUNKTIONEN");
    ASSERT_EQ(functions.size(), 14u * 14u);
    EXPECT_EQ(functions[14 * 10 + 11], "22;2F"); // LUEFTER: read and controlled
}

} // namespace
