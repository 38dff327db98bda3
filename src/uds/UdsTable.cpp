#include "uds/UdsTable.h"

#include "catalogue/JobCatalogue.h"

namespace kitbox {

UdsTable::UdsTable(const JobCatalogue &catalogue, int index)
{
    if (index < 0 || index >= catalogue.tables.size())
        return;
    m_index = index;
    m_text = TableText::fromCatalogue(catalogue, index);
    m_header = m_text.columnNames();
    for (QString &name : m_header)
        name = name.trimmed().toUpper();
}

int UdsTable::lookup(const JobCatalogue &catalogue, const QString &name)
{
    for (qsizetype i = 0; i < catalogue.tables.size(); ++i)
        if (catalogue.tables.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int UdsTable::ownTable(const JobCatalogue &catalogue, const QString &name)
{
    return catalogue.ownTableIndex(name);
}

int UdsTable::column(const QString &name) const
{
    return int(m_header.indexOf(name.trimmed().toUpper()));
}

} // namespace kitbox
