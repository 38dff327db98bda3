// Writes the description with the large table: make-large-table OUT.prg
#include "LargeTable.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kitbox-make-large-table OUT.prg\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string name = std::filesystem::path(path).stem().string();
    const kitbox::Status written =
        bench::writeLargeTableDescription(path, name, bench::largeTableRows, bench::largeTableColumns);
    if (!written.ok()) {
        std::fprintf(stderr, "kitbox-make-large-table: %s\n", written.error().c_str());
        return 1;
    }
    return 0;
}
