#include "uds/UdsResultPreview.h"

#include "catalogue/JobCatalogue.h"
#include "uds/UdsTable.h"

namespace kitbox {

namespace {

const QString kDash = QStringLiteral("-");

QString cellOr(const UdsTable &table, int row, int column, const QString &missing)
{
    return column < 0 ? missing : table.cell(row, column).trimmed();
}

// The result names of a bitfield table, when it is one of the description's own.
void bitfieldNames(const JobCatalogue &catalogue, const QString &tableName, QStringList &out)
{
    const int index = catalogue.ownTableIndex(tableName);
    if (index < 0)
        return;
    const UdsTable table(catalogue, index);
    const int cName = table.column(QStringLiteral("RESULTNAME"));
    for (int r = 1; r <= table.rowCount(); ++r) {
        const QString name = cellOr(table, r, cName, kDash);
        if (name != kDash)
            out.append(name.toLower());
    }
}

} // namespace

QString UdsResultPreview::framed(const QString &text, int level)
{
    switch (level) {
    case 1:
        return QStringLiteral("------ ") + text + QStringLiteral(" ------");
    case 2:
        return QStringLiteral("****** ") + text + QStringLiteral(" ******");
    case 3:
        return QStringLiteral("++++++ ") + text + QStringLiteral(" ++++++");
    default:
        return text;
    }
}

QStringList UdsResultPreview::lines(const JobCatalogue &catalogue, const QString &job, const QString &argument)
{
    static const QStringList jobs{QStringLiteral("STATUS_LESEN"), QStringLiteral("STEUERN"),
                                  QStringLiteral("STEUERN_IO"), QStringLiteral("STEUERN_ROUTINE")};
    static const QStringList services{QStringLiteral("22"), QStringLiteral("2E"), QStringLiteral("2F"),
                                      QStringLiteral("31")};
    static const QStringList selectors{QStringLiteral("ARG"), QStringLiteral("ID"), QStringLiteral("LABEL")};
    QStringList out;
    const qsizetype jobIndex = jobs.indexOf(job.toUpper());
    if (jobIndex < 0)
        return out;
    const QStringList parts = argument.split(u';');
    if (parts.size() < 2)
        return out;
    const QString selector = parts.at(0).toUpper();
    if (!selectors.contains(selector))
        return out;
    if (catalogue.ownTableIndex(QStringLiteral("SG_FUNKTIONEN")) < 0)
        return out;

    const UdsTable functions(catalogue, UdsTable::lookup(catalogue, QStringLiteral("SG_FUNKTIONEN")));
    const int cSelector = functions.column(selector);
    const int cArg = functions.column(QStringLiteral("ARG"));
    const int cId = functions.column(QStringLiteral("ID"));
    const int cResult = functions.column(QStringLiteral("RESULTNAME"));
    const int cType = functions.column(QStringLiteral("DATENTYP"));
    const int cName = functions.column(QStringLiteral("NAME"));
    const int cService = functions.column(QStringLiteral("SERVICE"));
    const int cResTable = functions.column(QStringLiteral("RES_TABELLE"));

    const QString service = services.at(jobIndex);
    const bool routine = jobIndex == 3;
    const QString parameter = routine ? parts.value(2) : QString();
    const bool parameterKnown = parameter == QLatin1String("STR") || parameter == QLatin1String("STPR") ||
                                parameter == QLatin1String("RRR");
    const QStringList values = jobIndex == 0 ? parts.mid(1) : parts.mid(1, 1);

    for (const QString &value : values) {
        int row = -1;
        for (int r = 1; r <= functions.rowCount(); ++r)
            if (cellOr(functions, r, cSelector, kDash) == value) {
                row = r;
                break;
            }
        if (row < 0 || !cellOr(functions, row, cService, kDash).contains(service))
            continue;

        const QString second = selector == QLatin1String("ID") ? cellOr(functions, row, cArg, kDash)
                                                               : cellOr(functions, row, cId, kDash);
        out.append(framed(selector.toLower() + u'=' + value.toLower() + QStringLiteral(" (") + second.toLower() + u')', 1));

        const QString resultName = cellOr(functions, row, cResult, kDash);
        if (resultName != kDash) {
            out.append(resultName.toLower());
            continue;
        }
        if (cellOr(functions, row, cType, kDash) == QLatin1String("BITFIELD")) {
            bitfieldNames(catalogue, cellOr(functions, row, cName, kDash), out);
            continue;
        }
        const int resIndex = catalogue.ownTableIndex(cellOr(functions, row, cResTable, kDash));
        if (resIndex < 0)
            continue;
        const UdsTable results(catalogue, resIndex);
        const int rName = results.column(QStringLiteral("RESULTNAME"));
        const int rType = results.column(QStringLiteral("DATENTYP"));
        const int rBitfield = results.column(QStringLiteral("NAME"));
        const int rParameter = parameterKnown ? results.column(parameter) : -1;
        for (int r = 1; r <= results.rowCount(); ++r) {
            const QString name = cellOr(results, r, rName, kDash);
            if (name == kDash) {
                if (cellOr(results, r, rType, kDash).toUpper() == QLatin1String("BITFIELD"))
                    bitfieldNames(catalogue, cellOr(results, r, rBitfield, kDash), out);
                continue;
            }
            if (routine && (!parameterKnown || cellOr(results, r, rParameter, QStringLiteral("+")) != u'+'))
                continue;
            out.append(name.toLower());
        }
    }
    return out;
}

} // namespace kitbox
