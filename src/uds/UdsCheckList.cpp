#include "uds/UdsCheckList.h"

#include "catalogue/JobCatalogue.h"
#include "shell/TextCatalogue.h"

#include <QFileInfo>

namespace kitbox {

namespace {

const QString kFrame = QStringLiteral("================================");

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

UdsCheckSelection UdsCheckList::judge(const QStringList &chosen)
{
    UdsCheckSelection selection;
    if (chosen.isEmpty())
        return selection;
    // The dialog offers *.prg only, but a typed name can be anything.
    for (const QString &path : chosen) {
        if (!path.toUpper().contains(QLatin1String(".PRG"))) {
            selection.verdict = UdsCheckSelection::Verdict::BadName;
            selection.name = path;
            return selection;
        }
    }
    for (const QString &path : chosen) {
        if (!QFileInfo(path).isFile()) {
            selection.verdict = UdsCheckSelection::Verdict::Missing;
            selection.name = path;
            return selection;
        }
    }
    selection.verdict = UdsCheckSelection::Verdict::Ok;
    selection.paths = chosen;
    return selection;
}

QString UdsCheckList::header(const QStringList &paths, const TextCatalogue &texts)
{
    QString out = kFrame + kCrLf + texts.text(552) + kCrLf + kFrame + kCrLf;
    for (qsizetype i = 0; i < paths.size(); ++i)
        out += QString::number(i + 1) + QStringLiteral(": ") + fileNameOf(paths.at(i)) + kCrLf;
    return out;
}

QString UdsCheckList::progress(int done, int total, const QString &path, const TextCatalogue &texts)
{
    return texts.text(22000).arg(done).arg(total).arg(fileNameOf(path));
}

QString UdsCheckList::stoppedLine(int done, int total, const TextCatalogue &texts)
{
    return texts.text(22002).arg(done).arg(total) + kCrLf;
}

} // namespace kitbox
