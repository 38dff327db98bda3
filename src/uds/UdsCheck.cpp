#include "uds/UdsCheck.h"

#include "catalogue/JobCatalogue.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsTableCells.h"

#include <QHash>
#include <QList>
#include <QVarLengthArray>

#include <algorithm>
#include <utility>

namespace kitbox {

namespace {

const QString kFrame = QStringLiteral("================================");
const QString kFunctionTable = QStringLiteral("SG_FUNKTIONEN");

using namespace Qt::Literals::StringLiterals;

constexpr int kFunctionColumnCount = 11;
const QLatin1StringView kFunctionColumns[kFunctionColumnCount] = {
    "ARG"_L1, "ID"_L1,  "RESULTNAME"_L1, "EINHEIT"_L1,     "DATENTYP"_L1,   "NAME"_L1,
    "MUL"_L1, "DIV"_L1, "SERVICE"_L1,    "ARG_TABELLE"_L1, "RES_TABELLE"_L1};
enum FunctionColumn { cArg, cId, cResult, cUnit, cType, cName, cMul, cDiv, cService, cArgTable, cResTable };
// A result table's columns; an argument table names its first column ARG.
constexpr int kDefinitionColumnCount = UdsCheck::kDefinitionColumns;
const QLatin1StringView kResultColumns[kDefinitionColumnCount] = {"RESULTNAME"_L1, "EINHEIT"_L1, "DATENTYP"_L1,
                                                                  "NAME"_L1,       "MUL"_L1,     "DIV"_L1};
const QLatin1StringView kArgumentColumns[kDefinitionColumnCount] = {"ARG"_L1,  "EINHEIT"_L1, "DATENTYP"_L1,
                                                                    "NAME"_L1, "MUL"_L1,     "DIV"_L1};

// The key of the table index: names are mostly upper-case ASCII already, and
// those are taken as they are instead of going through Unicode case mapping.
bool isUpperAscii(QStringView name)
{
    for (const QChar ch : name)
        if (ch.unicode() >= 0x80 || (ch.unicode() >= 'a' && ch.unicode() <= 'z'))
            return false;
    return true;
}

// Text against a short ASCII literal, compared in place: the rules make
// several such comparisons per row, and QString's general comparison costs
// a call each.
bool is(QStringView text, QLatin1StringView literal)
{
    if (text.size() != literal.size())
        return false;
    for (qsizetype i = 0; i < literal.size(); ++i)
        if (text[i].unicode() != static_cast<unsigned char>(literal[i].toLatin1()))
            return false;
    return true;
}

bool sameText(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

bool startsWith(QStringView text, QLatin1StringView literal)
{
    return text.size() >= literal.size() && is(text.first(literal.size()), literal);
}

// A fixed set of type names, found by length first: the check asks for every
// row's type, and most lengths hold one name or none.
class NameSet {
public:
    template <size_t N> explicit NameSet(const QLatin1StringView (&names)[N])
    {
        for (const QLatin1StringView name : names)
            m_bySize[qMin(name.size(), kLongest)].append(name);
    }
    bool contains(QStringView text) const
    {
        for (const QLatin1StringView name : m_bySize[qMin(text.size(), kLongest)])
            if (is(text, name))
                return true;
        return false;
    }

private:
    static constexpr qsizetype kLongest = 24; // longer names share the last entry
    QVarLengthArray<QLatin1StringView, 4> m_bySize[kLongest + 1];
};

const QLatin1StringView kIntegerTypeNames[] = {
    "char"_L1,           "unsigned char"_L1, "signed char"_L1,      "int"_L1,
    "integer"_L1,        "unsigned int"_L1,  "unsigned integer"_L1, "signed int"_L1,
    "signed integer"_L1, "long"_L1,          "unsigned long"_L1,    "signed long"_L1};
const QLatin1StringView kFloatTypeNames[] = {"float"_L1,        "intel float"_L1,     "motorola float"_L1, "double"_L1,
                                             "intel double"_L1, "motorola double"_L1, "string"_L1};
const QLatin1StringView kBitfieldMemberTypeNames[] = {"char"_L1, "int"_L1, "long"_L1};

const NameSet kIntegerTypes(kIntegerTypeNames);
const NameSet kFloatTypes(kFloatTypeNames);
const NameSet kBitfieldMemberTypes(kBitfieldMemberTypeNames);

// Whether text holds the two-character code anywhere.
bool containsCode(QStringView text, const char *code)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i].unicode() == static_cast<unsigned char>(code[0]) &&
            text[i + 1].unicode() == static_cast<unsigned char>(code[1]))
            return true;
    return false;
}

