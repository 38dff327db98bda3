// kitbox32: the workbench's window program.
//
// Environment:
//   KITBOX_RUNTIME_LIBRARY  run on a runtime library loaded from this path instead of the built-in engine
//   KITBOX_SIFTER_LIBRARY   locate descriptions with a locator library loaded from this path instead of the built-in
//   one KITBOX_EXIT_WHEN_SHOWN  when set to 1, print "shown" and end as soon as the main window is first painted
//                           (used to measure the start-up time; the settings are not written then)
#include "FontWarmUp.h"
#include "StartStyle.h"
#include "catalogue/KitBoxCatalogue.h"
#include "catalogue/KitBoxTables.h"
#include "catalogue/SifterApi.h"
#include "execution/KitBoxExecution.h"
#include "runtime/KitBoxRuntimeConfig.h"
#include "runtime/RuntimeBackend.h"
#include "runtime/RuntimeSession.h"
#include "shell/Clock.h"
#include "shell/InstanceRegistry.h"
#include "shell/KitBox.h"
#include "shell/KitBoxDialogService.h"
#include "shell/KitBoxFonts.h"
#include "shell/KitBoxHelp.h"
#include "shell/KitBoxOptions.h"
#include "shell/KitBoxPictures.h"
#include "shell/KitBoxPrinting.h"
#include "shell/Settings.h"
#include "shell/StartArguments.h"
#include "shell/StartHeap.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/KitBoxTest.h"
#include "trace/KitBoxTrace.h"
#include "uds/KitBoxUdsAssistants.h"
#include "uds/KitBoxUdsCheck.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <QThread>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

using namespace kitbox;

