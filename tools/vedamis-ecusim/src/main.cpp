// vedamis-ecusim: serves descriptions' simulation files as DoIP ECUs.
#include "EcuSim.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    auto options = ecusim::parseArguments(args);
    if (!options) {
        std::cerr << "vedamis-ecusim: " << options.error() << "\n\n" << ecusim::usageText();
        return ecusim::kExitUsage;
    }
    if (options.value().help) {
        std::cout << ecusim::usageText();
        return ecusim::kExitOk;
    }
    return ecusim::run(options.value(), std::cout, std::cerr);
}
