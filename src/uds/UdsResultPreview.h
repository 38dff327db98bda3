#pragma once
// The result names a call of a generic UDS job will deliver for its argument
// text: per addressed function of SG_FUNKTIONEN a header line, then the
// function's result names, its result table's names or the members of its
// bitfield. The job window appends them to its result list.
#include <QString>
#include <QStringList>

namespace kitbox {

struct JobCatalogue;

class UdsResultPreview {
public:
    // The lines for a job (any case) and argument text; none for other jobs.
    static QStringList lines(const JobCatalogue &catalogue, const QString &job, const QString &argument);
    // The preview's running time as the job window shows it.
    static QString timeText(quint32 milliseconds) { return QStringLiteral("Zeit= ") + QString::number(milliseconds) + QStringLiteral("ms"); }
    // A line in one of the report's framings: 0 bare, 1 "------", 2 "******", 3 "++++++".
    static QString framed(const QString &text, int level);
};

} // namespace kitbox
