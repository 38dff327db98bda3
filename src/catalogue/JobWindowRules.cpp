#include "catalogue/JobWindowRules.h"

namespace kitbox {

void JobWindowRules::addToHistory(QStringList &history, const QString &text)
{
    const QString entry = text.trimmed();
    if (entry.isEmpty())
        return;
    history.removeAll(entry);
    history.prepend(entry);
    while (history.size() > maxHistory)
        history.removeLast();
}

bool JobWindowRules::resultSelectionFits(const QStringList &selected)
{
    qsizetype total = 0;
    for (const QString &name : selected)
        total += name.size();
    return total <= maxResultFilterLength;
}

QString JobWindowRules::resultFilter(const QStringList &selected)
{
    QString filter;
    for (const QString &name : selected) {
        if (name.contains(QLatin1String("----")))
            break;
        filter += name + QLatin1Char(';');
    }
    filter.chop(filter.endsWith(QLatin1Char(';')) ? 1 : 0);
    return filter;
}

int JobWindowRules::search(const QStringList &entries, int selected, const QString &prefix)
{
    const int n = int(entries.size());
    if (prefix.isEmpty() || n == 0)
        return -1;
    const int start = selected >= 0 && selected < n ? selected : 0;
    for (int i = 0; i < n; ++i) {
        const int index = (start + i) % n;
        if (entries.at(index).startsWith(prefix, Qt::CaseSensitive))
            return index;
    }
    return -1;
}

JobWindowRules::AssistantChoice JobWindowRules::assistantFor(const QString &jobName)
{
    const QString job = jobName.trimmed().toUpper();
    if (job == QLatin1String("STATUS_LESEN"))
        return {Assistant::StatusRead, QString()};
    if (job == QLatin1String("STEUERN"))
        return {Assistant::Control, QStringLiteral("2E")};
    if (job == QLatin1String("STEUERN_IO"))
        return {Assistant::Control, QStringLiteral("2F")};
    if (job == QLatin1String("STEUERN_ROUTINE"))
        return {Assistant::Control, QStringLiteral("31")};
    return {};
}

} // namespace kitbox
