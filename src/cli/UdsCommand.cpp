#include "cli/UdsCommand.h"

#include "catalogue/JobCatalogue.h"
#include "catalogue/JobWindowRules.h"
#include "cli/CliDialogService.h"
#include "cli/CliLoading.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "uds/ControlAssistant.h"
#include "uds/StatusReadAssistant.h"
#include "uds/UdsResultPreview.h"


namespace kitbox {

namespace {

constexpr int exitUsage = 1;
constexpr int exitNoFunction = 3;
constexpr int exitInvalidValue = 4;

void printResult(const QString &argument, const JobCatalogue &catalogue, const QString &job, QTextStream &out)
{
    out << argument << '\n';
    for (const QString &line : UdsResultPreview::lines(catalogue, job, argument))
        out << line << '\n';
    out.flush();
}

QString optionList(const QList<ControlAssistant::ParameterOption> &options)
{
    QStringList captions;
    for (const ControlAssistant::ParameterOption &o : options)
        if (o.visible)
            captions << o.caption;
    return captions.join(QStringLiteral(", "));
}

} // namespace

QString udsUsage()
{
    return QStringLiteral(
        "usage: kitbox32-cli uds FILE --job JOB [--select COLUMN] [--info] --function NAME... [options]\n"
        "  FILE               description (.prg) or group file (.grp); a bare name is looked up in EcuPath\n"
        "  --job JOB          STATUS_LESEN, STEUERN, STEUERN_IO or STEUERN_ROUTINE\n"
        "  --select COLUMN    the column that names the functions: LABEL (default), ID or ARG\n"
        "  --info             list entries carry a second column (as the assistants' check box)\n"
        "  --function NAME    a function of SG_FUNKTIONEN by the chosen column; repeat it for\n"
        "                     STATUS_LESEN, once for the control jobs\n"
        "  --param P          control parameter: RCTECU, RTD, FCS or STA (STEUERN_IO, default STA);\n"
        "                     STR, STPR or RRR (STEUERN_ROUTINE, default STR)\n"
        "  --value V          the next argument value of the function, in the order of its argument\n"
        "                     table; a 0-n value by its text or its number\n"
        "  --language de|en   language of the messages\n"
        "Prints the composed argument text, then the result names the job will deliver for it\n"
        "(a \"------ \" header line per function). Exit code 0; 1 for a wrong command line or a\n"
        "description that cannot be loaded; 3 when a function is not offered for the job (or the\n"
        "description has no SG_FUNKTIONEN); 4 when a value is not valid for its argument (the\n"
        "first one is named).\n");
}

Result<UdsRequest> parseUdsArguments(const QStringList &words)
{
    using R = Result<UdsRequest>;
    UdsRequest request;
    QStringList positional;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word == u"--info") {
            request.info = true;
            continue;
        }
        if (word == u"--job" || word == u"--select" || word == u"--function" || word == u"--param" ||
            word == u"--value" || word == u"--language") {
            if (i + 1 >= words.size())
                return R::failure(word.toStdString() + " needs a value");
            const QString v = words.at(++i);
            if (word == u"--job") {
                request.job = v.trimmed();
            } else if (word == u"--select") {
                const QString selector = v.trimmed().toUpper();
                if (!UdsFunctionList::columnCaptions().contains(selector))
                    return R::failure("--select takes LABEL, ID or ARG, not \"" + v.toStdString() + "\"");
                request.selector = selector;
            } else if (word == u"--function") {
                request.functions << v;
            } else if (word == u"--param") {
                request.parameter = v.trimmed().toUpper();
            } else if (word == u"--value") {
                request.values << v;
            } else {
                const QString lang = v.toLower();
                if (lang != u"de" && lang != u"en")
                    return R::failure("--language takes de or en, not \"" + v.toStdString() + "\"");
                request.language = lang;
            }
            continue;
        }
        if (word.startsWith(u"--") && word.size() > 2)
            return R::failure("unknown option " + word.toStdString());
        positional << word;
    }
    if (positional.size() != 1)
        return R::failure("uds needs exactly one FILE");
    request.file = positional.first();
    const JobWindowRules::AssistantChoice choice = JobWindowRules::assistantFor(request.job);
    if (choice.assistant == JobWindowRules::Assistant::None)
        return R::failure("--job must be STATUS_LESEN, STEUERN, STEUERN_IO or STEUERN_ROUTINE");
    if (choice.assistant == JobWindowRules::Assistant::Control) {
        if (request.functions.size() != 1)
            return R::failure("a control job takes exactly one --function");
    } else if (!request.parameter.isEmpty() || !request.values.isEmpty()) {
        return R::failure("STATUS_LESEN takes no --param and no --value");
    }
    return request;
}