// 1-based position of the first blank, 0 when there is none.
int blankPosition(const QString &text)
{
    return int(text.indexOf(QLatin1Char(' '))) + 1;
}

bool hasStatPrefix(const QString &name)
{
    return startsWith(name, "STAT_"_L1) || startsWith(name, "_STAT_"_L1);
}

// The leading decimal number of text (blanks and a sign allowed before it), 0 when there is none.
qint64 leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    qint64 value = 0;
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i)
        value = qMin<qint64>(value * 10 + (text.at(i).unicode() - '0'), 1'000'000'000);
    return negative ? -value : value;
}

} // namespace

UdsCheck::UdsCheck(const JobCatalogue &catalogue, const TextCatalogue &texts, QLocale locale)
    : m_catalogue(catalogue), m_texts(texts), m_locale(std::move(locale))
{
    m_tablesByName.reserve(m_catalogue.tables.size());
    for (qsizetype i = m_catalogue.tables.size() - 1; i >= 0; --i) {
        const TableDescription &table = m_catalogue.tables.at(i);
        QStringView key = table.name;
        if (!isUpperAscii(key)) {
            m_upperNames.append(table.name.toUpper());
            key = m_upperNames.last();
        }
        TableIndex &entry = m_tablesByName[key];
        entry.first = int(i);
        if (table.baseName.isEmpty())
            entry.own = int(i);
    }
}

QString UdsCheck::t(int id) const
{
    return m_texts.text(id);
}

bool UdsCheck::isIntegerType(const QString &type)
{
    return kIntegerTypes.contains(type);
}

bool UdsCheck::isGeneralType(const QString &type)
{
    return kIntegerTypes.contains(type) || kFloatTypes.contains(type);
}

bool UdsCheck::isSizedType(const QString &type)
{
    const qsizetype open = type.indexOf(QLatin1Char('['));
    if (open < 0)
        return false;
    const qsizetype close = type.indexOf(QLatin1Char(']'), open + 2);
    if (close < 0)
        return false;
    const QStringView base = QStringView(type).left(open);
    if (!is(base, "string"_L1) && !is(base, "data"_L1))
        return false;
    const qint64 length = leadingNumber(QStringView(type).mid(open + 1, close - open - 1));
    return length >= 1 && length <= 255;
}

QStringList UdsCheck::findColumns(const UdsTableCells &table, const QLatin1StringView *wanted, int count, int *columns)
{
    QStringList missing;
    for (int i = 0; i < count; ++i) {
        columns[i] = table.column(wanted[i]);
        if (columns[i] < 0)
            missing.append(QString(wanted[i]));
    }
    return missing;
}

QStringList UdsCheck::definitionColumns(const UdsTableCells &table, Kind kind, int *columns) const
{
    ColumnMemo &memo = m_columns[int(kind)];
    const QByteArrayView header = table.headerBytes();
    int at = memo.last;
    if (at < 0 || memo.lastHeader != header) {
        const auto known = memo.byHeader.constFind(header);
        if (known != memo.byHeader.constEnd()) {
            at = known.value();
        } else {
            FoundColumns found;
            found.missing = findColumns(table, kind == Kind::Result ? kResultColumns : kArgumentColumns,
                                        kDefinitionColumnCount, found.columns);
            at = int(memo.found.size());
            memo.found.append(std::move(found));
            memo.byHeader.insert(header, at);
        }
        memo.last = at;
        memo.lastHeader = header;
    }
    const FoundColumns &found = memo.found.at(at);
    std::copy_n(found.columns, kDefinitionColumnCount, columns);
    return found.missing;
}

QString UdsCheck::missingLine(const QStringList &missing) const
{
    return t(562) + QLatin1Char(' ') + missing.join(QLatin1Char(';')) + QLatin1Char(' ') + t(563) + QLatin1Char('!');
}

