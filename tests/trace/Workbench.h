#pragma once
// The main window offscreen with the job catalogue and the trace part, the
// real runtime and locator behind them and the scripted dialog service
// answering: the frame the window tests of the trace and UDS parts share.
#include "Support.h"
#include "catalogue/KitBoxCatalogue.h"
#include "catalogue/SifterApi.h"
#include "runtime/InProcessVedamisApi.h"
#include "runtime/RuntimeSession.h"
#include "shell/FakeClock.h"
#include "shell/InstanceRegistry.h"
#include "shell/KitBox.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "trace/KitBoxTrace.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace kitbox::test {

inline QString demoFile(const QString &name)
{
    return QStringLiteral(KITBOX_DATA_DIR "/") + name;
}

struct Workbench {
    // simulationPath: when given, the runtime is started on it before the window
    // exists.
    explicit Workbench(const QString &instanceName, const QString &simulationPath = QString())
        : registry{instanceName, nullptr, dir.path()}
    {
        EXPECT_TRUE(dir.isValid());
        EXPECT_TRUE(texts.loadBuiltIn().ok());
        if (!simulationPath.isEmpty()) {
            EXPECT_TRUE(api.apiInit());
            EXPECT_TRUE(api.apiSetConfig(QStringLiteral("SimulationPath"), simulationPath));
        }
        locations.userConfigDir = dir.filePath(QStringLiteral("config"));
        locations.programDirectory = dir.filePath(QStringLiteral("bin"));
        locations.fileName = QStringLiteral("kitbox32.INI");
        auto created = createSifter(QProcessEnvironment());
        EXPECT_TRUE(created.ok()) << created.error();
        sifter = std::move(created).value();
        session = std::make_unique<RuntimeSession>(api, dialogs, texts);
        window = std::make_unique<KitBox>(services());
        catalogue = std::make_unique<KitBoxCatalogue>(*window, services(), api, *sifter);
        trace = std::make_unique<KitBoxTrace>(*window, services(), *catalogue);
    }
    virtual ~Workbench()
    {
        trace.reset();
        catalogue.reset();
        window.reset();
        api.apiEnd();
    }
    KitBoxServices services()
    {
        return {settings, texts, dialogs, *session, registry, clock, locations, [] { return false; }};
    }

    QTemporaryDir dir;
    TextCatalogue texts;
    InProcessVedamisApi api;
    std::unique_ptr<SifterApi> sifter;
    ScriptedDialogService dialogs;
    Settings settings;
    FakeClock clock{QDateTime(QDate(2026, 12, 5), QTime(10, 0))};
    InstanceRegistry registry;
    SettingsLocations locations;
    std::unique_ptr<RuntimeSession> session;
    std::unique_ptr<KitBox> window;
    std::unique_ptr<KitBoxCatalogue> catalogue;
    std::unique_ptr<KitBoxTrace> trace;
};

} // namespace kitbox::test
