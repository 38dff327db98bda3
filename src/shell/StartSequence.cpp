#include "shell/StartSequence.h"

#include "runtime/RuntimeSession.h"
#include "shell/DialogService.h"
#include "shell/InstanceRegistry.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

QString programTitle()
{
    return QStringLiteral("Kitbox32");
}

StartSequence::StartSequence(Settings &settings, TextCatalogue &texts, DialogService &dialogs, RuntimeSession &runtime,
                             InstanceRegistry &registry)
    : m_settings(settings), m_texts(texts), m_dialogs(dialogs), m_runtime(runtime), m_registry(registry)
{
}

StartSequence::Outcome StartSequence::start(const SettingsLocations &locations, int screenWidthPixels,
                                            const QString &rawCommandLine)
{
    m_settings.readCommon(locations, screenWidthPixels);
    m_texts.selectLanguage(m_settings.options().language);

    const ParsedCommandLine parsed = parseCommandLine(rawCommandLine);
    m_commandLine = parsed.commandLine;
    m_option = parsed.option;

    m_decision = selectInstance(programTitle(), m_option.instance, m_settings.options().multiInstanceRequested(),
                                [this](int number) { return m_registry.isTaken(number); });
    switch (m_decision.action) {
    case InstanceDecision::Action::ActivateOtherAndExit:
        // Errors while activating are of no concern: this process ends anyway.
        m_registry.activate(m_decision.runningInstance);
        return Outcome::ActivatedOther;
    case InstanceDecision::Action::ShowErrorAndExit:
        m_dialogs.message(m_texts.text(m_decision.errorTextId), programTitle(), MessageIcon::Critical);
        return Outcome::Failed;
    case InstanceDecision::Action::Run:
        break;
    }

    if (m_option.instance >= 1) {
        m_settings.options().multiInstanz = QStringLiteral("J");
        m_settings.setInterfaceTexts(m_option.instance, m_option.texts);
    }
    m_settings.setInstance(m_decision.instanceNumber, m_decision.multiInstance);

    const InterfaceTexts texts =
        m_decision.multiInstance ? m_settings.interfaceTexts(m_decision.instanceNumber) : InterfaceTexts{};
    if (!m_runtime.open(m_decision.multiInstance, texts))
        return Outcome::Failed;

    if (m_decision.multiInstance && m_decision.instanceNumber >= 1) {
        m_settings.readInstance(m_decision.instanceNumber);
        m_texts.selectLanguage(m_settings.options().language);
    }

    // From now on other starts find this instance under its caption. A lost
    // race for the number shows up here; the window still runs.
    (void)m_registry.listen(m_decision.instanceNumber);
    m_started = true;
    return Outcome::Run;
}

bool StartSequence::saveSettings(const SettingsLocations &locations)
{
    const Result<QString> saved = m_settings.save(locations);
    if (saved)
        return true;
    m_dialogs.message(m_texts.text(76) + QStringLiteral("\r\n") + QString::fromStdString(saved.error()),
                      QStringLiteral("Save_Ini"), MessageIcon::Information);
    return false;
}

void StartSequence::shutDown(const SettingsLocations &locations)
{
    if (!m_started)
        return;
    m_started = false;
    saveSettings(locations);
    m_runtime.close();
    m_registry.stopListening();
}

} // namespace kitbox
