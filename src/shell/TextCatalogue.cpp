#include "TextCatalogue.h"

#include "IniFile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace {

constexpr int englishBase = 10000;
constexpr int lastGermanId = 611;
constexpr int textUnknownId = 3;
constexpr int textBoxTitle = 4;

// The program's own texts beyond the original catalogue: German 20000..29999,
// English again 10000 above.
constexpr int firstOwnId = 20000;
constexpr int lastOwnId = 29999;

bool validGermanId(int id)
{
    return (id >= 1 && id <= lastGermanId) || (id >= firstOwnId && id <= lastOwnId);
}

bool validId(int id)
{
    return validGermanId(id) || (id > englishBase && validGermanId(id - englishBase));
}

std::string lineError(int lineNumber, const char *reason)
{
    return "text catalogue line " + std::to_string(lineNumber) + ": " + reason;
}

// Undoes the escapes of the data file; false on an unknown or cut-off escape.
bool unescape(QStringView in, QString *out)
{
    qsizetype escape = in.indexOf(u'\\');
    if (escape < 0) {
        *out = in.toString();
        return true;
    }
    out->clear();
    out->reserve(in.size());
    qsizetype from = 0;
    while (escape >= 0) {
        out->append(in.sliced(from, escape - from));
        if (escape + 1 >= in.size())
            return false;
        switch (in.at(escape + 1).unicode()) {
        case u'\\':
            *out += u'\\';
            break;
        case u't':
            *out += u'\t';
            break;
        case u'r':
            *out += u'\r';
            break;
        case u'n':
            *out += u'\n';
            break;
        default:
            return false;
        }
        from = escape + 2;
        escape = in.indexOf(u'\\', from);
    }
    out->append(in.sliced(from));
    return true;
}

} // namespace

TextCatalogue &TextCatalogue::shared()
{
    static TextCatalogue catalogue = [] {
        TextCatalogue c;
        const kitbox::Status status = c.loadBuiltIn();
        if (!status)
            qWarning("%s", status.error().c_str());
        return c;
    }();
    return catalogue;
}

kitbox::Status TextCatalogue::loadBuiltIn()
{
    QFile file(QStringLiteral(":/texts/texts.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return kitbox::failure("built-in text catalogue missing: " + file.errorString().toStdString());
    return load(file.readAll());
}

kitbox::Status TextCatalogue::load(const QByteArray &data)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(data);
    if (utf8.hasError())
        return kitbox::failure("text catalogue is not valid UTF-8");

    QHash<int, QString> texts;
    texts.reserve(text.count(u'\n') + 1);
    int lineNumber = 0;
    const QStringView all(text);
    for (qsizetype start = 0; start <= all.size();) {
        qsizetype end = all.indexOf(u'\n', start);
        if (end < 0)
            end = all.size();
        QStringView line = all.sliced(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0)
            return kitbox::failure(lineError(lineNumber, "no tab between id and text"));
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (!ok || !validId(id))
            return kitbox::failure(lineError(lineNumber, "id is not a catalogue id"));
        QStringView body = line.mid(tab + 1);
        if (!body.endsWith(u'|'))
            return kitbox::failure(lineError(lineNumber, "text does not end with '|'"));
        body.chop(1);
        QString value;
        if (!unescape(body, &value))
            return kitbox::failure(lineError(lineNumber, "unknown escape"));
        if (texts.contains(id))
            return kitbox::failure(lineError(lineNumber, "id appears twice"));
        texts.insert(id, std::move(value));
    }
    m_texts = std::move(texts);
    return kitbox::success();
}

QList<int> TextCatalogue::ids() const
{
    QList<int> result = m_texts.keys();
    std::sort(result.begin(), result.end());
    return result;
}

QString TextCatalogue::text(int id) const
{
    // Text 1 of a foreign catalogue may hold any number; an id pushed past
    // the range of ids by it is simply missing.
    const qint64 absolute = qint64(m_offset) + id;
    if (absolute >= std::numeric_limits<int>::min() && absolute <= std::numeric_limits<int>::max()) {
        const auto it = m_texts.constFind(int(absolute));
        if (it != m_texts.constEnd())
            return *it;
    }
    if (id != textUnknownId && id != textBoxTitle && m_missingHandler) {
        const QString message = text(textUnknownId) + u' ' + QString::number(absolute) + u'\n' +
                                QStringLiteral("The text catalogue has no text with this id.");
        m_missingHandler(text(textBoxTitle), message);
    }
    return QString();
}

void TextCatalogue::selectLanguage(const QString &languageLetter)
{
    if (languageLetter.left(1).toUpper() == QLatin1String("E"))
        m_offset = IniFile::parseInt(rawText(1));
    else
        m_offset = 0;
}

QString TextCatalogue::helpFileName(const QString &programDirectory, const QString &executableBaseName) const
{
    QString directory = programDirectory;
    if (!directory.isEmpty() && !directory.endsWith(u'/'))
        directory += u'/';
    // The directory keeps its case (the file system tells case apart); the
    // help file's own name is upper-cased.
    return directory + (executableBaseName + text(2).trimmed() + QStringLiteral(".CHM")).toUpper();
}
