#include "cli/RunCommand.h"

#include "catalogue/FileLookup.h"
#include "catalogue/SifterApi.h"
#include "cli/CliDialogService.h"
#include "cli/CliLoading.h"
#include "execution/ErgebnisAusgabe.h"
#include "execution/FehlerspeicherAusgabe.h"
#include "execution/JobParameter.h"
#include "runtime/RuntimeBackend.h"
#include "shell/Clock.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace kitbox {

namespace {

constexpr int textErrorLabel = 116;
constexpr int textFilterNotice = 117;
constexpr int maxRepeat = 1000000;
constexpr int maxPauseMs = 3600000;

Result<int> boundedNumber(const QString &option, const QString &text, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return Result<int>::failure(option.toStdString() + " needs a number from " + std::to_string(minimum) +
                                    " to " + std::to_string(maximum) + ", not \"" + text.toStdString() + "\"");
    return value;
}

}  // namespace

QString runUsage()
{
    return QStringLiteral(
        "usage: kitbox32-cli run FILE JOB [ARGUMENTS] [RESULTS] [options]\n"
        "  FILE               description (.prg) or group file (.grp); a bare name is looked up in EcuPath\n"
        "  JOB                a job of its job list (any case), or the runtime's _JOBS or _VERSIONINFO\n"
        "  ARGUMENTS          argument text, arguments separated by ';' (hex bytes with --data)\n"
        "  RESULTS            result filter, names separated by ';'\n"
        "  --data             pass ARGUMENTS as data bytes (\"01 02\" or \"0102\", at most 1025 bytes)\n"
        "  --sort-by N;N      group each result set in this order, other results last\n"
        "  --uds-filter LIST  leave out _EINH, _INFO and/or _TEXT results of a UDS description\n"
        "                     (LIST: EINH,INFO,TEXT; an empty LIST shows them all)\n"
        "  --language de|en   language of the report's texts\n"
        "  --fault-mode N     fault-memory report options (ZEMO_FS_MODE, 0 to 65535); with bit 256\n"
        "                     fs_lesen, is_lesen and hs_lesen get the fault-memory report\n"
        "  --repeat N         run the job N times, printing each report\n"
        "  --pause MS         wait MS milliseconds between repeated runs\n"
        "The report goes to standard output with CR LF line ends. Exit code 0; 2 when a\n"
        "report ends with a runtime error line; 1 for a wrong command line or a description\n"
        "that cannot be loaded.\n");
}

Result<RunRequest> parseRunArguments(const QStringList &words)
{
    using R = Result<RunRequest>;
    RunRequest request;
    QStringList positional;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= words.size())
                return std::nullopt;
            return words.at(++i);
        };
        if (word == u"--data") {
            request.data = true;
        } else if (word == u"--sort-by" || word == u"--uds-filter" || word == u"--language" ||
                   word == u"--repeat" || word == u"--pause" || word == u"--fault-mode") {
            const auto v = value();
            if (!v)
                return R::failure(word.toStdString() + " needs a value");
            if (word == u"--sort-by") {
                request.sortBy = v->split(u';', Qt::SkipEmptyParts);
                for (QString &name : request.sortBy)
                    name = name.trimmed();
            } else if (word == u"--uds-filter") {
                QStringList hidden;
                for (const QString &part : v->split(u',', Qt::SkipEmptyParts)) {
                    const QString suffix = part.trimmed().toUpper();
                    if (suffix != u"EINH" && suffix != u"INFO" && suffix != u"TEXT")
                        return R::failure("--uds-filter takes EINH, INFO and TEXT, not \"" + part.toStdString() +
                                          "\"");
                    hidden << suffix;
                }
                request.udsHidden = hidden;
            } else if (word == u"--language") {
                const QString lang = v->toLower();
                if (lang != u"de" && lang != u"en")
                    return R::failure("--language takes de or en, not \"" + v->toStdString() + "\"");
                request.language = lang;
            } else if (word == u"--fault-mode") {
                const auto number = boundedNumber(word, *v, 0, 65535);
                if (!number)
                    return R::failure(number.error());
                request.faultMode = number.value();
            } else {
                const auto number = word == u"--repeat" ? boundedNumber(word, *v, 1, maxRepeat)
                                                        : boundedNumber(word, *v, 0, maxPauseMs);
                if (!number)
                    return R::failure(number.error());
                (word == u"--repeat" ? request.repeat : request.pauseMs) = number.value();
            }
        } else if (word.startsWith(u"--") && word.size() > 2) {
            return R::failure("unknown option " + word.toStdString());
        } else {
            positional << word;
        }
    }
    if (positional.size() < 2 || positional.size() > 4)
        return R::failure("run needs FILE and JOB, and takes at most ARGUMENTS and RESULTS besides");
    request.file = positional.at(0);
    request.job = positional.at(1);
    request.arguments = positional.value(2);
    request.results = positional.value(3);
    return request;
}