bool UdsCheck::factorValid(const QString &value) const
{
    if (is(value, "-"_L1))
        return true;
    // Rows mostly repeat the MUL and DIV of the row before: the last two verdicts are tried before the memo.
    for (int i = 0; i < m_recentFactorCount; ++i)
        if (sameText(m_recentFactors[i].first, value))
            return m_recentFactors[i].second;
    bool valid = false;
    if (const auto known = m_factors.constFind(value); known != m_factors.constEnd()) {
        valid = known.value();
    } else {
        bool ok = false;
        const double number = m_locale.toDouble(value, &ok);
        valid = ok && number != 0.0;
        m_factors.insert(value, valid);
    }
    m_recentFactors[1] = std::move(m_recentFactors[0]);
    m_recentFactors[0] = {value, valid};
    m_recentFactorCount = qMin(m_recentFactorCount + 1, 2);
    return valid;
}

const QString &UdsCheck::Definition::detail() const
{
    return cells->read(row, detailColumn, UdsTableCells::Case::Upper, detailText);
}

UdsCheck::TableIndex UdsCheck::tableIndex(const QString &name) const
{
    return isUpperAscii(name) ? tableIndexByKey(name) : tableIndexByKey(name.toUpper());
}

QString UdsCheck::detailTable(const QString &name) const
{
    auto known = m_detailReasons.constFind(name);
    if (known == m_detailReasons.constEnd())
        known = m_detailReasons.insert(name, buildDetailTable(name));
    return known.value();
}

QString UdsCheck::buildDetailTable(const QString &name) const
{
    const int index = ownTable(name);
    if (index < 0)
        return QStringLiteral("NAME=") + name + QStringLiteral(", ") + t(588) + QLatin1Char('!');
    const UdsTableCells table(m_catalogue, index);
    if (table.column("WERT"_L1) < 0)
        return QStringLiteral("NAME=") + name + QStringLiteral("; ") + t(586) + QLatin1Char('!');
    if (table.column("TEXT"_L1) < 0)
        return QStringLiteral("NAME=") + name + QStringLiteral("; ") + t(587) + QLatin1Char('!');
    return {};
}

QString UdsCheck::bitfieldTable(const QString &name, const UdsTableCells &holder) const
{
    const QString named = QStringLiteral("NAME=") + name + QStringLiteral(", ");
    const int index = ownTable(name);
    if (index < 0)
        return named + t(594) + QLatin1Char('!');
    const UdsTableCells bits(m_catalogue, index);
    int c[kDefinitionColumnCount];
    const QStringList missing = definitionColumns(bits, Kind::Result, c);
    QString reason;
    if (!missing.isEmpty()) {
        reason = named + t(592) + QStringLiteral(", ") + missingLine(missing);
    } else {
        using Case = UdsTableCells::Case;
        QString firstType;
        QString result;
        QString type;
        QString unit;
        QString detail;
        for (int k = 1; k <= bits.rowCount() && reason.isEmpty(); ++k) {
            bits.read(k, c[0], Case::Upper, result);
            bits.read(k, c[2], Case::Keep, type); // member types keep their case
            if (k == 1)
                firstType = QString(type.constData(), type.size());
            if (!kBitfieldMemberTypes.contains(type)) {
                reason =
                    name + QStringLiteral(": ") + t(576) + QStringLiteral(" (") + type + QStringLiteral(") ") + t(589);
            } else if (k > 1 && type != firstType) {
                reason = name + QStringLiteral(": ") + t(590) + QStringLiteral(" (") + result + QLatin1Char(')');
            } else if (bits.read(k, c[1], Case::Keep, unit) == QLatin1String("0-n") &&
                       bits.read(k, c[3], Case::Upper, detail) != QLatin1String("-")) {
                const QString detailReason = detailTable(detail);
                if (!detailReason.isEmpty())
                    reason = name + QStringLiteral(": ") + t(591) + QStringLiteral(" (") + result +
                             QStringLiteral("): ") + detailReason;
            }
        }
    }
    // The table holding the "bit" row must still read as a result table.
    int holderColumns[kDefinitionColumnCount];
    if (!definitionColumns(holder, Kind::Result, holderColumns).isEmpty())
        reason = named + t(593);
    return reason;
}

