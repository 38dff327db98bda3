#pragma once
// The authoring check of a UDS description's function table SG_FUNKTIONEN
// and of the result, argument, detail and bitfield tables its rows name.
// It reads the tables as loading left them in memory and never runs a job.
// The report is a text of CR LF-terminated lines, the same for the results
// window and for the command line.
#include "uds/NameMap.h"

#include <QByteArrayView>
#include <QHash>
#include <QLatin1StringView>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <utility>

class TextCatalogue;

namespace kitbox {

struct JobCatalogue;
class UdsTableCells;

struct UdsCheckReport {
    QString text;     // the framed report, every line ended by CR LF
    int findings = 0; // headlines with "!" (a detail block belongs to its headline)
};

class UdsCheck {
public:
    // The columns a result or argument table must have.
    static constexpr int kDefinitionColumns = 6;

    // The locale converts MUL and DIV (a decimal comma is a number where the locale uses one).
    UdsCheck(const JobCatalogue &catalogue, const TextCatalogue &texts, QLocale locale = QLocale());

    // The whole check of the catalogue, framed with the description name.
    UdsCheckReport run(const QString &descriptionName) const;

    // Data-type sets, compared after lower-casing by the caller.
    static bool isIntegerType(const QString &type);
    static bool isGeneralType(const QString &type);
    // "string[n]" or "data[n]" with n in 1..255; text after "]" is ignored.
    static bool isSizedType(const QString &type);

private:
    struct Definition {
        QString name;
        QString unit;
        QString type;
        QString mul;
        QString div;
        // NAME, read only by the rules that lead to a detail or bitfield table.
        const UdsTableCells *cells = nullptr;
        int row = 0;
        int detailColumn = -1;
        mutable QString detailText;
        const QString &detail() const;
    };
    enum class Kind { Result, Argument };
    struct TableIndex {
        int first = -1; // the lookup's answer
        int own = -1;   // the own-table test's answer
    };

    QString t(int id) const;
    // The columns of wanted in table (-1 for each it lacks), and the names it lacks, in the order of wanted.
    static QStringList findColumns(const UdsTableCells &table, const QLatin1StringView *wanted, int count,
                                   int *columns);
    // The same for a result or argument table, found once per distinct header row.
    QStringList definitionColumns(const UdsTableCells &table, Kind kind, int *columns) const;
    QString missingLine(const QStringList &missing) const;
    bool factorValid(const QString &value) const;

    // Each gives the reason of the first failing rule, or an empty text.
    QString resultRules(const Definition &d, const UdsTableCells &holder) const;
    QString argumentRules(const Definition &d) const;
    QString detailTable(const QString &name) const;
    QString buildDetailTable(const QString &name) const;
    QString bitfieldTable(const QString &name, const UdsTableCells &holder) const;
    // The detail block of a result or argument table; empty when every row passes.
    const QString &tableBlock(const QString &name, Kind kind) const;
    QString buildTableBlock(const QString &name, int index, Kind kind) const;

    void checkUnique(const UdsTableCells &functions, const int *columns, QString &out, int &findings) const;
    void checkRows(const UdsTableCells &functions, const int *columns, QString &out, int &findings) const;

    // Lookup and own-table test by upper-cased name, built once: a long
    // SG_FUNKTIONEN names thousands of tables, and a linear search per row
    // would make the check quadratic.
    int lookup(const QString &name) const { return tableIndex(name).first; }
    int ownTable(const QString &name) const { return tableIndex(name).own; }
    TableIndex tableIndex(const QString &name) const;
    TableIndex tableIndexByKey(QStringView upperName) const
    {
        const TableIndex *found = m_tablesByName.find(upperName);
        return found ? *found : TableIndex();
    }

    const JobCatalogue &m_catalogue;
    const TextCatalogue &m_texts;
    QLocale m_locale;
    // Keyed by views of the catalogue's table names, or of m_upperNames for
    // names that are not upper-case ASCII already.
    NameMap<TableIndex> m_tablesByName;
    QStringList m_upperNames;
    // Many rows share one result, argument or detail table, and a table's
    // verdict depends on the catalogue alone, so each is found once per
    // check; so is the verdict on a MUL or DIV text, as the locale's number
    // parsing costs more than the rest of a row's rules.
    mutable QHash<QString, QString> m_resultBlocks;
    mutable QHash<QString, QString> m_argumentBlocks;
    struct TableBlocks {
        QList<QString> blocks; // by table index
        QList<bool> built;
    };
    mutable TableBlocks m_blocksByTable[2]; // by Kind
    // Result and argument tables mostly share one header row: its columns are
    // found once, and the header met last is tried before the memo.
    struct FoundColumns {
        int columns[kDefinitionColumns];
        QStringList missing;
    };
    struct ColumnMemo {
        QList<FoundColumns> found;
        QHash<QByteArrayView, int> byHeader; // views into the catalogue's table bytes
        QByteArrayView lastHeader;
        int last = -1;
    };
    mutable ColumnMemo m_columns[2]; // by Kind
    mutable QHash<QString, QString> m_detailReasons;
    mutable QHash<QString, bool> m_factors;
    mutable std::pair<QString, bool> m_recentFactors[2];
    mutable int m_recentFactorCount = 0;
    // The cells of the row being checked, kept from row to row so that
    // reading a row allocates nothing: one set for SG_FUNKTIONEN, one for the
    // result or argument table a row leads to.
    mutable Definition m_functionRow;
    mutable Definition m_tableRow;
};

} // namespace kitbox
