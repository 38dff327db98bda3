#pragma once
// A large description for the benchmarks: many jobs documented in the info
// block and defined in the job source, and many tables, written through the
// ordinary container writer so that every reader sees a normal file.
#include <kitbox/Result.h>
#include <prg/Prg.h>

#include <cstdint>
#include <string>

namespace bench {

struct LargeDescriptionOptions {
    std::string ecuName = "BENCH_GROSS";
    int jobs = 5000;
    int tables = 2000;
    uint64_t minimumBytes = 20u * 1024u * 1024u; // the tables grow until the file is at least this large
};

// Info block (ECU data, then JOBNAME/JOBCOMMENT/ARG/ARGTYPE/ARGCOMMENT/RESULT/
// RESULTTYPE/RESULTCOMMENT per job), tables of four columns, and a job source
// in the description-source dialect whose jobs each return one integer result.
// The tables live only in the table area; the source declares none, so that
// loading the jobs does not evaluate megabytes of table text.
prg::Description makeLargeDescription(const LargeDescriptionOptions &options);

// makeLargeDescription, written to `path` with prg::writeFile.
kitbox::Status writeLargeDescription(const std::string &path, const LargeDescriptionOptions &options);

// Job names are numbered: JOB_00001 ... in the order they are declared.
std::string largeJobName(int number);

} // namespace bench
