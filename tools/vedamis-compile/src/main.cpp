// vedamis-compile: turns a description source into a description file.
#include <vedamis/Compiler.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

const char *const kUsage = "usage: vedamis-compile SOURCE -o OUTPUT.prg|OUTPUT.grp\n"
                           "\n"
                           "Compiles a description source (docs/description-source.md) into a\n"
                           "description file. The output's base name is the description's name and\n"
                           "must match the ecu name, ignoring case; .grp is for group files.\n"
                           "Errors are printed as FILE:LINE: REASON; on an error no output is written.\n"
                           "\n"
                           "options:\n"
                           "  -o FILE      the output file (required)\n"
                           "  -h, --help   show this text\n";

int usageError(const std::string &message)
{
    std::fprintf(stderr, "vedamis-compile: %s\n\n%s", message.c_str(), kUsage);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::string source;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-o") {
            if (i + 1 >= argc)
                return usageError("-o needs a file name");
            if (!output.empty())
                return usageError("only one -o is allowed");
            output = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + std::string(arg));
        } else if (source.empty()) {
            source = std::string(arg);
        } else {
            return usageError("only one source file is allowed");
        }
    }
    if (source.empty())
        return usageError("no source file given");
    if (output.empty())
        return usageError("no output file given (-o)");
    auto status = vedamis::compileFile(source, output);
    if (!status.ok()) {
        std::fprintf(stderr, "%s\n", status.error().c_str());
        return 1;
    }
    return 0;
}
