#include "runtime/RuntimeConfiguration.h"

#include "runtime/RuntimeSession.h"

namespace kitbox {

const std::array<QString, 8> &RuntimeConfiguration::displayKeys()
{
    static const std::array<QString, 8> keys = {
        QStringLiteral("VedamisVersion"), QStringLiteral("IfhVersion"),     QStringLiteral("Interface"),
        QStringLiteral("BipDebugLevel"),  QStringLiteral("VedamisIniPath"), QStringLiteral("EcuPath"),
        QStringLiteral("SimulationPath"), QStringLiteral("TracePath")};
    return keys;
}

const std::array<QString, 6> &RuntimeConfiguration::optionNames()
{
    static const std::array<QString, 6> names = {QStringLiteral("Simulation"),    QStringLiteral("IfhTrace"),
                                                 QStringLiteral("RetryComm"),     QStringLiteral("SystemResults"),
                                                 QStringLiteral("UbattHandling"), QStringLiteral("IgnitionHandling")};
    return names;
}

RuntimeConfiguration::RuntimeConfiguration(RuntimeSession &runtime) : m_runtime(runtime) {}

OptionState RuntimeConfiguration::stateOf(int option, const QString &value)
{
    OptionState state;
    state.set = value.trimmed() != QLatin1String("0");
    if (option == traceOption && state.set) {
        state.levelOffered = true;
        bool number = false;
        const int level = value.trimmed().toInt(&number);
        state.levelButton = number && level >= 1 && level <= 3 ? level - 1 : -1;
    }
    return state;
}

ConfigurationValues RuntimeConfiguration::read()
{
    ConfigurationValues values;
    for (size_t i = 0; i < values.values.size(); ++i)
        values.values[i] = m_runtime.configValue(displayKeys()[i]);
    for (int i = 0; i < optionCount; ++i)
        values.options[size_t(i)] = stateOf(i, m_runtime.configValue(optionNames()[size_t(i)]));
    return values;
}

OptionState RuntimeConfiguration::apply(int option, bool set, int levelButton)
{
    if (option < 0 || option >= optionCount)
        return {};
    const QString &name = optionNames()[size_t(option)];
    QString value = set ? QStringLiteral("1") : QStringLiteral("0");
    // A trace level no button stands for is sent as the lowest level.
    if (option == traceOption && set)
        value = QString::number(levelButton >= 0 && levelButton <= 2 ? levelButton + 1 : 1);
    // A refused value shows no message: the read-back shows the real state.
    (void)m_runtime.setConfigValue(name, value);
    const OptionState state = stateOf(option, m_runtime.configValue(name));
    if (option == simulationOption)
        m_runtime.api().apiBreak();
    return state;
}

} // namespace kitbox
