#pragma once
// The session's configuration: a fixed set of names (matched without regard
// to case), each with a kind that validates and normalises its value.
// Values come from the built-in defaults, then the runtime's INI file, then
// the texts given at session start, then apiVBSetConfig.
#include "Errors.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedamis {

enum class ConfigKey {
    EcuPath,
    SimulationPath,
    TracePath,
    Simulation,
    Interface,
    IfhTrace,
    ApiTrace,
    RetryComm,
    SystemResults,
    UbattHandling,
    IgnitionHandling,
    BipDebugLevel,
    JobTimeout,
    JobMemoryLimit,
    Unit,
    Application,
    VedamisVersion,
    IfhVersion,
    VedamisIniPath,
    DoipHost,
    DoipPort,
    DoipTesterAddress,
    DoipEcuAddress,
    DoipDiscovery,
    DoipBroadcast,
    DoipControlTimeout,
    DoipP2,
    DoipP2Star,
    DoipTesterPresent,
    PcapFile,
    Count
};

class Config {
public:
    // Built-in defaults (paths relative to the running executable).
    Config();

    // Canonical spelling of a name, or nullptr when the name is unknown.
    static const char *canonicalName(ConfigKey key);
    static bool findKey(std::string_view name, ConfigKey &key);

    // Reads the INI file the runtime uses (VEDAMIS_INI, else the user's
    // config dir; none is fine). Fails with VEDAMIS_ERR_CONFIG_FILE naming
    // file and line when the file cannot be read or holds a bad entry.
    Error loadDefaultIni();
    Error loadIni(const std::string &path);
    // "Name=Value;Name=Value" (blanks around names and values are ignored).
    Error applySettings(std::string_view settings);

    Error set(std::string_view name, std::string_view value);
    Error get(std::string_view name, std::string &value) const;

    const std::string &text(ConfigKey key) const { return m_values[static_cast<size_t>(key)]; }
    // Numbers are parsed when set: a job asks for several of them.
    int64_t number(ConfigKey key) const { return m_numbers[static_cast<size_t>(key)]; }
    // The interface the session talks through (SIMULATION when simulation is on).
    bool simulationActive() const;

    // Where the INI file would be looked for, in order (used by the docs and tests).
    static std::string userIniPath();

private:
    Error setKey(ConfigKey key, std::string_view value, bool fromEngine);
    void storeValue(ConfigKey key, std::string value);
    void storeValue(ConfigKey key, std::string value, int64_t number);
    std::vector<std::string> m_values;
    std::array<int64_t, static_cast<size_t>(ConfigKey::Count)> m_numbers{}; // the values read as numbers
};

std::string executableDirectory();
// A 16-bit address written as 0x0E00 or 3584.
bool parseAddress(std::string_view text, int64_t &value);

} // namespace vedamis
