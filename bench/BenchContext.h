#pragma once
// Shared state of the bench_foundation benchmarks: the large description is
// generated once per run into a private temporary directory.
#include <string>

namespace bench {

// Directory holding the generated files (removed when the program ends).
const std::string &benchDirectory();
// Full path of the generated large description (benchDirectory()/BENCH_GROSS.prg).
const std::string &largeDescriptionPath();

} // namespace bench
