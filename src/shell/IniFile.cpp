#include "IniFile.h"

#include "FileSave.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>

namespace {

// A settings file is a few kilobytes; anything this large is not one.
constexpr qint64 maxFileSize = 16 * 1024 * 1024;

const QByteArray utf8Bom("\xEF\xBB\xBF");

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

std::string fileError(const QString &path, const QString &reason)
{
    return QString(path + QStringLiteral(": ") + reason).toStdString();
}

} // namespace

kitbox::Status IniFile::load(const QString &path)
{
    m_path = path;
    m_lines.clear();
    m_latin1 = false;
    m_bom = false;
    QFileInfo info(path);
    if (!info.exists())
        return kitbox::success();
    if (info.isDir())
        return kitbox::failure(fileError(path, QStringLiteral("is a directory")));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return kitbox::failure(fileError(path, file.errorString()));
    if (file.size() > maxFileSize)
        return kitbox::failure(fileError(path, QStringLiteral("file too large for a settings file")));
    const QByteArray data = file.read(maxFileSize + 1);
    if (data.size() > maxFileSize)
        return kitbox::failure(fileError(path, QStringLiteral("file too large for a settings file")));
    if (file.error() != QFileDevice::NoError)
        return kitbox::failure(fileError(path, file.errorString()));
    loadFromData(data);
    return kitbox::success();
}

void IniFile::loadFromData(const QByteArray &data)
{
    m_lines.clear();
    QByteArrayView bytes(data);
    m_bom = bytes.startsWith(utf8Bom);
    if (m_bom)
        bytes = bytes.sliced(utf8Bom.size());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    m_latin1 = utf8.hasError();
    if (m_latin1)
        text = QString::fromLatin1(bytes);

    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype lf = text.indexOf(u'\n', start);
        if (lf < 0) {
            m_lines.push_back({text.mid(start), QString()});
            break;
        }
        const bool crlf = lf > start && text.at(lf - 1) == u'\r';
        const qsizetype end = crlf ? lf - 1 : lf;
        m_lines.push_back({text.mid(start, end - start), crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")});
        start = lf + 1;
    }
}

bool IniFile::isSectionHeader(const QString &text, QString *name)
{
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(u'['))
        return false;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
        return false;
    if (name)
        *name = trimmed.mid(1, close - 1).trimmed();
    return true;
}

bool IniFile::splitEntry(const QString &text, QString *key, QString *value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || isComment(trimmed) || trimmed.startsWith(u'['))
        return false;
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return false;
    const QString k = text.left(eq).trimmed();
    if (k.isEmpty())
        return false;
    if (key)
        *key = k;
    if (value)
        *value = text.mid(eq + 1).trimmed();
    return true;
}

