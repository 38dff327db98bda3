#include "shell/StartArguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>

namespace kitbox {

ProgramArguments parseProgramArguments(const QStringList &arguments)
{
    ProgramArguments result;
    result.commandLine = arguments.mid(1).join(QLatin1Char(' '));
    // Only an argument that starts like an option can ask for version or
    // help; without one (an ordinary start) the parser is not set up at all.
    if (std::none_of(arguments.cbegin() + qMin<qsizetype>(1, arguments.size()), arguments.cend(),
                     [](const QString &argument) { return argument.startsWith(QLatin1Char('-')); }))
        return result;

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Workbench for ECU descriptions: load a description, run its jobs, read the results."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program version and ends."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Description (.prg), group (.grp) or test file (.tst) to open."));
    parser.addPositionalArgument(
        QStringLiteral("levels"),
        QStringLiteral("After a test file: ApiTrace and IfhTrace level; runs the test and ends the program."),
        QStringLiteral("[apitrace [ifhtrace]]"));
    parser.addPositionalArgument(
        QStringLiteral("-INTERFACEnn=a,b,c,d"),
        QStringLiteral("Runs as instance nn (01..09) with the four runtime interface texts a, b, c, d."));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    // The program's own command line (-INTERFACE01=...) is no option of the
    // parser; a failed parse simply means an ordinary run.
    if (!parser.parse(arguments))
        return result;
    if (parser.isSet(help)) {
        result.request = ProgramArguments::Request::Help;
        result.output = parser.helpText();
        result.output.replace(QStringLiteral("<executable_name>"), QStringLiteral("kitbox32"));
    } else if (parser.isSet(version)) {
        result.request = ProgramArguments::Request::Version;
        const QString name = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("kitbox32")
                                                                           : QCoreApplication::applicationName();
        result.output = name + QLatin1Char(' ') + QStringLiteral(KITBOX_VERSION) + QLatin1Char('\n');
    }
    return result;
}

QString commandLineFile(const QString &commandLine)
{
    const qsizetype dot = commandLine.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return commandLine.left(dot + 4);
}

BatchTrace batchTrace(const QString &commandLine)
{
    BatchTrace result;
    const qsizetype at = commandLine.toUpper().indexOf(QStringLiteral(".TST"));
    if (at < 0)
        return result;
    const QString rest = commandLine.mid(at + 4).trimmed();
    if (rest.isEmpty())
        return result;
    result.present = true;
    const qsizetype blank = rest.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        result.apiTrace = rest;
        result.ifhTrace = QStringLiteral("0");
    } else {
        result.apiTrace = rest.left(blank);
        result.ifhTrace = rest.mid(blank + 1).trimmed();
    }
    return result;
}

QString droppedFileName(const QString &name)
{
    const qsizetype quote = name.indexOf(QLatin1Char('"'));
    const QString from = quote >= 0 ? name.mid(quote + 1) : name;
    const qsizetype dot = from.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return from.left(dot + 4);
}

OpenFileKind openFileKind(const QString &path)
{
    const QString upper = path.toUpper();
    if (upper.contains(QStringLiteral(".PRG")) || upper.contains(QStringLiteral(".GRP")))
        return OpenFileKind::Description;
    if (upper.contains(QStringLiteral(".TST")))
        return OpenFileKind::Test;
    return OpenFileKind::Other;
}

} // namespace kitbox
