// The demo fleet through the runtime's C API, as the workbench will use it:
// system jobs, whole result reports, job errors and the demo test files.
#include "DemoSession.h"

#include <array>
#include <cstdlib>
#include <regex>
#include <set>

namespace {

using e2e::DemoSession;

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// Job names declared in a demo source, upper-cased: what _JOBS must list.
std::set<std::string> declaredJobs(const std::string &sourceName)
{
    std::set<std::string> jobs;
    std::istringstream in(e2e::readFile(e2e::sourceDir() / "examples" / "ecu" / sourceName));
    const std::regex declaration(R"re(^job\s+"([^"]+)")re");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, declaration))
            jobs.insert(upper(m[1]));
    return jobs;
}

// A group file lists the jobs of the variant it identifies.
TEST(DemoFleet, JobsListsEveryDeclaredJobAndTheVariant)
{
    DemoSession s;
    for (const auto &[description, source, variant] :
         std::vector<std::array<std::string, 3>>{{"D_MOTOR", "d_motor.vds", "D_MOTOR"},
                                                 {"D_MOTOR2", "d_motor2.vds", "D_MOTOR2"},
                                                 {"D_BASIS", "d_basis.vds", "D_BASIS"},
                                                 {"D_ALT", "d_alt.vds", "D_ALT"},
                                                 {"D_PRUEF", "d_pruef.vds", "D_PRUEF"},
                                                 {"D_GRUPPE", "d_motor2.vds", "D_MOTOR2"}}) {
        SCOPED_TRACE(description);
        const auto sets = s.job(description, "_JOBS");
        ASSERT_TRUE(sets.has_value()) << s.errorText();
        EXPECT_EQ(s.text("VARIANTE", 0), variant);
        std::set<std::string> listed;
        for (int set = 1; set <= *sets; ++set)
            listed.insert(upper(s.text("JOBNAME", set).value_or("<no JOBNAME>")));
        const auto declared = declaredJobs(source);
        ASSERT_GT(declared.size(), 0u);
        EXPECT_EQ(listed, declared);
    }
}

// Whole result reports: status values decoded from telegrams, version information with comments and USES,
// several result sets, all result types, jobs inherited through USES where the own job wins, a group file
// running its job on the identified variant, the generic UDS jobs driven by the function table, and the
// fault memory.
TEST(DemoFleet, JobReportsMatchTheKeptReports)
{
    const auto kept = e2e::keptReports();
    EXPECT_EQ(kept.size(), 21u);
    DemoSession s;
    for (const auto &[header, report] : kept) {
        ASSERT_TRUE(s.job(header).has_value()) << header << ": " << s.errorText();
        EXPECT_EQ(s.report(), report) << header;
    }
}

TEST(DemoFleet, FailingJobsReportCodeAndTextAndTheSessionGoesOn)
{
    DemoSession s;
    EXPECT_FALSE(s.job("D_MOTOR", "FEHLER_JOB").has_value());
    EXPECT_EQ(s.errorCode(), 1034);
    EXPECT_NE(s.errorText().find("routine FF00 refused"), std::string::npos) << s.errorText();
    EXPECT_NE(s.errorText().find("ERROR_ECU_CONDITIONS_NOT_CORRECT"), std::string::npos) << s.errorText();
    EXPECT_EQ(s.job("D_MOTOR", "INFO"), 1) << s.errorText();
    EXPECT_EQ(s.errorCode(), 0);
    // Without data the data job refuses to run; out of the argument table's limits nothing is sent.
    EXPECT_FALSE(s.job("D_MOTOR", "DATEN_SCHREIBEN").has_value());
    EXPECT_NE(s.errorCode(), 0);
    EXPECT_FALSE(s.job("D_MOTOR", "STEUERN", "ARG;LEERLAUF_SOLLDREHZAHL;1;5000").has_value());
    EXPECT_NE(s.errorCode(), 0);
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
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty())
                continue;
            std::vector<std::string> cells;
            std::istringstream fields(line);
            for (std::string cell; std::getline(fields, cell, '|');)
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
                for (std::string pair; hex >> pair;)
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

} // namespace
