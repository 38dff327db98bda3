#include "JobTool.h"

#include <vedamis/vedamis.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace vedamisjob {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string errorText(int32_t handle)
{
    char buffer[VEDAMIS_ERROR_BUFFER] = {};
    int32_t length = 0;
    if (!apiVB4ErrorText(handle, buffer, &length))
        return {};
    length = std::clamp<int32_t>(length, 0, VEDAMIS_ERROR_BUFFER - 1);
    return std::string(buffer, static_cast<size_t>(length));
}

// Text of a result with the engine's default conversion, or nothing.
std::optional<std::string> resultText(int32_t handle, const std::string &name, int16_t set)
{
    char buffer[VEDAMIS_TEXT_BUFFER] = {};
    int32_t length = 0;
    if (!apiVB4ResultText(handle, buffer, &length, name.c_str(), set, ""))
        return std::nullopt;
    length = std::clamp<int32_t>(length, 0, VEDAMIS_TEXT_BUFFER - 1);
    return std::string(buffer, static_cast<size_t>(length));
}

// Prints one binary result; a result longer than the normal buffer (136)
// is read again into the extended one. Returns false when unreadable.
bool printBinary(int32_t handle, const std::string &name, int16_t set, std::ostream &out)
{
    std::vector<unsigned char> buffer(VEDAMIS_BINARY_BUFFER);
    int32_t length = 0;
    const char *where = "";
    if (!apiVB4ResultBinary(handle, buffer.data(), &length, name.c_str(), set)) {
        if (apiVBErrorCode(handle) != VEDAMIS_ERR_BINARY_BUFFER)
            return false;
        buffer.assign(VEDAMIS_BINARY_EXT_BUFFER, 0);
        length = 0;
        if (!apiVB4ResultBinaryExt(handle, buffer.data(), &length, VEDAMIS_BINARY_EXT_MAX, name.c_str(), set))
            return false;
        where = " (extended buffer)";
    }
    length = std::clamp<int32_t>(length, 0, static_cast<int32_t>(buffer.size()));
    out << length << " bytes" << where << "\n";
    out << hexLines(buffer.data(), static_cast<size_t>(length), "      ");
    return true;
}

} // namespace

kitbox::Result<std::vector<unsigned char>> parseHex(std::string_view text)
{
    std::vector<unsigned char> bytes;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == ',' || c == '\t' || c == ';') {
            ++i;
            continue;
        }
        if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            i += 2;
            continue;
        }
        int high = hexDigit(c);
        if (high < 0)
            return kitbox::Result<std::vector<unsigned char>>::failure(
                "not a hex digit at position " + std::to_string(i + 1) + ": '" + std::string(1, c) + "'");
        if (i + 1 >= text.size() || hexDigit(text[i + 1]) < 0)
            return kitbox::Result<std::vector<unsigned char>>::failure("incomplete hex byte at position " +
                                                                       std::to_string(i + 1));
        bytes.push_back(static_cast<unsigned char>(high * 16 + hexDigit(text[i + 1])));
        i += 2;
    }
    if (bytes.size() > VEDAMIS_DATA_MAX)
        return kitbox::Result<std::vector<unsigned char>>::failure("data argument longer than " +
                                                                   std::to_string(VEDAMIS_DATA_MAX) + " bytes");
    return bytes;
}

kitbox::Result<Options> parseArguments(const std::vector<std::string> &args)
{
    Options options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (optionsEnded || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--help") {
            options.help = true;
            continue;
        }
        // Options with a value take it from "--name=value" or from the next argument.
        std::string name = a;
        std::optional<std::string> value;
        size_t eq = a.find('=');
        if (eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        if (name != "--data" && name != "--results" && name != "--config")
            return kitbox::Result<Options>::failure("unknown option " + name);
        if (!value) {
            if (i + 1 >= args.size())
                return kitbox::Result<Options>::failure(name + " needs a value");
            value = args[++i];
        }
        if (name == "--data") {
            auto bytes = parseHex(*value);
            if (!bytes)
                return kitbox::Result<Options>::failure("--data: " + bytes.error());
            options.data = std::move(bytes).value();
        } else if (name == "--results") {
            options.resultFilter = *value;
        } else {
            size_t sep = value->find('=');
            if (sep == std::string::npos || sep == 0)
                return kitbox::Result<Options>::failure("--config needs Name=Value, got '" + *value + "'");
            options.config.emplace_back(value->substr(0, sep), value->substr(sep + 1));
        }
    }
    if (options.help)
        return options;
    if (positional.size() < 2)
        return kitbox::Result<Options>::failure("DESCRIPTION and JOB are required");
    if (positional.size() > 4)
        return kitbox::Result<Options>::failure("too many arguments (put arguments with blanks in quotes)");
    options.description = positional[0];
    options.job = positional[1];
    if (positional.size() > 2) {
        if (options.data)
            return kitbox::Result<Options>::failure("ARGUMENTS and --data exclude each other");
        options.arguments = positional[2];
    }
    if (positional.size() > 3) {
        if (!options.resultFilter.empty())
            return kitbox::Result<Options>::failure("result filter given twice (RESULTFILTER and --results)");
        options.resultFilter = positional[3];
    }
    return options;
}

