#pragma once
// The rules of the job window that do not need the window: the argument
// field, the histories, the result filter, the search and the assistants.
#include <QString>
#include <QStringList>

namespace kitbox {

class JobWindowRules {
public:
    static constexpr int maxHistory = 20;
    static constexpr int maxResultFilterLength = 255;

    // TAB characters of the argument field become ";".
    static QString replaceTabs(const QString &text)
    {
        return QString(text).replace(QLatin1Char('\t'), QLatin1Char(';'));
    }

    // Enter in a field: the trimmed text goes to the top, other equal entries
    // leave, and the list keeps at most 20 entries. An empty text is not kept.
    static void addToHistory(QStringList &history, const QString &text);

    // Whether the selected result names together stay within 255 characters.
    static bool resultSelectionFits(const QStringList &selected);
    // The selected names in list order, joined by ";", up to (not including)
    // the first one containing "----".
    static QString resultFilter(const QStringList &selected);

    // Circular prefix search starting at the selected entry; -1 when none matches.
    static int search(const QStringList &entries, int selected, const QString &prefix);

    enum class Assistant { None, StatusRead, Control };
    struct AssistantChoice {
        Assistant assistant = Assistant::None;
        QString service; // "2E", "2F" or "31" for the control assistant
    };
    static AssistantChoice assistantFor(const QString &jobName);
    // btnArgumentCompose: one of the four UDS jobs of a description with its
    // own SG_FUNKTIONEN.
    static bool composeEnabled(const QString &jobName, bool isUdsSgbd)
    {
        return isUdsSgbd && assistantFor(jobName).assistant != Assistant::None;
    }
};

} // namespace kitbox