int composeUds(const UdsRequest &request, const JobCatalogue &catalogue, const TextCatalogue &texts, QTextStream &out,
               QTextStream &err)
{
    const JobWindowRules::AssistantChoice choice = JobWindowRules::assistantFor(request.job);
    const int column = UdsFunctionList::columnOption(request.selector);
    if (choice.assistant == JobWindowRules::Assistant::StatusRead) {
        StatusReadAssistant assistant(catalogue);
        assistant.setInfo(request.info);
        assistant.setColumn(column);
        for (const QString &function : request.functions)
            if (!assistant.selectByName(function)) {
                const QString first = assistant.entries().value(0).text;
                if (UdsFunctionList::isMessage(first))
                    err << function << ": " << first << Qt::endl;
                else
                    err << function << ": no function of service 22 with this " << assistant.selector() << Qt::endl;
                return exitNoFunction;
            }
        printResult(assistant.compose(), catalogue, request.job, out);
        return 0;
    }

    ControlAssistant assistant(catalogue, texts, choice.service);
    assistant.open(QString());
    assistant.setInfo(request.info);
    assistant.setColumn(column);
    const QString function = request.functions.value(0);
    if (!assistant.selectStatusByName(function)) {
        const QString first = assistant.statusEntries().value(0).text;
        if (UdsFunctionList::isMessage(first))
            err << function << ": " << first << Qt::endl;
        else
            err << function << ": no function of service " << choice.service << " with this " << assistant.selector()
                << Qt::endl;
        return exitNoFunction;
    }
    if (!request.parameter.isEmpty()) {
        if (!assistant.parameterFrameVisible()) {
            err << ControlAssistant::jobName(choice.service) << " takes no control parameter" << Qt::endl;
            return exitUsage;
        }
        if (!assistant.selectParameter(request.parameter)) {
            err << "--param takes " << optionList(assistant.parameterOptions()) << ", not \"" << request.parameter
                << "\"" << Qt::endl;
            return exitUsage;
        }
    }
    if (!assistant.gridShown()) {
        err << QString(assistant.gridErrorText()).replace(u'\r', u' ').simplified() << Qt::endl;
        if (!request.values.isEmpty())
            return exitUsage;
    } else if (request.values.size() > assistant.rows().size()) {
        err << request.values.size() << " values given, " << function << " takes " << assistant.rows().size()
            << " with " << (assistant.controlParameter().isEmpty() ? QStringLiteral("-") : assistant.controlParameter())
            << Qt::endl;
        return exitUsage;
    }
    for (qsizetype i = 0; i < request.values.size(); ++i)
        assistant.fillValue(int(i), request.values.at(i));
    const int invalid = assistant.firstInvalidValue();
    if (invalid >= 0) {
        const UdsArgumentRow &row = assistant.rows().at(invalid);
        err << texts.text(609) << ' ' << (invalid + 1) << " (" << row.arg << "): \"" << request.values.value(invalid)
            << "\" is not a valid value (" << row.datentyp << ", MIN " << row.min << ", MAX " << row.max
            << ", EINHEIT " << row.einheit << ")" << Qt::endl;
        return exitInvalidValue;
    }
    const ControlAssistant::Composed composed = assistant.compose();
    if (!composed.ok) {
        err << composed.error << Qt::endl;
        return exitNoFunction;
    }
    printResult(composed.text, catalogue, request.job, out);
    return 0;
}

int udsCommandMain(const QStringList &words, QTextStream &out, QTextStream &err)
{
    if (words.contains(QStringLiteral("--help")) || words.contains(QStringLiteral("-h"))) {
        out << udsUsage();
        out.flush();
        return 0;
    }
    auto request = parseUdsArguments(words);
    if (!request) {
        err << QString::fromStdString(request.error()) << "\n" << udsUsage();
        err.flush();
        return exitUsage;
    }
    return runWithCliSession(err, [&](CliSession &session) {
        UdsRequest &r = request.value();
        r.settingsFilePath = session.settingsFilePath;
        Settings settings;
        ConsoleHost host(err);
        JobCatalogue catalogue;
        if (!loadForCli({r.settingsFilePath, r.language, resolveDescription(r.file, session.api)}, session.api,
                        session.sifter, session.dialogs, settings, catalogue, host))
            return exitUsage;
        return composeUds(r, catalogue, TextCatalogue::shared(), out, err);
    });
}

} // namespace kitbox