std::string usageText()
{
    return "usage: vedamis-job [options] DESCRIPTION JOB [ARGUMENTS] [RESULTFILTER]\n"
           "\n"
           "Runs one job of a description through the Vedamis runtime and prints every\n"
           "result set with the name, type and value of each result.\n"
           "\n"
           "  DESCRIPTION        description or group file name (EcuPath/NAME.prg or .grp)\n"
           "  JOB                job name; _JOBS and _VERSIONINFO are built in\n"
           "  ARGUMENTS          argument text, arguments separated by ';'\n"
           "  RESULTFILTER       result names separated by ';' (empty: all)\n"
           "\n"
           "options:\n"
           "  --data HEX         run with a data argument instead of ARGUMENTS (\"01 02 A0\")\n"
           "  --results FILTER   result filter (instead of RESULTFILTER)\n"
           "  --config Name=Value  set a runtime configuration value first; repeatable\n"
           "                     (EcuPath, SimulationPath, TracePath, IfhTrace, ...)\n"
           "  --help             this text\n"
           "\n"
           "Exit status: 0 success, 1 runtime or job error (code and text on stderr),\n"
           "2 bad command line.\n";
}

std::string typeName(int16_t code)
{
    static const char *const names[] = {"char", "byte", "int", "word", "long", "dword", "text", "binary", "real"};
    if (code < 0 || code > VEDAMIS_TYPE_REAL)
        return "unknown";
    return names[code];
}

std::string hexLines(const unsigned char *bytes, size_t count, const std::string &indent)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i % 32 == 0)
            out += indent;
        else
            out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
        if (i % 32 == 31 || i + 1 == count)
            out += '\n';
    }
    return out;
}

EngineError printResults(int32_t handle, std::ostream &out)
{
    int16_t sets = 0;
    if (!apiVBResultSets(handle, &sets))
        return {apiVBErrorCode(handle), errorText(handle)};
    EngineError first;
    auto remember = [&]() {
        if (first.code == 0) {
            first.code = apiVBErrorCode(handle);
            first.text = errorText(handle);
        }
    };
    for (int16_t set = 0; set <= sets; ++set) {
        out << "set " << set << "\n";
        int16_t count = 0;
        if (!apiVBResultNumber(handle, &count, set)) {
            remember();
            continue;
        }
        for (int16_t index = 1; index <= count; ++index) {
            char nameBuffer[VEDAMIS_NAME_BUFFER] = {};
            int32_t nameLength = 0;
            if (!apiVB4ResultName(handle, nameBuffer, &nameLength, index, set)) {
                remember();
                continue;
            }
            nameLength = std::clamp<int32_t>(nameLength, 0, VEDAMIS_NAME_BUFFER - 1);
            std::string name(nameBuffer, static_cast<size_t>(nameLength));
            int16_t type = -1;
            if (!apiVBResultFormat(handle, &type, name.c_str(), set)) {
                remember();
                out << "  " << name << " unreadable\n";
                continue;
            }
            out << "  " << name << " (" << typeName(type) << ", " << type << ") = ";
            bool read = false;
            if (type == VEDAMIS_TYPE_BINARY) {
                read = printBinary(handle, name, set, out);
            } else if (auto text = resultText(handle, name, set)) {
                out << *text << "\n";
                read = true;
            }
            if (!read) {
                remember();
                out << "unreadable\n";
            }
        }
    }
    return first;
}

int run(const Options &options, std::ostream &out, std::ostream &err)
{
    int32_t handle = 0;
    if (!apiVBInit(&handle)) {
        err << "vedamis-job: the runtime session could not be opened";
        std::string text = errorText(handle);
        if (!text.empty())
            err << ": " << text;
        err << "\n";
        return kExitJobError;
    }
    for (const auto &[name, value] : options.config) {
        if (!apiVBSetConfig(handle, name.c_str(), value.c_str())) {
            err << "vedamis-job: configuration " << name << "=" << value << " refused: error " << apiVBErrorCode(handle)
                << " : " << errorText(handle) << "\n";
            apiVBEnd(handle);
            return kExitJobError;
        }
    }
    if (options.data) {
        const auto &bytes = *options.data;
        apiVB4JobData(handle, options.description.c_str(), options.job.c_str(), bytes.data(),
                      static_cast<int32_t>(bytes.size()), options.resultFilter.c_str());
    } else {
        apiVBJob(handle, options.description.c_str(), options.job.c_str(), options.arguments.c_str(),
                 options.resultFilter.c_str());
    }
    EngineError error = printResults(handle, out);
    int exitCode = kExitOk;
    if (error.code != 0) {
        err << "error " << error.code << " : " << error.text << "\n";
        exitCode = kExitJobError;
    }
    apiVBEnd(handle);
    return exitCode;
}

} // namespace vedamisjob
