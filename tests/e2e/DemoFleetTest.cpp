// The demo fleet through the runtime's C API, as the workbench will use it:
// system jobs, whole result reports, job errors and the results the demo test
// files branch on. (The demo test files are run through kitbox32-cli test in
// tests/testmatrix.)
#include "DemoSession.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestFile.h"
#include "testmatrix/TestMatrix.h"
#include "testmatrix/TestRun.h"

#include <filesystem>
#include <regex>
#include <set>

namespace {

using e2e::DemoSession;

// Every job a variant's demo source declares (upper-cased) is listed by _JOBS; a group file lists the
// jobs of the variant it identifies.
TEST(DemoFleet, JobsListsEveryDeclaredJobAndTheVariant)
{
    DemoSession s;
    const std::regex declaration(R"re(^job\s+"([^"]+)")re");
    for (const auto &[description, variant] :
         std::vector<std::pair<std::string, std::string>>{{"D_MOTOR", "D_MOTOR"},
                                                          {"D_MOTOR2", "D_MOTOR2"},
                                                          {"D_BASIS", "D_BASIS"},
                                                          {"D_ALT", "D_ALT"},
                                                          {"D_PRUEF", "D_PRUEF"},
                                                          {"D_GRUPPE", "D_MOTOR2"}}) {
        SCOPED_TRACE(description);
        const auto sets = s.job(description, "_JOBS");
        ASSERT_TRUE(sets.has_value()) << s.errorText();
        EXPECT_EQ(s.text("VARIANTE", 0), variant);
        std::set<std::string> listed, declared;
        for (int set = 1; set <= *sets; ++set)
            listed.insert(
                QString::fromStdString(s.text("JOBNAME", set).value_or("<no JOBNAME>")).toUpper().toStdString());
        std::istringstream in(e2e::readFile(e2e::sourceDir / "examples" / "ecu" /
                                            (QString::fromStdString(variant).toLower().toStdString() + ".vds")));
        std::smatch m;
        for (std::string line; std::getline(in, line);)
            if (std::regex_search(line, m, declaration))
                declared.insert(QString::fromStdString(m[1]).toUpper().toStdString());
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
    EXPECT_NE(s.errorText().find("ERROR_ECU_CONDITIONS_NOT_CORRECT"), std::string::npos) << s.errorText();
    EXPECT_EQ(s.job("D_MOTOR", "INFO"), 1) << s.errorText();
    EXPECT_EQ(s.errorCode(), 0);
    // Without data the data job refuses to run; out of the argument table's limits nothing is sent.
    EXPECT_FALSE(s.job("D_MOTOR", "DATEN_SCHREIBEN").has_value());
    EXPECT_NE(s.errorCode(), 0);
    EXPECT_FALSE(s.job("D_MOTOR", "STEUERN", "ARG;LEERLAUF_SOLLDREHZAHL;1;5000").has_value());
    EXPECT_NE(s.errorCode(), 0);
}

// A logic column naming a result its job never delivers silently sends the branch
// to its "no" step, so every job step's logic result must be in the job's report.
TEST(DemoFleet, TestFileBranchesNameResultsTheirJobsDeliver)
{
    DemoSession s;
    int branches = 0;
    for (const auto &entry : std::filesystem::directory_iterator(e2e::dataDir / "tst")) {
        const auto file = kitbox::readTestFile(QString::fromStdString(entry.path().string()), TextCatalogue::shared());
        ASSERT_TRUE(file) << file.error();
        kitbox::TestMatrix matrix;
        matrix.paste(file.value().text);
        for (int row = 1; row <= kitbox::TestMatrix::lastStep; ++row) {
            const auto step = kitbox::TestStep::fromRow(matrix, row);
            if (step.count <= 0 || step.logicName.isEmpty()) // a step that does nothing has no branch
                continue;
            ++branches;
            s.job(step.description.toStdString(), step.job.toStdString(), step.arguments.toStdString());
            EXPECT_NE(s.report().find("  " + step.logicName.toStdString() + " ("), std::string::npos)
                << entry.path().filename() << " step " << row << " branches on " << step.logicName.toStdString();
        }
    }
    EXPECT_GE(branches, 3);
}

} // namespace
