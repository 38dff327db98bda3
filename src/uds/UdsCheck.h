#pragma once
// The authoring check of a UDS description's function table SG_FUNKTIONEN
// and of the result, argument, detail and bitfield tables its rows name.
// It reads the tables as loading left them in memory and never runs a job.
// The report is a text of CR LF-terminated lines, the same for the results
// window and for the command line.
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

class TextCatalogue;

namespace kitbox {

struct JobCatalogue;
class UdsTable;

struct UdsCheckReport {
    QString text;     // the framed report, every line ended by CR LF
    int findings = 0; // headlines with "!" (a detail block belongs to its headline)
};

class UdsCheck {
public:
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
        QString detail;
        QString mul;
        QString div;
    };
    enum class Kind { Result, Argument };

    QString t(int id) const;
    static QStringList missingColumns(const UdsTable &table, const QStringList &wanted);
    QString missingLine(const QStringList &missing) const;
    bool factorValid(const QString &value) const;

    // Each gives the reason of the first failing rule, or an empty text.
    QString resultRules(const Definition &d, const UdsTable &holder) const;
    QString argumentRules(const Definition &d) const;
    QString detailTable(const QString &name) const;
    QString bitfieldTable(const QString &name, const UdsTable &holder) const;
    // The detail block of a result or argument table; empty when every row passes.
    QString tableBlock(const QString &name, Kind kind) const;
    QString buildTableBlock(const QString &name, Kind kind) const;

    void checkUnique(const UdsTable &functions, QString &out, int &findings) const;
    void checkRows(const UdsTable &functions, QString &out, int &findings) const;

    // Lookup and own-table test by upper-cased name, built once: a long
    // SG_FUNKTIONEN names thousands of tables, and a linear search per row
    // would make the check quadratic.
    int lookup(const QString &name) const { return m_firstByName.value(name.toUpper(), -1); }
    int ownTable(const QString &name) const { return m_firstOwnByName.value(name.toUpper(), -1); }

    const JobCatalogue &m_catalogue;
    const TextCatalogue &m_texts;
    QLocale m_locale;
    QHash<QString, int> m_firstByName;
    QHash<QString, int> m_firstOwnByName;
    // Many rows share one result or argument table; its block depends on the
    // catalogue alone, so each is built once per check.
    mutable QHash<QString, QString> m_blocks;
};

} // namespace kitbox