QString UdsCheck::resultRules(const Definition &d, const UdsTableCells &holder) const
{
    const QString &n = d.name;
    if (const int p = blankPosition(n))
        return t(575) + QStringLiteral(" (Pos=") + QString::number(p) + QLatin1Char(')');
    const auto badType = [&]() -> QString { return t(576) + QStringLiteral(" (") + d.type + QLatin1Char(')'); };
    const auto tooLong = [&](int max) -> QString {
        return t(577) + QStringLiteral(" (") + QString::number(n.size()) + QStringLiteral("/max=") +
               QString::number(max) + QLatin1Char(')');
    };
    const bool endsWert = n.size() >= 5 && is(QStringView(n).last(5), "_WERT"_L1);

    if (is(d.unit, "0/1"_L1) || is(d.unit, "0-n"_L1)) {
        if (!isIntegerType(d.type))
            return badType();
        if (n.size() > 58)
            return tooLong(58);
        if (endsWert)
            return t(578);
        if (!hasStatPrefix(n))
            return t(579);
        if (is(d.unit, "0/1"_L1) || is(d.detail(), "-"_L1))
            return {};
        return detailTable(d.detail());
    }
    // Names of values (hex and the general types): up to 63 characters, ending in _WERT, with the STAT prefix.
    const auto valueName = [&]() -> QString {
        if (n.size() > 63)
            return tooLong(63);
        if (!endsWert)
            return t(580);
        if (!hasStatPrefix(n))
            return t(579);
        return {};
    };
    if (is(d.unit, "hex"_L1))
        return isIntegerType(d.type) ? valueName() : badType();
    if (is(d.unit, "bit"_L1)) {
        if (!is(d.type, "bitfield"_L1))
            return badType();
        return bitfieldTable(d.detail(), holder);
    }
    if (!isGeneralType(d.type) && !isSizedType(d.type))
        return badType();
    if (QString reason = valueName(); !reason.isEmpty())
        return reason;
    if (!factorValid(d.mul))
        return t(581);
    if (!factorValid(d.div))
        return t(582);
    if (is(d.type, "float"_L1))
        return t(583);
    return {};
}

QString UdsCheck::argumentRules(const Definition &d) const
{
    if (const int p = blankPosition(d.name))
        return t(584) + QStringLiteral(" (Pos=") + QString::number(p) + QLatin1Char(')');
    const auto badType = [&]() -> QString { return t(576) + QStringLiteral(" (") + d.type + QLatin1Char(')'); };
    if (is(d.unit, "0/1"_L1) || is(d.unit, "hex"_L1))
        return isIntegerType(d.type) ? QString() : badType();
    if (is(d.unit, "0-n"_L1)) {
        if (!isIntegerType(d.type))
            return badType();
        if (is(d.detail(), "-"_L1))
            return t(585);
        return detailTable(d.detail());
    }
    if (!isGeneralType(d.type) && !isSizedType(d.type))
        return badType();
    if (!factorValid(d.mul))
        return t(581);
    if (!factorValid(d.div))
        return t(582);
    if (is(d.type, "float"_L1))
        return t(583);
    return {};
}

const QString &UdsCheck::tableBlock(const QString &name, Kind kind) const
{
    // An upper-case ASCII name is the index's own key, so it is the only such
    // name of its table, and its block is kept by table: no text is stored as
    // a key. Other names keep theirs.
    const bool ownKey = isUpperAscii(name);
    const int index = tableIndex(name).first;
    if (index >= 0 && ownKey) {
        TableBlocks &byTable = m_blocksByTable[int(kind)];
        if (byTable.built.isEmpty()) {
            byTable.blocks.resize(m_catalogue.tables.size());
            byTable.built.resize(m_catalogue.tables.size(), false);
        }
        if (!byTable.built.at(index)) {
            byTable.blocks[index] = buildTableBlock(name, index, kind);
            byTable.built[index] = true;
        }
        return byTable.blocks.at(index);
    }
    QHash<QString, QString> &blocks = kind == Kind::Result ? m_resultBlocks : m_argumentBlocks;
    auto known = blocks.constFind(name);
    if (known == blocks.constEnd())
        known = blocks.insert(name, buildTableBlock(name, index, kind));
    return known.value();
}

