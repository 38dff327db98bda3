// vedamis-job: runs one job of a description and prints its results.
#include "JobTool.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    auto options = vedamisjob::parseArguments(args);
    if (!options) {
        std::cerr << "vedamis-job: " << options.error() << "\n\n" << vedamisjob::usageText();
        return vedamisjob::kExitUsage;
    }
    if (options.value().help) {
        std::cout << vedamisjob::usageText();
        return vedamisjob::kExitOk;
    }
    return vedamisjob::run(options.value(), std::cout, std::cerr);
}