int IniFile::findSection(const QString &section) const
{
    const QString wanted = section.trimmed();
    QString name;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (isSectionHeader(m_lines[i].text, &name) && name.compare(wanted, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

int IniFile::sectionEnd(int headerIndex) const
{
    for (size_t i = size_t(headerIndex) + 1; i < m_lines.size(); ++i) {
        if (isSectionHeader(m_lines[i].text, nullptr))
            return int(i);
    }
    return int(m_lines.size());
}

int IniFile::findKey(int headerIndex, const QString &key) const
{
    const QString wanted = key.trimmed();
    const int end = sectionEnd(headerIndex);
    QString k;
    for (int i = headerIndex + 1; i < end; ++i) {
        if (splitEntry(m_lines[size_t(i)].text, &k, nullptr) && k.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString IniFile::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const int header = findSection(section);
    if (header < 0)
        return defaultValue;
    const int line = findKey(header, key);
    if (line < 0)
        return defaultValue;
    QString v;
    splitEntry(m_lines[size_t(line)].text, nullptr, &v);
    return v;
}

int IniFile::parseInt(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == u'-' || t.at(i) == u'+')) {
        negative = t.at(i) == u'-';
        ++i;
    }
    qint64 result = 0;
    for (; i < t.size() && t.at(i).isDigit() && t.at(i).unicode() < 128; ++i) {
        result = result * 10 + (t.at(i).unicode() - u'0');
        if (result > qint64(std::numeric_limits<int>::max()) + 1)
            break; // saturate below
    }
    if (negative)
        result = -result;
    if (result > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (result < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(result);
}

int IniFile::intValue(const QString &section, const QString &key, int defaultValue) const
{
    const int header = findSection(section);
    if (header < 0)
        return defaultValue;
    const int line = findKey(header, key);
    if (line < 0)
        return defaultValue;
    QString v;
    splitEntry(m_lines[size_t(line)].text, nullptr, &v);
    return parseInt(v);
}

QString IniFile::newLineEnding() const
{
    for (const Line &line : m_lines) {
        if (!line.ending.isEmpty())
            return line.ending;
    }
    return QStringLiteral("\r\n");
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    QString clean = value;
    clean.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    clean.replace(u'\r', u' ');
    clean.replace(u'\n', u' ');
    const QString eol = newLineEnding();

    int header = findSection(section);
    if (header < 0) {
        if (!m_lines.empty()) {
            if (m_lines.back().ending.isEmpty())
                m_lines.back().ending = eol;
            if (!m_lines.back().text.trimmed().isEmpty())
                m_lines.push_back({QString(), eol});
        }
        m_lines.push_back({u'[' + section.trimmed() + u']', eol});
        m_lines.push_back({key.trimmed() + u'=' + clean, eol});
        return;
    }

    const int line = findKey(header, key);
    if (line >= 0) {
        Line &l = m_lines[size_t(line)];
        QString current;
        splitEntry(l.text, nullptr, &current);
        if (current == clean.trimmed())
            return; // unchanged lines stay byte for byte
        // Keep the writer's spelling of the key and the blanks around "=".
        qsizetype cut = l.text.indexOf(u'=') + 1;
        while (cut < l.text.size() && (l.text.at(cut) == u' ' || l.text.at(cut) == u'\t'))
            ++cut;
        l.text = l.text.left(cut) + clean;
        return;
    }

    // After the section's last non-blank line, so blank separators stay below.
    int insertAt = header + 1;
    const int end = sectionEnd(header);
    for (int i = end - 1; i > header; --i) {
        if (!m_lines[size_t(i)].text.trimmed().isEmpty()) {
            insertAt = i + 1;
            break;
        }
    }
    Line &before = m_lines[size_t(insertAt - 1)];
    if (before.ending.isEmpty())
        before.ending = eol;
    m_lines.insert(m_lines.begin() + insertAt, Line{key.trimmed() + u'=' + clean, eol});
}

void IniFile::setIntValue(const QString &section, const QString &key, int value)
{
    setValue(section, key, QString::number(value));
}

QStringList IniFile::sections() const
{
    QStringList result;
    QString name;
    for (const Line &line : m_lines) {
        if (isSectionHeader(line.text, &name))
            result << name;
    }
    return result;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList result;
    const int header = findSection(section);
    if (header < 0)
        return result;
    const int end = sectionEnd(header);
    QString k;
    for (int i = header + 1; i < end; ++i) {
        if (splitEntry(m_lines[size_t(i)].text, &k, nullptr))
            result << k;
    }
    return result;
}

QByteArray IniFile::toData() const
{
    QString text;
    for (const Line &line : m_lines)
        text += line.text + line.ending;
    bool latin1 = m_latin1;
    if (latin1) {
        for (QChar c : std::as_const(text)) {
            if (c.unicode() > 0xFF) {
                latin1 = false; // a new value needs more than Latin-1 can hold
                break;
            }
        }
    }
    QByteArray data = latin1 ? text.toLatin1() : text.toUtf8();
    if (m_bom)
        data.prepend(utf8Bom);
    return data;
}

kitbox::Status IniFile::save() const
{
    if (m_path.isEmpty())
        return kitbox::failure("settings file without a path");
    return kitbox::saveFileAtomically(m_path, toData());
}

kitbox::Status IniFile::saveAs(const QString &path)
{
    m_path = path;
    return save();
}
