#pragma once
// The rules of the runtime configuration window: the eight values it shows,
// the six options it switches, and applying an option so that the window
// shows what the runtime accepted rather than what was asked for.
#include <QString>
#include <QStringList>

#include <array>

namespace kitbox {

class RuntimeSession;

// The state of one option box as the runtime reports it.
struct OptionState {
    bool set = false;
    bool levelOffered = false; // the trace level frame (IfhTrace only)
    int levelButton = -1;      // 0..2, or -1 for a level no button stands for
    friend bool operator==(const OptionState &, const OptionState &) = default;
};

struct ConfigurationValues {
    std::array<QString, 8> values;
    std::array<OptionState, 6> options;
};

class RuntimeConfiguration {
public:
    static constexpr int optionCount = 6;
    static constexpr int simulationOption = 0;
    static constexpr int traceOption = 1;

    static const std::array<QString, 8> &displayKeys();
    static const std::array<QString, 6> &optionNames();

    explicit RuntimeConfiguration(RuntimeSession &runtime);

    ConfigurationValues read();
    // Sends option i with the box's new state (and, for the trace, the level
    // button chosen) and returns the state read back. Switching the
    // simulation stops a running job.
    OptionState apply(int option, bool set, int levelButton);

    // How a configuration value shows in option i's box: "0" clears it,
    // anything else (an unreadable value too) sets it.
    static OptionState stateOf(int option, const QString &value);

private:
    RuntimeSession &m_runtime;
};

} // namespace kitbox
