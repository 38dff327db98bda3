#pragma once
// The function lists of the argument assistants: the rows of SG_FUNKTIONEN
// that serve one service, one entry per distinct value of the chosen column,
// optionally with a second column's value, and message entries ("---- ...")
// when there is nothing to choose.
#include <QList>
#include <QString>
#include <QStringList>

namespace kitbox {

struct JobCatalogue;

struct UdsFunctionEntry {
    QString text;
    int argumentTable = -1; // catalogue index of the row's own ARG_TABELLE, -1 when none
};

class UdsFunctionList {
public:
    // The column selectors in the order of the rbSpalte options.
    static const QStringList &columnCaptions();
    // The option of a selector text (trimmed, any case); 0 (LABEL) when it is none of them.
    static int columnOption(const QString &selector);

    // Rows whose SERVICE contains service give one entry per distinct value V
    // of column, in table order: V, or with info "V | W" (W from ID, or from
    // ARG when column is ID). withArgumentTables also finds each entry's
    // argument table (the control assistant needs it, the status list not).
    static QList<UdsFunctionEntry> fill(const JobCatalogue &catalogue, const QString &column, bool info,
                                        const QString &service, bool withArgumentTables);

    // The part of an entry before " |" (the whole text without "|").
    static QString entryName(const QString &entry);
    // Entries beginning with "----" are messages, never names.
    static bool isMessage(const QString &entry) { return entry.startsWith(QLatin1String("----")); }
    // The first entry whose name equals name ignoring case, -1 when none.
    static int findByName(const QList<UdsFunctionEntry> &entries, const QString &name);
    // Type-ahead: the first entry from `from` on (circularly) whose text
    // contains text ignoring case; -1 when none or text is empty.
    static int search(const QList<UdsFunctionEntry> &entries, const QString &text, int from = 0);
};

} // namespace kitbox