namespace {

bool isRuntimeSystemJob(const QString &job)
{
    return job.compare(u"_JOBS", Qt::CaseInsensitive) == 0 || job.compare(u"_VERSIONINFO", Qt::CaseInsensitive) == 0;
}

} // namespace

int runRunCommand(const RunRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                  Clock &clock, QTextStream &out, QTextStream &err)
{
    Settings settings;
    ConsoleHost host(err);
    JobCatalogue catalogue;
    if (!loadForCli({request.settingsFilePath, request.language, resolveDescription(request.file, api)}, api, sifter,
                    dialogs, settings, catalogue, host))
        return 1;
    const ShellOptions &o = settings.options();
    TextCatalogue &texts = TextCatalogue::shared();
    const qsizetype index = catalogue.jobList.indexOf(request.job.toLower());
    // The runtime's own jobs are not in the job list, but answered for every
    // description; the command line runs them as the runtime's job tool does.
    const bool systemJob = isRuntimeSystemJob(request.job);
    if ((index < 0 && !systemJob) || JobCatalogue::isSeparator(request.job)) {
        err << request.job << ": " << texts.text(70) << Qt::endl;
        return 1;
    }

    // The job window as the user would have filled it.
    JobSelection selection;
    selection.entry = index >= 0 ? catalogue.jobList.at(index) : request.job.toUpper();
    selection.index = qint32(index);
    selection.argumentText = request.arguments;
    selection.dataFlag = request.data;
    selection.resultText = request.results;
    auto gathered = jobParameterHolen(selection, catalogue.loadedName);
    if (!gathered) {
        err << QString::fromStdString(gathered.error()) << Qt::endl;
        return 1;
    }
    const JobParameter job = std::move(gathered).value();

    ReportOptions report;
    report.uds.udsDescription = catalogue.isUdsSgbd;
    if (request.udsHidden) {
        report.uds.einh = !request.udsHidden->contains(QStringLiteral("EINH"));
        report.uds.info = !request.udsHidden->contains(QStringLiteral("INFO"));
        report.uds.text = !request.udsHidden->contains(QStringLiteral("TEXT"));
    } else {
        report.uds.einh = o.udsEinh;
        report.uds.info = o.udsInfo;
        report.uds.text = o.udsText;
    }
    for (const QString &name : request.sortBy)
        report.order << name.toLower();
    report.errorLabel = texts.text(textErrorLabel);
    report.filterNotice = texts.text(textFilterNotice);

    ErgebnisAusgabe builder(api);
    FehlerspeicherAusgabe faultMemory(api, texts, clock);
    const int faultMode = request.faultMode.value_or(o.zemoFsMode);
    const bool faultMemoryRun = FehlerspeicherAusgabe::appliesTo(job.job, faultMode);
    bool runtimeError = false;
    for (int pass = 0; pass < request.repeat; ++pass) {
        if (pass > 0 && request.pauseMs > 0)
            clock.wait(request.pauseMs);
        if (faultMemoryRun) {
            out << faultMemory.build(job.sgbd, job.job, faultMode);
            runtimeError = runtimeError || faultMemory.lastErrorCode() != 0;
        } else {
            out << builder.build(job, report);
            runtimeError = runtimeError || builder.lastErrorCode() != 0;
        }
        out.flush();
    }
    return runtimeError ? 2 : 0;
}

int runCommandMain(const QStringList &words, QTextStream &out, QTextStream &err)
{
    if (words.contains(QStringLiteral("--help")) || words.contains(QStringLiteral("-h"))) {
        out << runUsage();
        out.flush();
        return 0;
    }
    auto request = parseRunArguments(words);
    if (!request) {
        err << QString::fromStdString(request.error()) << "\n" << runUsage();
        err.flush();
        return 1;
    }
    return runWithCliSession(err, [&](CliSession &session) {
        request.value().settingsFilePath = session.settingsFilePath;
        SystemClock clock;
        return runRunCommand(request.value(), session.api, session.sifter, session.dialogs, clock, out, err);
    });
}

}  // namespace kitbox
