#include "Config.h"

#include "TextUtil.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#ifndef VEDAMIS_ENGINE_VERSION
#define VEDAMIS_ENGINE_VERSION "1.0"
#endif

namespace vedamis {
namespace {

// Address: a 16-bit DoIP logical address, written 0x0E00 or 3584.
enum class Kind { Text, Interface, Number, ReadOnly, Address };

struct KeyInfo {
    const char *name;
    Kind kind;
    int64_t min;
    int64_t max;
};

// Indexed by ConfigKey.
const KeyInfo kKeys[] = {
    {"EcuPath", Kind::Text, 0, 0},
    {"SimulationPath", Kind::Text, 0, 0},
    {"TracePath", Kind::Text, 0, 0},
    {"Simulation", Kind::Number, 0, 1},
    {"Interface", Kind::Interface, 0, 0},
    {"IfhTrace", Kind::Number, 0, 3},
    {"ApiTrace", Kind::Number, 0, 3},
    {"RetryComm", Kind::Number, 0, 1},
    {"SystemResults", Kind::Number, 0, 1},
    {"UbattHandling", Kind::Number, 0, 1},
    {"IgnitionHandling", Kind::Number, 0, 1},
    {"BipDebugLevel", Kind::Number, 0, 255},
    {"JobTimeout", Kind::Number, 0, 3600000},
    {"JobMemoryLimit", Kind::Number, 1, 1024},
    {"Unit", Kind::Text, 0, 0},
    {"Application", Kind::Text, 0, 0},
    {"VedamisVersion", Kind::ReadOnly, 0, 0},
    {"IfhVersion", Kind::ReadOnly, 0, 0},
    {"VedamisIniPath", Kind::ReadOnly, 0, 0},
    {"DoipHost", Kind::Text, 0, 0},
    {"DoipPort", Kind::Number, 1, 65535},
    {"DoipTesterAddress", Kind::Address, 0, 0xFFFF},
    {"DoipEcuAddress", Kind::Address, 0, 0xFFFF},
    {"DoipDiscovery", Kind::Number, 0, 2},
    {"DoipBroadcast", Kind::Text, 0, 0},
    {"DoipControlTimeout", Kind::Number, 1, 60000},
    {"DoipP2", Kind::Number, 1, 60000},
    {"DoipP2Star", Kind::Number, 1, 600000},
    {"DoipTesterPresent", Kind::Number, 0, 60000},
    {"PcapFile", Kind::Text, 0, 0},
};
static_assert(sizeof(kKeys) / sizeof(kKeys[0]) == static_cast<size_t>(ConfigKey::Count));

std::string envText(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string homeSubdir(const char *xdgVariable, const char *fallback)
{
    std::string base = envText(xdgVariable);
    if (base.empty()) {
        std::string home = envText("HOME");
        if (home.empty())
            home = "/tmp";
        base = home + "/" + fallback;
    }
    return base;
}

} // namespace

std::string executableDirectory()
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return ".";
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

Config::Config() : m_values(static_cast<size_t>(ConfigKey::Count))
{
    const std::string data = executableDirectory() + "/../share/kitbox32";
    storeValue(ConfigKey::EcuPath, data + "/ecu");
    storeValue(ConfigKey::SimulationPath, data + "/sim");
    storeValue(ConfigKey::TracePath, homeSubdir("XDG_CACHE_HOME", ".cache") + "/vedamis/trace");
    storeValue(ConfigKey::Simulation, std::string(1, '1'));
    storeValue(ConfigKey::Interface, "SIMULATION");
    storeValue(ConfigKey::IfhTrace, std::string(1, '0'));
    storeValue(ConfigKey::ApiTrace, std::string(1, '0'));
    storeValue(ConfigKey::RetryComm, std::string(1, '0'));
    storeValue(ConfigKey::SystemResults, std::string(1, '1'));
    storeValue(ConfigKey::UbattHandling, std::string(1, '0'));
    storeValue(ConfigKey::IgnitionHandling, std::string(1, '0'));
    storeValue(ConfigKey::BipDebugLevel, std::string(1, '0'));
    storeValue(ConfigKey::JobTimeout, "10000");
    storeValue(ConfigKey::JobMemoryLimit, "64");
    storeValue(ConfigKey::VedamisVersion, VEDAMIS_ENGINE_VERSION);
    storeValue(ConfigKey::IfhVersion, VEDAMIS_ENGINE_VERSION);
    storeValue(ConfigKey::DoipHost, "127.0.0.1");
    storeValue(ConfigKey::DoipPort, "13400");
    storeValue(ConfigKey::DoipTesterAddress, "0x0E00", 0x0E00);
    storeValue(ConfigKey::DoipEcuAddress, "0x0010", 0x0010);
    storeValue(ConfigKey::DoipDiscovery, std::string(1, '0'));
    storeValue(ConfigKey::DoipBroadcast, "255.255.255.255");
    storeValue(ConfigKey::DoipControlTimeout, "2000");
    storeValue(ConfigKey::DoipP2, "1000");
    storeValue(ConfigKey::DoipP2Star, "5000");
    storeValue(ConfigKey::DoipTesterPresent, "2000");
}

bool parseAddress(std::string_view text, int64_t &value)
{
    text = trim(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size() && value >= 0 && value <= 0xFFFF;
}

std::string addressText(int64_t value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof(buffer), "0x%04X", static_cast<unsigned>(value));
    return buffer;
}

const char *Config::canonicalName(ConfigKey key)
{
    return kKeys[static_cast<size_t>(key)].name;
}

bool Config::findKey(std::string_view name, ConfigKey &key)
{
    std::string_view trimmed = trim(name);
    for (size_t i = 0; i < static_cast<size_t>(ConfigKey::Count); ++i) {
        if (equalsIgnoreCase(trimmed, kKeys[i].name)) {
            key = static_cast<ConfigKey>(i);
            return true;
        }
    }
    return false;
}

std::string Config::userIniPath()
{
    return homeSubdir("XDG_CONFIG_HOME", ".config") + "/vedamis/vedamis.ini";
}

Error Config::loadDefaultIni()
{
    std::string explicitPath = envText("VEDAMIS_INI");
    if (!explicitPath.empty())
        return loadIni(explicitPath);
    std::string userPath = userIniPath();
    if (access(userPath.c_str(), F_OK) == 0)
        return loadIni(userPath);
    return {};
}

Error Config::loadIni(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return makeError(VEDAMIS_ERR_CONFIG_FILE, path + ": cannot be read");
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::string_view text = trim(line);
        if (text.empty() || text.front() == ';' || text.front() == '#' || text.front() == '[')
            continue; // comments and section headers; every section holds the same names
        size_t eq = text.find('=');
        if (eq == std::string_view::npos)
            return makeError(VEDAMIS_ERR_CONFIG_FILE, path + ":" + std::to_string(lineNumber) + ": '=' missing");
        ConfigKey key;
        std::string_view name = trim(text.substr(0, eq));
        if (!findKey(name, key))
            return makeError(VEDAMIS_ERR_CONFIG_FILE,
                             path + ":" + std::to_string(lineNumber) + ": unknown name '" + std::string(name) + "'");
        if (kKeys[static_cast<size_t>(key)].kind == Kind::ReadOnly)
            return makeError(VEDAMIS_ERR_CONFIG_FILE,
                             path + ":" + std::to_string(lineNumber) + ": '" + std::string(name) + "' is read-only");
        Error error = setKey(key, text.substr(eq + 1), false);
        if (error.failed())
            return makeError(VEDAMIS_ERR_CONFIG_FILE, path + ":" + std::to_string(lineNumber) + ": " +
                                                          error.text.substr(error.text.find(": ") + 2));
    }
    if (in.bad())
        return makeError(VEDAMIS_ERR_CONFIG_FILE, path + ": read error");
    storeValue(ConfigKey::VedamisIniPath, path);
    return {};
}

Error Config::applySettings(std::string_view settings)
{
    for (std::string_view item : split(settings, ';')) {
        if (trim(item).empty())
            continue;
        size_t eq = item.find('=');
        if (eq == std::string_view::npos)
            return makeError(VEDAMIS_ERR_CONFIG_VALUE, "setting '" + std::string(trim(item)) + "' has no '='");
        Error error = set(item.substr(0, eq), item.substr(eq + 1));
        if (error.failed())
            return error;
    }
    return {};
}

Error Config::set(std::string_view name, std::string_view value)
{
    ConfigKey key;
    if (!findKey(name, key))
        return makeError(VEDAMIS_ERR_CONFIG_UNKNOWN, std::string(trim(name)));
    return setKey(key, value, false);
}

Error Config::setKey(ConfigKey key, std::string_view value, bool fromEngine)
{
    const KeyInfo &info = kKeys[static_cast<size_t>(key)];
    std::string_view v = trim(value);
    switch (info.kind) {
    case Kind::ReadOnly:
        if (!fromEngine)
            return makeError(VEDAMIS_ERR_CONFIG_READONLY, info.name);
        storeValue(key, std::string(v));
        return {};
    case Kind::Text:
        storeValue(key, std::string(v));
        return {};
    case Kind::Interface:
        if (v.empty())
            return makeError(VEDAMIS_ERR_CONFIG_VALUE, std::string(info.name) + " must not be empty");
        storeValue(key, toUpper(v));
        return {};
    case Kind::Address: {
        int64_t address = 0;
        if (!parseAddress(v, address))
            return makeError(VEDAMIS_ERR_CONFIG_VALUE, std::string(info.name) + " needs an address 0x0000..0xFFFF, not '" +
                                                           std::string(v) + "'");
        storeValue(key, addressText(address), address);
        return {};
    }
    case Kind::Number: {
        int64_t number = 0;
        auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), number);
        if (v.empty() || ec != std::errc() || ptr != v.data() + v.size())
            return makeError(VEDAMIS_ERR_CONFIG_VALUE,
                             std::string(info.name) + " needs a number, not '" + std::string(v) + "'");
        if (number < info.min || number > info.max)
            return makeError(VEDAMIS_ERR_CONFIG_VALUE, std::string(info.name) + " must be " + std::to_string(info.min) +
                                                           ".." + std::to_string(info.max));
        storeValue(key, std::to_string(number));
        return {};
    }
    }
    return {};
}

Error Config::get(std::string_view name, std::string &value) const
{
    ConfigKey key;
    if (!findKey(name, key))
        return makeError(VEDAMIS_ERR_CONFIG_UNKNOWN, std::string(trim(name)));
    value = m_values[static_cast<size_t>(key)];
    return {};
}

void Config::storeValue(ConfigKey key, std::string value, int64_t number)
{
    m_numbers[static_cast<size_t>(key)] = number;
    m_values[static_cast<size_t>(key)] = std::move(value);
}

void Config::storeValue(ConfigKey key, std::string value)
{
    // A text that does not start with a number reads as 0.
    int64_t number = 0;
    std::from_chars(value.data(), value.data() + value.size(), number);
    m_numbers[static_cast<size_t>(key)] = number;
    m_values[static_cast<size_t>(key)] = std::move(value);
}

bool Config::simulationActive() const
{
    return number(ConfigKey::Simulation) == 1 || text(ConfigKey::Interface) == "SIMULATION";
}

} // namespace vedamis
