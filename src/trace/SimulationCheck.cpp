#include "trace/SimulationCheck.h"

#include <vedamis/SimulationFile.h>

#include <QStringList>

#include <string>

namespace kitbox {

QList<SimulationFault> SimulationCheck::check(const QString &text)
{
    QList<SimulationFault> faults;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].toUtf8();
        vedamis::SimulationFile file;
        std::string error;
        if (file.parse(std::string_view(line.constData(), size_t(line.size())), std::string(), error))
            continue;
        // The parser names "file:line: reason"; the line is ours to give.
        static const std::string prefix = ":1: ";
        const size_t at = error.find(prefix);
        const std::string reason = at == std::string::npos ? error : error.substr(at + prefix.size());
        faults.append({int(i + 1), QString::fromStdString(reason)});
    }
    return faults;
}

SimulationLineParts SimulationCheck::parts(QStringView line)
{
    SimulationLineParts p;
    qsizetype comment = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char(';') || line[i] == QLatin1Char('#')) {
            comment = i;
            break;
        }
    }
    const qsizetype code = comment < 0 ? line.size() : comment;
    if (comment >= 0) {
        p.commentStart = int(comment);
        p.commentLength = int(line.size() - comment);
    }
    const qsizetype eq = line.first(code).indexOf(QLatin1Char('='));
    if (eq < 0) {
        p.requestLength = int(code);
        return p;
    }
    p.requestLength = int(eq);
    p.responseStart = int(eq + 1);
    p.responseLength = int(code - eq - 1);
    return p;
}

} // namespace kitbox
