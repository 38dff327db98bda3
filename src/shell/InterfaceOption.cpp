#include "InterfaceOption.h"

InterfaceTexts InterfaceOption::splitTexts(const QString &text)
{
    // The padding makes every one of the four pieces exist, empty when missing.
    const QString padded = text + QStringLiteral(",,,,");
    InterfaceTexts texts;
    for (int i = 0; i < 4; ++i)
        texts[size_t(i)] = padded.section(u',', i, i);
    return texts;
}

QString InterfaceOption::joinTexts(const InterfaceTexts &texts)
{
    return texts[0] + u',' + texts[1] + u',' + texts[2] + u',' + texts[3];
}

namespace {

// The numeric value of the two characters after the option word: leading
// decimal digits count, anything else gives 0.
int instanceNumber(const QString &twoChars)
{
    int value = 0;
    for (QChar c : twoChars) {
        if (c.unicode() < u'0' || c.unicode() > u'9')
            break;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

ParsedCommandLine parseCommandLine(const QString &commandLine)
{
    static const QString word = QStringLiteral("-INTERFACE");
    ParsedCommandLine parsed;
    QString line = commandLine;
    line.remove(u'"');

    const qsizetype start = line.indexOf(word, 0, Qt::CaseInsensitive);
    if (start < 0) {
        parsed.commandLine = line;
        return parsed;
    }
    const qsizetype blank = line.indexOf(u' ', start);
    InterfaceOption &option = parsed.option;
    option.optionText = blank < 0 ? line.mid(start) : line.mid(start, blank - start);
    // The words before and after the option stay apart by one blank, so a
    // test file and the trace levels after it remain separate words.
    const QString before = line.left(start).trimmed();
    const QString after = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
    parsed.commandLine = before.isEmpty() || after.isEmpty() ? QString(before + after) : QString(before + u' ' + after);

    option.instance = instanceNumber(option.optionText.mid(word.size(), 2));
    if (option.instance == 0)
        return parsed;
    const qsizetype eq = option.optionText.indexOf(u'=');
    if (eq >= 0)
        option.texts = InterfaceOption::splitTexts(option.optionText.mid(eq + 1));
    return parsed;
}