QString UdsCheck::buildTableBlock(const QString &name, int index, Kind kind) const
{
    if (index < 0)
        return QStringLiteral("    ! ") + name + QStringLiteral(": ") + t(574) + kCrLf;
    const UdsTableCells table(m_catalogue, index);
    int c[kDefinitionColumnCount];
    const QStringList missing = definitionColumns(table, kind, c);
    if (!missing.isEmpty())
        return QStringLiteral("    ! ") + name + QStringLiteral(": ") + t(573) + kCrLf + QStringLiteral("      ") +
               missingLine(missing) + kCrLf;

    using Case = UdsTableCells::Case;
    Definition &d = m_tableRow;
    QString block;
    for (int k = 1; k <= table.rowCount(); ++k) {
        table.read(k, c[0], Case::Upper, d.name);
        table.read(k, c[1], Case::Lower, d.unit);
        table.read(k, c[2], Case::Lower, d.type);
        d.cells = &table;
        d.row = k;
        d.detailColumn = c[3];
        table.read(k, c[4], Case::Upper, d.mul);
        table.read(k, c[5], Case::Upper, d.div);
        const QString reason = kind == Kind::Result ? resultRules(d, table) : argumentRules(d);
        if (!reason.isEmpty())
            block += QStringLiteral("    ! ") + name + QLatin1Char(' ') + t(566) + QString::number(k) +
                     QStringLiteral(": ") + d.name + QLatin1Char('[') + d.unit + QStringLiteral("]: ") + reason + kCrLf;
    }
    return block;
}

void UdsCheck::checkUnique(const UdsTableCells &functions, const int *c, QString &out, int &findings) const
{
    const int n = functions.rowCount();
    // Every row's upper-cased ARG one after the other in one text, then rows
    // chained by equal ARG, so that neither a string per row nor a
    // comparison of every pair is needed.
    QString args;
    args.reserve(qsizetype(n) * 8);
    QList<std::pair<qsizetype, qsizetype>> spans(n);
    QString arg;
    for (int r = 0; r < n; ++r) {
        functions.read(r + 1, c[cArg], UdsTableCells::Case::Upper, arg);
        spans[r] = {args.size(), arg.size()};
        args += arg;
    }
    const auto argAt = [&](int r) { return QStringView(args).sliced(spans.at(r).first, spans.at(r).second); };
    QList<int> nextEqual(n, -1);
    NameMap<int> firstRow;
    firstRow.reserve(n);
    for (int r = n - 1; r >= 0; --r) {
        int &first = firstRow[argAt(r)];
        nextEqual[r] = first - 1; // a new entry holds 0: no later row
        first = r + 1;
    }
    const auto id = [&](int r) { return functions.cell(r + 1, c[cId], UdsTableCells::Case::Keep); };
    for (int r = 0; r < n; ++r) {
        const QStringView a = argAt(r);
        if (const int p = int(a.indexOf(QLatin1Char(' '))) + 1) {
            out += QStringLiteral("  ! ") + a.toString() + QStringLiteral(": ") + id(r) + QStringLiteral(", ") +
                   t(564) + QStringLiteral(" (Pos=") + QString::number(p) + QLatin1Char(')') + kCrLf;
            ++findings;
        }
        for (int r2 = nextEqual.at(r); r2 >= 0; r2 = nextEqual.at(r2)) {
            out += QStringLiteral("  ! ") + a.toString() + QStringLiteral(": ") + t(565) + QLatin1Char('!') + kCrLf +
                   QStringLiteral("    ") + t(566) + QString::number(r + 1) + QStringLiteral(": ") + id(r) +
                   QStringLiteral(" & ") + t(566) + QString::number(r2 + 1) + QStringLiteral(": ") + id(r2) + kCrLf;
            ++findings;
        }
    }
}

