#include "cli/RecordSimCommand.h"

#include "shell/TextCatalogue.h"
#include "trace/SimulationRecorder.h"

#include <QFile>
#include <QFileInfo>

namespace kitbox {

QString recordSimUsage()
{
    return QStringLiteral(
        "usage: kitbox32-cli record-sim TRACE -o NAME.SIM [--description NAME] [--force] [--language de|en]\n"
        "  Turns the telegrams of an interface trace (IFH.TRC written at IfhTrace 1 or higher)\n"
        "  into a simulation file: one entry per request, its answers in the order recorded.\n"
        "  -o FILE             the simulation file to write\n"
        "  --description NAME  only the telegrams of jobs called for NAME (default: the\n"
        "                      base name of the output file)\n"
        "  --force             replace an existing output file\n"
        "  --language de|en    language of the summary line\n"
        "exit codes: 0 written, 1 the trace cannot be read or holds no telegrams,\n"
        "            2 wrong command line, 3 the output exists (without --force) or cannot be written\n");
}

int recordSimCommandMain(const QStringList &words, QTextStream &out, QTextStream &err)
{
    QString trace;
    QString output;
    QString description;
    QString language;
    bool descriptionGiven = false;
    bool force = false;
    auto wrong = [&err](const QString &why) {
        err << why << "\n" << recordSimUsage();
        err.flush();
        return 2;
    };
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (word == u"--help" || word == u"-h") {
            out << recordSimUsage();
            out.flush();
            return 0;
        }
        if (word == u"--force") {
            force = true;
        } else if (word == u"-o" || word == u"--description" || word == u"--language") {
            if (i + 1 >= words.size())
                return wrong(word + QStringLiteral(" needs a value"));
            const QString value = words[++i];
            if (word == u"-o") {
                output = value;
            } else if (word == u"--language") {
                if (value != u"de" && value != u"en")
                    return wrong(QStringLiteral("--language takes de or en"));
                language = value;
            } else {
                description = value;
                descriptionGiven = true;
            }
        } else if (word.startsWith(u'-')) {
            return wrong(QStringLiteral("unknown option ") + word);
        } else if (trace.isEmpty()) {
            trace = word;
        } else {
            return wrong(QStringLiteral("one trace file only"));
        }
    }
    if (trace.isEmpty() || output.isEmpty())
        return wrong(QStringLiteral("a trace file and -o FILE are needed"));
    if (!descriptionGiven)
        description = QFileInfo(output).completeBaseName();

    QFile file(trace);
    if (!file.open(QIODevice::ReadOnly)) {
        err << trace << ": " << file.errorString() << "\n";
        return 1;
    }
    const Result<Recording> recording = SimulationRecorder::record(file.readAll(), description);
    if (!recording) {
        err << trace << ": " << QString::fromStdString(recording.error()) << "\n";
        return 1;
    }
    if (!force && QFileInfo::exists(output)) {
        err << output << ": the file exists already (--force replaces it)\n";
        return 3;
    }
    const Status written = SimulationRecorder::write(output, recording.value(), force);
    if (!written) {
        err << QString::fromStdString(written.error()) << "\n";
        return 3;
    }
    TextCatalogue &texts = TextCatalogue::shared();
    if (!language.isEmpty())
        texts.selectLanguage(language);
    out << SimulationRecorder::summary(recording.value(), texts) << "\n";
    out.flush();
    return 0;
}

} // namespace kitbox
