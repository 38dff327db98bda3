#include "uds/StatusReadAssistant.h"

namespace kitbox {

StatusReadAssistant::StatusReadAssistant(const JobCatalogue &catalogue) : m_catalogue(catalogue)
{
    fill();
}

void StatusReadAssistant::fill()
{
    m_entries = UdsFunctionList::fill(m_catalogue, selector(), m_info, QStringLiteral("22"), false);
    m_selected = QList<bool>(m_entries.size(), false);
}

void StatusReadAssistant::setColumn(int option)
{
    m_column = qBound(0, option, int(UdsFunctionList::columnCaptions().size()) - 1);
    fill();
}

void StatusReadAssistant::setInfo(bool info)
{
    m_info = info;
    fill();
}

QStringList StatusReadAssistant::entryTexts() const
{
    QStringList texts;
    texts.reserve(m_entries.size());
    for (const UdsFunctionEntry &e : m_entries)
        texts.append(e.text);
    return texts;
}

void StatusReadAssistant::setSelected(int entry, bool selected)
{
    if (entry >= 0 && entry < m_selected.size())
        m_selected[entry] = selected;
}

bool StatusReadAssistant::selectByName(const QString &name)
{
    const int found = UdsFunctionList::findByName(m_entries, name);
    setSelected(found, true);
    return found >= 0;
}

QList<int> StatusReadAssistant::selectedEntries() const
{
    QList<int> list;
    for (qsizetype i = 0; i < m_selected.size(); ++i)
        if (m_selected.at(i))
            list.append(int(i));
    return list;
}

void StatusReadAssistant::preselect(const QString &argument)
{
    const QStringList parts = argument.split(u';');
    setColumn(UdsFunctionList::columnOption(parts.value(0)));
    for (qsizetype i = 1; i < parts.size(); ++i)
        selectByName(parts.at(i));
}

QString StatusReadAssistant::toolTip() const
{
    QStringList names;
    for (int i : selectedEntries())
        names.append(UdsFunctionList::entryName(m_entries.at(i).text));
    return names.join(u';');
}

QString StatusReadAssistant::compose() const
{
    QString result = selector();
    for (int i : selectedEntries())
        if (!m_entries.at(i).text.contains(QLatin1String("----")))
            result += u';' + UdsFunctionList::entryName(m_entries.at(i).text);
    return result;
}

} // namespace kitbox
