#pragma once
// Start-up and shut-down of the program without the window: settings, the
// command line, the choice of the instance, the runtime session, and the
// save at exit. The main window runs it from its load and unload and shows
// the outcome.
#include "shell/InstanceSelection.h"
#include "shell/InterfaceOption.h"
#include "shell/Settings.h"

#include <QString>

class InstanceRegistry;
class TextCatalogue;

namespace kitbox {

class DialogService;
class RuntimeSession;

// Title of the program; instance captions are built from it.
QString programTitle();

class StartSequence {
public:
    enum class Outcome {
        Run,            // the window goes on loading
        ActivatedOther, // another instance was brought to the front; end without saving
        Failed,         // a start failure was shown; end without saving
    };

    StartSequence(Settings &settings, TextCatalogue &texts, DialogService &dialogs, RuntimeSession &runtime,
                  InstanceRegistry &registry);

    // Reads the settings, selects the language and the instance, opens the
    // runtime session and reads the instance's settings. rawCommandLine is the
    // text after the program name.
    Outcome start(const SettingsLocations &locations, int screenWidthPixels, const QString &rawCommandLine);

    // The command line without double quotes and without -INTERFACE.
    const QString &commandLine() const { return m_commandLine; }
    const InterfaceOption &interfaceOption() const { return m_option; }
    const QString &caption() const { return m_decision.caption; }
    int instanceNumber() const { return m_decision.instanceNumber; }
    bool multiInstance() const { return m_decision.multiInstance; }

    // Writes the settings; a file that cannot be written is reported (text 76,
    // title "Save_Ini") and false is returned.
    bool saveSettings(const SettingsLocations &locations);
    // Settings, then the end of the runtime session, as at unload.
    void shutDown(const SettingsLocations &locations);

private:
    Settings &m_settings;
    TextCatalogue &m_texts;
    DialogService &m_dialogs;
    RuntimeSession &m_runtime;
    InstanceRegistry &m_registry;
    QString m_commandLine;
    InterfaceOption m_option;
    InstanceDecision m_decision;
    bool m_started = false;
};

} // namespace kitbox