void UdsCheck::checkRows(const UdsTableCells &functions, const int *c, QString &out, int &findings) const
{
    using Case = UdsTableCells::Case;
    const auto line = [&](const QString &text) {
        out += text + kCrLf;
        ++findings;
    };
    Definition &d = m_functionRow;
    const QString &result = d.name;
    const QString &unit = d.unit;
    QString service;
    QString argTable;
    QString resTable;
    QString id;
    for (int r = 1; r <= functions.rowCount(); ++r) {
        // The cells every row needs; the rest is read when a rule asks for it.
        functions.read(r, c[cResult], Case::Upper, d.name);
        functions.read(r, c[cService], Case::Upper, service);
        bool definitionRead = false;
        bool idRead = false;
        bool resTableRead = false;
        const auto rowId = [&]() -> const QString & {
            if (!idRead)
                functions.read(r, c[cId], Case::Keep, id);
            idRead = true;
            return id;
        };
        const auto has = [&](const char *code) { return containsCode(service, code); };
        const bool s22 = has("22");
        const bool s2E = has("2E");
        const bool s2F = has("2F");
        const bool s31 = has("31");

        if (!s22 && !s2E && !s2F && !s31) {
            const QString head = QStringLiteral("  ! Zeile") + QString::number(r) + QStringLiteral(": ") + rowId() +
                                 QStringLiteral(", ") + result + QStringLiteral(": ");
            if (has("2C"))
                line(head + QStringLiteral("SID=2C, ") + t(567) + QLatin1Char('!'));
            else
                line(head + t(568) + QStringLiteral("! (SERVICE=") + service + QLatin1Char(')'));
        }

        const auto prefix = [&](const char *sid) -> QString {
            return QStringLiteral("  ! ") + t(566) + QString::number(r) + QStringLiteral(": ") + rowId() +
                   QStringLiteral(" (") + QLatin1String(sid) + QStringLiteral("), ");
        };
        const auto results = [&](const char *sid, bool requireOne) {
            if (is(result, "-"_L1)) {
                if (!resTableRead)
                    functions.read(r, c[cResTable], Case::Upper, resTable);
                resTableRead = true;
                if (!is(resTable, "-"_L1)) {
                    const QString &block = tableBlock(resTable, Kind::Result);
                    if (!block.isEmpty()) {
                        line(prefix(sid) + t(569) + QLatin1Char(' ') + resTable + QLatin1Char('!'));
                        out += block;
                    }
                } else if (requireOne) {
                    line(prefix(sid) + t(570) + QLatin1Char('!'));
                }
                return;
            }
            if (!definitionRead) {
                functions.read(r, c[cUnit], Case::Lower, d.unit);
                functions.read(r, c[cType], Case::Lower, d.type);
                d.cells = &functions;
                d.row = r;
                d.detailColumn = c[cName];
                functions.read(r, c[cMul], Case::Upper, d.mul);
                functions.read(r, c[cDiv], Case::Upper, d.div);
                definitionRead = true;
            }
            const QString reason = resultRules(d, functions);
            if (!reason.isEmpty())
                line(prefix(sid) + result + QLatin1Char('[') + unit + QStringLiteral("]: ") + reason);
        };
        const auto arguments = [&](const char *sid) {
            const QString &block = tableBlock(argTable, Kind::Argument);
            if (!block.isEmpty()) {
                line(prefix(sid) + t(572) + QLatin1Char(' ') + argTable + QLatin1Char('!'));
                out += block;
            }
        };

        if (s2E || s2F || s31)
            functions.read(r, c[cArgTable], Case::Upper, argTable);
        if (s22)
            results("$22", true);
        if (s2E) {
            if (is(argTable, "-"_L1))
                line(prefix("$2E") + t(571) + QLatin1Char('!'));
            else
                arguments("$2E");
        }
        for (const auto &[present, sid] : {std::pair{s2F, "$2F"}, std::pair{s31, "$31"}}) {
            if (!present)
                continue;
            results(sid, false);
            if (!is(argTable, "-"_L1))
                arguments(sid);
        }
    }
}

UdsCheckReport UdsCheck::run(const QString &descriptionName) const
{
    UdsCheckReport report;
    QString &out = report.text;
    const auto line = [&out](const QString &text) { out += text + kCrLf; };
    const auto finding = [&](const QString &text) {
        line(text);
        ++report.findings;
    };

    line(kFrame);
    line(descriptionName + QStringLiteral(": ") + t(553));
    line(kFrame);
    line(t(555));
    if (ownTable(kFunctionTable) < 0) {
        finding(QStringLiteral("  ! ") + t(559) + QLatin1Char('!'));
    } else {
        line(QStringLiteral("  ") + t(556));
        // Opened by lookup: the own table is the first of its name unless a base's comes earlier.
        const UdsTableCells functions(m_catalogue, lookup(kFunctionTable));
        int columns[kFunctionColumnCount];
        const QStringList missing = findColumns(functions, kFunctionColumns, kFunctionColumnCount, columns);
        if (!missing.isEmpty()) {
            finding(QStringLiteral("  ! ") + t(561));
            line(QStringLiteral("    ") + missingLine(missing));
        } else {
            line(QStringLiteral("  ") + t(560));
            line(t(557));
            checkUnique(functions, columns, out, report.findings);
            line(t(558));
            checkRows(functions, columns, out, report.findings);
        }
    }
    line(kFrame);
    line(descriptionName + QStringLiteral(": ") + t(554));
    line(kFrame);
    return report;
}

} // namespace kitbox
