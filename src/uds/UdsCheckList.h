#pragma once
// The list mode of the UDS check without its windows: what the chosen files
// of the multi-select dialog mean, the list header and the progress line.
#include <QString>
#include <QStringList>

class TextCatalogue;

namespace kitbox {

struct UdsCheckSelection {
    enum class Verdict {
        Cancelled, // nothing chosen: the list check ends without output
        BadName,   // not a description: warn and show the dialog again
        Missing,   // a chosen file is gone: warn and end
        Ok,
    };
    Verdict verdict = Verdict::Cancelled;
    QString name;      // the offending file for BadName and Missing
    QStringList paths; // the files to check, in the dialog's order
};

class UdsCheckList {
public:
    // Judges the paths the open dialog returned.
    static UdsCheckSelection judge(const QStringList &chosen);

    // Several files get a numbered list before their reports; a single file
    // is checked as the single check does, without it.
    static bool wantsHeader(const QStringList &paths) { return paths.size() > 1; }
    static QString header(const QStringList &paths, const TextCatalogue &texts);

    // "n of m" while a list runs, and the line a stopped run leaves.
    static QString progress(int done, int total, const QString &path, const TextCatalogue &texts);
    static QString stoppedLine(int done, int total, const TextCatalogue &texts);
};

} // namespace kitbox