int main(int argc, char *argv[])
{
    // How memory is handed out is settled before any thread exists.
    const StartHeap heap(std::size_t(1) << 20);
    // --help and --version need nothing else (an ordinary command line is
    // told apart without setting up a parser).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ProgramArguments program = parseProgramArguments(arguments);
    if (program.request != ProgramArguments::Request::Run) {
        std::fputs(program.output.toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Then, first of all, the font configuration: the longest way to the
    // window. The texts are read there too, before the fonts: the window
    // needs them only after the application object exists.
    // Qt takes the first thread that asks for its thread data as the main
    // thread; the font thread reads files at once, so this thread asks first.
    // Otherwise the window's events can go to the font thread's dispatcher and
    // the window stops answering.
    (void)QThread::currentThread();
    FontWarmUp fonts(heap, [] { (void)TextCatalogue::shared(); });
    heap.populate();

    QApplication app(argc, argv);
    // Then, beside building the window, the start picture's pixel memory.
    const FontWarmUp::DatabaseFill fontDatabase(
        fonts, [ratio = app.devicePixelRatio()] { preparePictureMemory(KitBox::startPictureSize, ratio); });
    QApplication::setApplicationName(QStringLiteral("kitbox32"));
    QApplication::setApplicationVersion(QStringLiteral(KITBOX_VERSION));
    QApplication::setOrganizationName(QStringLiteral(KITBOX_COMPANY));
    QApplication::setStyle(new StartStyle);
    QApplication::setFont(workbenchFont(QApplication::font()));

    KitBoxDialogService dialogs;
    TextCatalogue &texts = TextCatalogue::shared();
    texts.setMissingTextHandler([&dialogs](const QString &title, const QString &message) {
        dialogs.message(message, title, MessageIcon::Information);
    });

    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    auto runtime = createRuntime(environment);
    if (!runtime) {
        dialogs.message(QString::fromStdString(runtime.error()), programTitle(), MessageIcon::Critical);
        return 1;
    }

    Settings settings;
    RuntimeSession session(*runtime.value(), dialogs, texts);
    InstanceRegistry registry(programTitle());
    SystemClock clock;
    KitBoxServices services{settings,
                            texts,
                            dialogs,
                            session,
                            registry,
                            clock,
                            SettingsLocations::fromEnvironment(QCoreApplication::applicationFilePath()),
                            [] { return printersInstalled(); }};
    KitBox window(services);
    // Loading descriptions, the job window and the ECU information box.
    auto sifter = createSifter(environment);
    if (!sifter) {
        dialogs.message(QString::fromStdString(sifter.error()), programTitle(), MessageIcon::Critical);
        return 1;
    }
    KitBoxCatalogue catalogue(window, services, session.api(), *sifter.value());
    // Running jobs once or continuously into the results window.
    KitBoxExecution execution(window, services, session.api(), catalogue);
    // The table viewer and the job information window.
    KitBoxTables tables(window, services, catalogue);
    // The runtime configuration window, the trace window and the simulation editor.
    KitBoxRuntimeConfig runtimeConfig(window, services);
    KitBoxTrace trace(window, services, catalogue);
    QObject::connect(&runtimeConfig, &KitBoxRuntimeConfig::simulationSwitched, &trace, &KitBoxTrace::loadSimulation);
    QObject::connect(&runtimeConfig, &KitBoxRuntimeConfig::traceSwitched, &trace, &KitBoxTrace::showTrace);
    // The UDS argument assistants and result preview of the job window.
    KitBoxUdsAssistants udsAssistants(catalogue, texts, dialogs, clock);
    // The UDS function-table check of the loaded description.
    KitBoxUdsCheck udsCheck(window, services, catalogue);
    // The program options window.
    KitBoxOptions programOptions(window, services);
    QObject::connect(&programOptions, &KitBoxOptions::detailOptionsChanged, &catalogue,
                     &KitBoxCatalogue::refillCatalogue);
    // The open windows take the new language at once, as the menus do.
    QObject::connect(&programOptions, &KitBoxOptions::languageApplied, &window, [&catalogue, &tables] {
        if (Job_Form *form = catalogue.jobForm())
            form->applyTexts();
        if (Tab_Form *form = tables.tableViewer())
            form->applyTexts();
        if (Com_Form *form = tables.jobInfoWindow())
            form->applyTexts();
    });
    // The help menu and the About box, with the sizes of the loaded description's text stores.
    KitBoxHelp help(window, services, [&catalogue] {
        const JobCatalogue &c = catalogue.catalogue();
        auto total = [](const QStringList &texts) {
            qint64 sum = 0;
            for (const QString &t : texts)
                sum += t.size();
            return sum;
        };
        qint64 tables = 0;
        for (const TableDescription &t : c.tables)
            tables += t.length;
        return std::array<qint64, 4>{total(c.argSummary), total(c.resultNames), total(c.jobInfo), tables};
    });
    // The test editor, the test file commands, the test run and the batch run.
    KitBoxTest testMatrix(window, services);
    testMatrix.setUdsDescriptionQuery([&catalogue] { return catalogue.catalogue().isUdsSgbd; });
    QObject::connect(&programOptions, &KitBoxOptions::languageApplied, &window, [&testMatrix] {
        if (Tst_Form *form = testMatrix.editor())
            form->applyTexts();
    });
    dialogs.setParent(&window);
    QObject::connect(&registry, &InstanceRegistry::raiseRequested, &window, [&window] {
        if (window.isMinimized())
            window.showNormal();
        window.raise();
        window.activateWindow();
    });

    // The settings, the instance check and the runtime start go on beside the
    // font thread; the window waits for it only before it measures text (see
    // FontWarmUp::waitForConfiguration).
    switch (window.load(program.commandLine, [&fonts] { fonts.waitForConfiguration(); })) {
    case StartSequence::Outcome::Run:
        break;
    case StartSequence::Outcome::ActivatedOther:
        return 0;
    case StartSequence::Outcome::Failed:
        return 1;
    }
    if (environment.value(QStringLiteral("KITBOX_EXIT_WHEN_SHOWN")) == QLatin1String("1")) {
        // Ends at once when the first frame is painted: this measures the start,
        // nothing after it (no settings are written, the runtime is not ended).
        QObject::connect(&window, &KitBox::firstShown, [] {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        });
    }
    window.show();
    return QApplication::exec();
}
