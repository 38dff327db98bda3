#include "uds/UdsCheck.h"

#include "catalogue/JobCatalogue.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsTable.h"

#include <QHash>

#include <utility>

namespace kitbox {

namespace {

const QString kFrame = QStringLiteral("================================");
const QString kFunctionTable = QStringLiteral("SG_FUNKTIONEN");

const QStringList kFunctionColumns = {
    QStringLiteral("ARG"),      QStringLiteral("ID"),          QStringLiteral("RESULTNAME"), QStringLiteral("EINHEIT"),
    QStringLiteral("DATENTYP"), QStringLiteral("NAME"),        QStringLiteral("MUL"),        QStringLiteral("DIV"),
    QStringLiteral("SERVICE"),  QStringLiteral("ARG_TABELLE"), QStringLiteral("RES_TABELLE")};
const QStringList kResultColumns = {QStringLiteral("RESULTNAME"), QStringLiteral("EINHEIT"), QStringLiteral("DATENTYP"),
                                    QStringLiteral("NAME"),       QStringLiteral("MUL"),     QStringLiteral("DIV")};
const QStringList kArgumentColumns = {QStringLiteral("ARG"),  QStringLiteral("EINHEIT"), QStringLiteral("DATENTYP"),
                                      QStringLiteral("NAME"), QStringLiteral("MUL"),     QStringLiteral("DIV")};

const QStringList kIntegerTypes = {QStringLiteral("char"),
                                   QStringLiteral("unsigned char"),
                                   QStringLiteral("signed char"),
                                   QStringLiteral("int"),
                                   QStringLiteral("integer"),
                                   QStringLiteral("unsigned int"),
                                   QStringLiteral("unsigned integer"),
                                   QStringLiteral("signed int"),
                                   QStringLiteral("signed integer"),
                                   QStringLiteral("long"),
                                   QStringLiteral("unsigned long"),
                                   QStringLiteral("signed long")};
const QStringList kFloatTypes = {QStringLiteral("float"),          QStringLiteral("intel float"),
                                 QStringLiteral("motorola float"), QStringLiteral("double"),
                                 QStringLiteral("intel double"),   QStringLiteral("motorola double"),
                                 QStringLiteral("string")};
const QStringList kBitfieldMemberTypes = {QStringLiteral("char"), QStringLiteral("int"), QStringLiteral("long")};

// Cells of one row by column position; a missing column reads as empty.
struct RowReader {
    const UdsTable &table;
    int row;
    QString at(int column) const { return column < 0 ? QString() : table.cell(row, column).trimmed(); }
};

// 1-based position of the first blank, 0 when there is none.
int blankPosition(const QString &text)
{
    return int(text.indexOf(QLatin1Char(' '))) + 1;
}

bool hasStatPrefix(const QString &name)
{
    return name.startsWith(QLatin1String("STAT_")) || name.startsWith(QLatin1String("_STAT_"));
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
    for (qsizetype i = m_catalogue.tables.size() - 1; i >= 0; --i) {
        const TableDescription &table = m_catalogue.tables.at(i);
        const QString key = table.name.toUpper();
        m_firstByName.insert(key, int(i));
        if (table.baseName.isEmpty())
            m_firstOwnByName.insert(key, int(i));
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
    if (base != QLatin1String("string") && base != QLatin1String("data"))
        return false;
    const qint64 length = leadingNumber(QStringView(type).mid(open + 1, close - open - 1));
    return length >= 1 && length <= 255;
}

QStringList UdsCheck::missingColumns(const UdsTable &table, const QStringList &wanted)
{
    QStringList missing;
    for (const QString &name : wanted)
        if (table.column(name) < 0)
            missing.append(name);
    return missing;
}

QString UdsCheck::missingLine(const QStringList &missing) const
{
    return t(562) + QLatin1Char(' ') + missing.join(QLatin1Char(';')) + QLatin1Char(' ') + t(563) + QLatin1Char('!');
}

bool UdsCheck::factorValid(const QString &value) const
{
    if (value == QLatin1String("-"))
        return true;
    bool ok = false;
    const double number = m_locale.toDouble(value, &ok);
    return ok && number != 0.0;
}

QString UdsCheck::detailTable(const QString &name) const
{
    const int index = ownTable(name);
    if (index < 0)
        return QStringLiteral("NAME=") + name + QStringLiteral(", ") + t(588) + QLatin1Char('!');
    const UdsTable table(m_catalogue, index);
    if (table.column(QStringLiteral("WERT")) < 0)
        return QStringLiteral("NAME=") + name + QStringLiteral("; ") + t(586) + QLatin1Char('!');
    if (table.column(QStringLiteral("TEXT")) < 0)
        return QStringLiteral("NAME=") + name + QStringLiteral("; ") + t(587) + QLatin1Char('!');
    return {};
}

QString UdsCheck::bitfieldTable(const QString &name, const UdsTable &holder) const
{
    const QString named = QStringLiteral("NAME=") + name + QStringLiteral(", ");
    const int index = ownTable(name);
    if (index < 0)
        return named + t(594) + QLatin1Char('!');
    const UdsTable bits(m_catalogue, index);
    const QStringList missing = missingColumns(bits, kResultColumns);
    QString reason;
    if (!missing.isEmpty()) {
        reason = named + t(592) + QStringLiteral(", ") + missingLine(missing);
    } else {
        const int cResult = bits.column(QStringLiteral("RESULTNAME"));
        const int cUnit = bits.column(QStringLiteral("EINHEIT"));
        const int cType = bits.column(QStringLiteral("DATENTYP"));
        const int cName = bits.column(QStringLiteral("NAME"));
        QString firstType;
        for (int k = 1; k <= bits.rowCount() && reason.isEmpty(); ++k) {
            const RowReader row{bits, k};
            const QString result = row.at(cResult).toUpper();
            const QString type = row.at(cType); // member types keep their case
            const QString detail = row.at(cName).toUpper();
            if (k == 1)
                firstType = type;
            if (!kBitfieldMemberTypes.contains(type)) {
                reason =
                    name + QStringLiteral(": ") + t(576) + QStringLiteral(" (") + type + QStringLiteral(") ") + t(589);
            } else if (k > 1 && type != firstType) {
                reason = name + QStringLiteral(": ") + t(590) + QStringLiteral(" (") + result + QLatin1Char(')');
            } else if (row.at(cUnit) == QLatin1String("0-n") && detail != QLatin1String("-")) {
                const QString detailReason = detailTable(detail);
                if (!detailReason.isEmpty())
                    reason = name + QStringLiteral(": ") + t(591) + QStringLiteral(" (") + result +
                             QStringLiteral("): ") + detailReason;
            }
        }
    }
    // The table holding the "bit" row must still read as a result table.
    if (!missingColumns(holder, kResultColumns).isEmpty())
        reason = named + t(593);
    return reason;
}

QString UdsCheck::resultRules(const Definition &d, const UdsTable &holder) const
{
    const QString &n = d.name;
    if (const int p = blankPosition(n))
        return t(575) + QStringLiteral(" (Pos=") + QString::number(p) + QLatin1Char(')');
    const QString badType = t(576) + QStringLiteral(" (") + d.type + QLatin1Char(')');
    const auto tooLong = [&](int max) -> QString {
        return t(577) + QStringLiteral(" (") + QString::number(n.size()) + QStringLiteral("/max=") +
               QString::number(max) + QLatin1Char(')');
    };
    const bool endsWert = n.size() >= 5 && n.endsWith(QLatin1String("_WERT"));

    if (d.unit == QLatin1String("0/1") || d.unit == QLatin1String("0-n")) {
        if (!isIntegerType(d.type))
            return badType;
        if (n.size() > 58)
            return tooLong(58);
        if (endsWert)
            return t(578);
        if (!hasStatPrefix(n))
            return t(579);
        if (d.unit == QLatin1String("0/1") || d.detail == QLatin1String("-"))
            return {};
        return detailTable(d.detail);
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
    if (d.unit == QLatin1String("hex"))
        return isIntegerType(d.type) ? valueName() : badType;
    if (d.unit == QLatin1String("bit")) {
        if (d.type != QLatin1String("bitfield"))
            return badType;
        return bitfieldTable(d.detail, holder);
    }
    if (!isGeneralType(d.type) && !isSizedType(d.type))
        return badType;
    if (QString reason = valueName(); !reason.isEmpty())
        return reason;
    if (!factorValid(d.mul))
        return t(581);
    if (!factorValid(d.div))
        return t(582);
    if (d.type == QLatin1String("float"))
        return t(583);
    return {};
}

QString UdsCheck::argumentRules(const Definition &d) const
{
    if (const int p = blankPosition(d.name))
        return t(584) + QStringLiteral(" (Pos=") + QString::number(p) + QLatin1Char(')');
    const QString badType = t(576) + QStringLiteral(" (") + d.type + QLatin1Char(')');
    if (d.unit == QLatin1String("0/1") || d.unit == QLatin1String("hex"))
        return isIntegerType(d.type) ? QString() : badType;
    if (d.unit == QLatin1String("0-n")) {
        if (!isIntegerType(d.type))
            return badType;
        if (d.detail == QLatin1String("-"))
            return t(585);
        return detailTable(d.detail);
    }
    if (!isGeneralType(d.type) && !isSizedType(d.type))
        return badType;
    if (!factorValid(d.mul))
        return t(581);
    if (!factorValid(d.div))
        return t(582);
    if (d.type == QLatin1String("float"))
        return t(583);
    return {};
}

QString UdsCheck::tableBlock(const QString &name, Kind kind) const
{
    const QString key = QLatin1Char(kind == Kind::Result ? 'R' : 'A') + name;
    auto cached = m_blocks.constFind(key);
    if (cached == m_blocks.constEnd())
        cached = m_blocks.insert(key, buildTableBlock(name, kind));
    return cached.value();
}

QString UdsCheck::buildTableBlock(const QString &name, Kind kind) const
{
    const int index = lookup(name);
    if (index < 0)
        return QStringLiteral("    ! ") + name + QStringLiteral(": ") + t(574) + kCrLf;
    const UdsTable table(m_catalogue, index);
    const QStringList &columns = kind == Kind::Result ? kResultColumns : kArgumentColumns;
    const QStringList missing = missingColumns(table, columns);
    if (!missing.isEmpty())
        return QStringLiteral("    ! ") + name + QStringLiteral(": ") + t(573) + kCrLf + QStringLiteral("      ") +
               missingLine(missing) + kCrLf;

    const int cName = table.column(columns.at(0));
    const int cUnit = table.column(QStringLiteral("EINHEIT"));
    const int cType = table.column(QStringLiteral("DATENTYP"));
    const int cDetail = table.column(QStringLiteral("NAME"));
    const int cMul = table.column(QStringLiteral("MUL"));
    const int cDiv = table.column(QStringLiteral("DIV"));
    QString block;
    for (int k = 1; k <= table.rowCount(); ++k) {
        const RowReader row{table, k};
        const Definition d{row.at(cName).toUpper(),   row.at(cUnit).toLower(), row.at(cType).toLower(),
                           row.at(cDetail).toUpper(), row.at(cMul).toUpper(),  row.at(cDiv).toUpper()};
        const QString reason = kind == Kind::Result ? resultRules(d, table) : argumentRules(d);
        if (!reason.isEmpty())
            block += QStringLiteral("    ! ") + name + QLatin1Char(' ') + t(566) + QString::number(k) +
                     QStringLiteral(": ") + d.name + QLatin1Char('[') + d.unit + QStringLiteral("]: ") + reason + kCrLf;
    }
    return block;
}

void UdsCheck::checkUnique(const UdsTable &functions, QString &out, int &findings) const
{
    const int cArg = functions.column(QStringLiteral("ARG"));
    const int cId = functions.column(QStringLiteral("ID"));
    const int n = functions.rowCount();
    QStringList args;
    QStringList ids;
    args.reserve(n);
    ids.reserve(n);
    for (int r = 1; r <= n; ++r) {
        const RowReader row{functions, r};
        args.append(row.at(cArg).toUpper());
        ids.append(row.at(cId));
    }
    // Rows by argument, so that a long table does not compare every pair.
    QHash<QString, QList<int>> rowsByArg;
    for (int r = 0; r < n; ++r)
        rowsByArg[args.at(r)].append(r);
    for (int r = 0; r < n; ++r) {
        const QString &a = args.at(r);
        if (const int p = blankPosition(a)) {
            out += QStringLiteral("  ! ") + a + QStringLiteral(": ") + ids.at(r) + QStringLiteral(", ") + t(564) +
                   QStringLiteral(" (Pos=") + QString::number(p) + QLatin1Char(')') + kCrLf;
            ++findings;
        }
        for (const int r2 : rowsByArg.value(a)) {
            if (r2 <= r)
                continue;
            out += QStringLiteral("  ! ") + a + QStringLiteral(": ") + t(565) + QLatin1Char('!') + kCrLf +
                   QStringLiteral("    ") + t(566) + QString::number(r + 1) + QStringLiteral(": ") + ids.at(r) +
                   QStringLiteral(" & ") + t(566) + QString::number(r2 + 1) + QStringLiteral(": ") + ids.at(r2) + kCrLf;
            ++findings;
        }
    }
}

void UdsCheck::checkRows(const UdsTable &functions, QString &out, int &findings) const
{
    int c[11];
    for (int i = 0; i < 11; ++i)
        c[i] = functions.column(kFunctionColumns.at(i));
    enum { Arg, Id, Result, Unit, Type, Name, Mul, Div, Service, ArgTable, ResTable };

    const auto line = [&](const QString &text) {
        out += text + kCrLf;
        ++findings;
    };
    for (int r = 1; r <= functions.rowCount(); ++r) {
        const RowReader row{functions, r};
        const QString id = row.at(c[Id]);
        const QString result = row.at(c[Result]).toUpper();
        const QString unit = row.at(c[Unit]).toLower();
        const QString service = row.at(c[Service]).toUpper();
        const QString argTable = row.at(c[ArgTable]).toUpper();
        const QString resTable = row.at(c[ResTable]).toUpper();
        const Definition d{result,
                           unit,
                           row.at(c[Type]).toLower(),
                           row.at(c[Name]).toUpper(),
                           row.at(c[Mul]).toUpper(),
                           row.at(c[Div]).toUpper()};
        const auto has = [&](const char *code) { return service.contains(QLatin1String(code)); };
        const QString rowNumber = QString::number(r);

        if (!has("22") && !has("2E") && !has("2F") && !has("31")) {
            const QString head = QStringLiteral("  ! Zeile") + rowNumber + QStringLiteral(": ") + id +
                                 QStringLiteral(", ") + result + QStringLiteral(": ");
            if (has("2C"))
                line(head + QStringLiteral("SID=2C, ") + t(567) + QLatin1Char('!'));
            else
                line(head + t(568) + QStringLiteral("! (SERVICE=") + service + QLatin1Char(')'));
        }

        const auto prefix = [&](const char *sid) -> QString {
            return QStringLiteral("  ! ") + t(566) + rowNumber + QStringLiteral(": ") + id + QStringLiteral(" (") +
                   QLatin1String(sid) + QStringLiteral("), ");
        };
        const auto results = [&](const char *sid, bool requireOne) {
            if (result == QLatin1String("-")) {
                if (resTable != QLatin1String("-")) {
                    const QString block = tableBlock(resTable, Kind::Result);
                    if (!block.isEmpty()) {
                        line(prefix(sid) + t(569) + QLatin1Char(' ') + resTable + QLatin1Char('!'));
                        out += block;
                    }
                } else if (requireOne) {
                    line(prefix(sid) + t(570) + QLatin1Char('!'));
                }
                return;
            }
            const QString reason = resultRules(d, functions);
            if (!reason.isEmpty())
                line(prefix(sid) + result + QLatin1Char('[') + unit + QStringLiteral("]: ") + reason);
        };
        const auto arguments = [&](const char *sid) {
            const QString block = tableBlock(argTable, Kind::Argument);
            if (!block.isEmpty()) {
                line(prefix(sid) + t(572) + QLatin1Char(' ') + argTable + QLatin1Char('!'));
                out += block;
            }
        };

        if (has("22"))
            results("$22", true);
        if (has("2E")) {
            if (argTable == QLatin1String("-"))
                line(prefix("$2E") + t(571) + QLatin1Char('!'));
            else
                arguments("$2E");
        }
        for (const char *code : {"2F", "31"}) {
            if (!has(code))
                continue;
            const char *sid = code[0] == '2' ? "$2F" : "$31";
            results(sid, false);
            if (argTable != QLatin1String("-"))
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
        const UdsTable functions(m_catalogue, lookup(kFunctionTable));
        const QStringList missing = missingColumns(functions, kFunctionColumns);
        if (!missing.isEmpty()) {
            finding(QStringLiteral("  ! ") + t(561));
            line(QStringLiteral("    ") + missingLine(missing));
        } else {
            line(QStringLiteral("  ") + t(560));
            line(t(557));
            checkUnique(functions, out, report.findings);
            line(t(558));
            checkRows(functions, out, report.findings);
        }
    }
    line(kFrame);
    line(descriptionName + QStringLiteral(": ") + t(554));
    line(kFrame);
    return report;
}

} // namespace kitbox
