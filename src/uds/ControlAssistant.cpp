#include "uds/ControlAssistant.h"

#include "catalogue/JobCatalogue.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsTable.h"

namespace kitbox {

namespace {

constexpr int textArgumentsFor = 603;
constexpr int textArgumentsIn = 606;
constexpr int textMaximumTen = 607;
constexpr int textRow = 609;
constexpr int textValueEmpty = 610;
constexpr int textNoStatus = 611;

QString cellOr(const UdsTable &table, int row, int column, const QString &missing)
{
    return column < 0 ? missing : table.cell(row, column).trimmed();
}

ControlAssistant::EntryKind kindOf(const QString &unit)
{
    if (unit == QLatin1String("0/1"))
        return ControlAssistant::EntryKind::Switch;
    if (unit == QLatin1String("0-n"))
        return ControlAssistant::EntryKind::Discrete;
    return ControlAssistant::EntryKind::Text;
}

QString beforeBar(const QString &text)
{
    const qsizetype bar = text.indexOf(QLatin1String(" | "));
    return bar < 0 ? text : text.left(bar);
}

QString afterBar(const QString &text)
{
    const qsizetype bar = text.indexOf(QLatin1String(" | "));
    return bar < 0 ? QString() : text.mid(bar + 3);
}

} // namespace

ControlAssistant::ControlAssistant(const JobCatalogue &catalogue, const TextCatalogue &texts, const QString &service)
    : m_catalogue(catalogue), m_texts(texts), m_service(service.trimmed().toUpper()), m_values(maxValues)
{
    auto option = [](const char *caption, const char *tip, bool visible = true) {
        return ParameterOption{QString::fromLatin1(caption), QString::fromLatin1(tip), visible};
    };
    if (m_service == QLatin1String("2F")) {
        m_parameters = {option("RCTECU", "returnControlToECU"), option("RTD", "resetToDefault"),
                        option("FCS", "freezeCurrentState"), option("STA", "shortTermAdjustment")};
        m_parameter = 3;
    } else if (m_service == QLatin1String("31")) {
        m_parameters = {option("STR", "startRoutine"), option("STPR", "stopRoutine"),
                        option("RRR", "requestRoutineResults"), option("", "", false)};
    } else {
        // Hidden, but the row filter still reads the first one.
        m_parameters = {option("STR", "", false), option("STR", "", false), option("STPR", "", false),
                        option("RRR", "", false)};
    }
}

QString ControlAssistant::jobName(const QString &service)
{
    const QString s = service.trimmed().toUpper();
    if (s == QLatin1String("2E"))
        return QStringLiteral("STEUERN");
    if (s == QLatin1String("2F"))
        return QStringLiteral("STEUERN_IO");
    if (s == QLatin1String("31"))
        return QStringLiteral("STEUERN_ROUTINE");
    return u'<' + s + QStringLiteral("> Tag unbekannt !");
}

QString ControlAssistant::caption() const
{
    return m_texts.text(textArgumentsFor) + u' ' + jobName(m_service);
}

void ControlAssistant::open(const QString &argument)
{
    m_initialising = true;
    const QStringList parts = argument.split(u';');
    m_column = UdsFunctionList::columnOption(parts.value(0));
    fillStatus();
    if (!selectStatusByName(parts.value(1)))
        setStatus(0);
    int firstValue = 2;
    if (m_service == QLatin1String("2F") || m_service == QLatin1String("31")) {
        if (!selectParameter(parts.value(2)))
            m_parameter = m_service == QLatin1String("2F") ? 3 : 0;
        firstValue = 3;
    }
    buildGrid();
    for (qsizetype p = firstValue, i = 0; p < parts.size() && i < maxValues; ++p, ++i)
        fillValue(int(i), parts.at(p));
    m_initialising = false;
}

void ControlAssistant::fillStatus()
{
    m_status = UdsFunctionList::fill(m_catalogue, selector(), m_info, m_service, true);
    m_statusIndex = m_status.isEmpty() ? -1 : 0;
    if (!m_initialising)
        buildGrid();
}

void ControlAssistant::setColumn(int option)
{
    m_column = qBound(0, option, int(UdsFunctionList::columnCaptions().size()) - 1);
    fillStatus();
}

void ControlAssistant::setInfo(bool info)
{
    m_info = info;
    fillStatus();
}

void ControlAssistant::setStatus(int index)
{
    if (index < 0 || index >= m_status.size())
        return;
    m_statusIndex = index;
    if (!m_initialising)
        buildGrid();
}

bool ControlAssistant::selectStatusByName(const QString &name)
{
    const int found = UdsFunctionList::findByName(m_status, name);
    if (found < 0)
        return false;
    setStatus(found);
    return true;
}

bool ControlAssistant::statusWarning() const
{
    return m_status.isEmpty() || (m_status.size() == 1 && UdsFunctionList::isMessage(m_status.first().text));
}

void ControlAssistant::setParameter(int option)
{
    if (option < 0 || option >= m_parameters.size() || !m_parameters.at(option).visible)
        return;
    m_parameter = option;
    if (!m_initialising)
        buildGrid();
}

bool ControlAssistant::selectParameter(const QString &caption)
{
    const QString wanted = caption.trimmed().toUpper();
    for (qsizetype i = 0; i < m_parameters.size(); ++i)
        if (m_parameters.at(i).visible && !wanted.isEmpty() && m_parameters.at(i).caption == wanted) {
            setParameter(int(i));
            return true;
        }
    return false;
}

QString ControlAssistant::controlParameter() const
{
    if (m_parameter < 0 || m_parameter >= m_parameters.size())
        return {};
    if (m_parameter == 3 && !m_parameters.at(3).visible)
        return {};
    return m_parameters.at(m_parameter).caption;
}

QString ControlAssistant::argumentTableName() const
{
    const int index = m_statusIndex >= 0 ? m_status.at(m_statusIndex).argumentTable : -1;
    return index >= 0 && index < m_catalogue.tables.size() ? m_catalogue.tables.at(index).name : QString();
}

void ControlAssistant::buildGrid()
{
    m_rows.clear();
    m_gridError.clear();
    m_gridShown = true;
    m_values = QList<ValueEntry>(maxValues);
    const int index = m_statusIndex >= 0 ? m_status.at(m_statusIndex).argumentTable : -1;
    if (index < 0)
        return;

    const QString parameter = controlParameter();
    const bool routine = m_service == QLatin1String("31");
    const UdsTable table(m_catalogue, index);
    const int cArg = table.column(QStringLiteral("ARG"));
    const int cUnit = table.column(QStringLiteral("EINHEIT"));
    const int cType = table.column(QStringLiteral("DATENTYP"));
    const int cMul = table.column(QStringLiteral("MUL"));
    const int cDiv = table.column(QStringLiteral("DIV"));
    const int cAdd = table.column(QStringLiteral("ADD"));
    const int cMin = table.column(QStringLiteral("MIN"));
    const int cMax = table.column(QStringLiteral("MAX"));
    const int cInfo = table.column(QStringLiteral("INFO"));
    const int cName = table.column(QStringLiteral("NAME"));
    const int cStr = routine ? table.column(QStringLiteral("STR")) : -1;
    const int cStpr = routine ? table.column(QStringLiteral("STPR")) : -1;
    const QString dash = QStringLiteral("-");
    const QString plus = QStringLiteral("+");
    const bool none = parameter == QLatin1String("RRR") || parameter == QLatin1String("RCTECU") ||
                      parameter == QLatin1String("RTD") || parameter == QLatin1String("FCS");
    for (int r = 1; r <= table.rowCount() && !none; ++r) {
        UdsArgumentRow row;
        row.str = cellOr(table, r, cStr, plus);
        row.stpr = cellOr(table, r, cStpr, plus);
        if (parameter == QLatin1String("STR") && row.str != plus)
            continue;
        if (parameter == QLatin1String("STPR") && row.stpr != plus)
            continue;
        row.arg = cellOr(table, r, cArg, dash);
        row.einheit = cellOr(table, r, cUnit, dash);
        row.datentyp = cellOr(table, r, cType, dash);
        row.mul = cellOr(table, r, cMul, dash);
        row.div = cellOr(table, r, cDiv, dash);
        row.add = cellOr(table, r, cAdd, dash);
        row.min = cellOr(table, r, cMin, dash);
        row.max = cellOr(table, r, cMax, dash);
        row.info = cellOr(table, r, cInfo, dash);
        row.name = cellOr(table, r, cName, dash);
        m_rows.append(row);
    }

    if (m_rows.size() > maxValues) {
        m_gridShown = false;
        m_gridError = QStringLiteral("\r") + QString::number(m_rows.size()) + u' ' + m_texts.text(textArgumentsIn) +
                      u' ' + m_catalogue.tables.at(index).name + QStringLiteral("\r\r") +
                      m_texts.text(textMaximumTen);
        return;
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        ValueEntry &entry = m_values[i];
        entry.kind = kindOf(m_rows.at(i).einheit);
        if (entry.kind == EntryKind::Switch)
            entry.items = {QStringLiteral("0"), QStringLiteral("1")};
        else if (entry.kind == EntryKind::Discrete)
            entry.items = discreteItems(m_rows.at(i).name);
    }
}

QStringList ControlAssistant::discreteItems(const QString &tableName) const
{
    if (tableName == QLatin1String("-"))
        return {QStringLiteral("---- Tabelle diskrete Werte nicht gefunden ----")};
    const int index = m_catalogue.ownTableIndex(tableName);
    if (index < 0)
        return {};
    const UdsTable table(m_catalogue, index);
    const int cWert = table.column(QStringLiteral("WERT"));
    const int cText = table.column(QStringLiteral("TEXT"));
    QStringList items;
    for (int r = 1; r <= table.rowCount(); ++r)
        items.append(cellOr(table, r, cWert, QStringLiteral("-")) + QStringLiteral(" | ") +
                     cellOr(table, r, cText, QStringLiteral("-")));
    return items;
}

QStringList ControlAssistant::gridCells(const UdsArgumentRow &row)
{
    return {row.arg, row.datentyp, row.min, row.max, row.einheit, row.mul, row.div, row.add};
}

QString ControlAssistant::infoString() const
{
    QString info;
    for (const UdsArgumentRow &row : m_rows)
        info += row.info + QStringLiteral("#|#");
    return info;
}

QString ControlAssistant::rowToolTip(int row) const
{
    return row >= 1 && row <= m_rows.size() ? m_rows.at(row - 1).info : QString();
}

void ControlAssistant::setValueText(int i, const QString &text)
{
    if (i < 0 || i >= m_values.size())
        return;
    ValueEntry &entry = m_values[i];
    entry.text = text;
    if (entry.kind == EntryKind::Text)
        entry.valid = i < m_rows.size() && UdsValueCheck::isValid(text, m_rows.at(i));
    else
        entry.valid = !text.isEmpty() && entry.items.contains(text) && !UdsFunctionList::isMessage(text);
}

void ControlAssistant::chooseValue(int i, int item)
{
    if (i < 0 || i >= m_values.size() || item < 0 || item >= m_values.at(i).items.size())
        return;
    m_values[i].text = m_values.at(i).items.at(item);
    // Choosing from the list makes the entry good, whatever it holds.
    m_values[i].valid = true;
}

void ControlAssistant::fillValue(int i, const QString &value)
{
    if (i < 0 || i >= m_values.size())
        return;
    const ValueEntry &entry = m_values.at(i);
    switch (entry.kind) {
    case EntryKind::None:
        return;
    case EntryKind::Text:
        setValueText(i, value);
        return;
    case EntryKind::Switch: {
        const qsizetype k = entry.items.indexOf(value);
        if (k >= 0)
            chooseValue(i, int(k));
        return;
    }
    case EntryKind::Discrete: {
        for (qsizetype k = 0; k < entry.items.size(); ++k)
            if (afterBar(entry.items.at(k)) == value && entry.items.at(k).contains(QLatin1String(" | "))) {
                chooseValue(i, int(k));
                return;
            }
        const std::optional<double> wanted = UdsValueCheck::number(value);
        if (wanted)
            for (qsizetype k = 0; k < entry.items.size(); ++k) {
                const std::optional<double> wert = UdsValueCheck::number(beforeBar(entry.items.at(k)));
                if (wert && *wert == *wanted && entry.items.at(k).contains(QLatin1String(" | "))) {
                    chooseValue(i, int(k));
                    return;
                }
            }
        setValueText(i, value);
        return;
    }
    }
}

int ControlAssistant::firstInvalidValue() const
{
    if (!m_gridShown)
        return -1;
    for (qsizetype i = 0; i < m_rows.size() && i < m_values.size(); ++i)
        if (m_values.at(i).kind != EntryKind::None && !m_values.at(i).valid)
            return int(i);
    return -1;
}

ControlAssistant::Composed ControlAssistant::compose() const
{
    Composed composed;
    const QString status = m_statusIndex >= 0 ? m_status.at(m_statusIndex).text : QString();
    if (m_statusIndex < 0 || status.contains(QLatin1String("----"))) {
        composed.error = m_texts.text(textNoStatus);
        return composed;
    }
    QString text = selector() + u';' + UdsFunctionList::entryName(status);
    if (m_service != QLatin1String("2E"))
        text += u';' + controlParameter();
    if (m_gridShown) {
        for (qsizetype i = 0; i < m_rows.size() && i < m_values.size(); ++i) {
            const ValueEntry &entry = m_values.at(i);
            QString value;
            if (entry.kind == EntryKind::Text)
                value = entry.text;
            else if (entry.kind == EntryKind::Switch)
                value = beforeBar(entry.text);
            else if (entry.kind == EntryKind::Discrete)
                value = afterBar(entry.text);
            if (entry.text.trimmed().isEmpty())
                composed.emptyValues.append(m_texts.text(textRow) + u' ' + QString::number(i + 1) +
                                            QStringLiteral(": ") + m_texts.text(textValueEmpty));
            text += u';' + value;
        }
    }
    composed.ok = true;
    composed.text = text;
    return composed;
}

} // namespace kitbox
