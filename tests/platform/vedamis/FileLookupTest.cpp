// The engine finds a description whatever the case of its file name; the
// directory listings it keeps between lookups must never hide a file that is
// there now, nor give one that has gone.
#include "EngineFixture.h"

#include <cstdio>
#include <string>

using namespace enginetest;

namespace {

class EngineFileLookup : public EngineTest {};

struct Step {
    const char *create; // description file made before the job, or null
    const char *remove; // file removed before the job, or null
    int16_t error;      // the job's error code
};

TEST_F(EngineFileLookup, KeptListingsFollowTheDirectory)
{
    const Step steps[] = {
        {"d_case.prg", nullptr, 0},                                 // lists the directory
        {nullptr, "d_case.prg", VEDAMIS_ERR_DESCRIPTION_NOT_FOUND}, // gone
        {"D_Case.Prg", nullptr, 0},                                 // back in another spelling
        {"d_other.prg", "D_Case.Prg", VEDAMIS_ERR_DESCRIPTION_NOT_FOUND},
        {"D_CASE.prg", nullptr, 0}, // made after the last listing was kept
    };
    for (const Step &step : steps) {
        if (step.remove) {
            ASSERT_EQ(std::remove((m_ecu + "/" + step.remove).c_str()), 0) << step.remove;
        }
        if (step.create)
            compile(step.create, R"(ecu { name = "D_CASE" }
job "WHO" { run = function() result("FILE", "text", "here") end }
)");
        EXPECT_EQ(run("D_CASE", "WHO"), step.error) << (step.create ? step.create : step.remove);
    }
}

} // namespace
