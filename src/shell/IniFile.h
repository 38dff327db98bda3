#pragma once
// A profile file of the INI kind that we read and write ourselves.
//
// Reading is key-wise with a default; section and key names match without
// regard to case; values are taken as written (trimmed, no quoting, no
// escapes). Writing is key-wise too and keeps every line the program does not
// own exactly as it was: comments, unknown keys and sections, blank lines,
// order and line endings. A new key goes after the last entry of its section,
// a new section at the end of the file. save() replaces the file atomically.
#include <kitbox/Result.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class IniFile {
public:
    IniFile() = default;

    // Reads the file. A missing file is an empty profile (and becomes the
    // save target); a file that exists but cannot be read, or is implausibly
    // large, is an error and leaves this object empty.
    kitbox::Status load(const QString &path);
    // Takes the profile from memory (UTF-8; not valid UTF-8 is read as Latin-1).
    void loadFromData(const QByteArray &data);

    QString path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }

    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    // Integer reading: a missing key gives the default; otherwise an optional
    // sign and the leading decimal digits count, anything else reads as 0.
    int intValue(const QString &section, const QString &key, int defaultValue) const;
    // Line breaks inside the value are replaced by blanks (a value is one line).
    void setValue(const QString &section, const QString &key, const QString &value);
    void setIntValue(const QString &section, const QString &key, int value);

    QStringList sections() const;
    QStringList keys(const QString &section) const;

    // The file as it would be written (encoding and line endings as read).
    QByteArray toData() const;
    // Writes to path() atomically; the error text names the file and the reason.
    kitbox::Status save() const;
    kitbox::Status saveAs(const QString &path);

    // The platform's integer reading of a text, see intValue().
    static int parseInt(const QString &text);

private:
    struct Line {
        QString text;   // without line ending
        QString ending; // "\r\n", "\n", "\r" or empty for the last line
    };
    int findSection(const QString &section) const;          // index of the header line or -1
    int sectionEnd(int headerIndex) const;                  // index after the section's last line
    int findKey(int headerIndex, const QString &key) const; // line index or -1
    static bool isSectionHeader(const QString &text, QString *name);
    static bool splitEntry(const QString &text, QString *key, QString *value);
    QString newLineEnding() const;

    QString m_path;
    std::vector<Line> m_lines;
    bool m_latin1 = false; // the file was not valid UTF-8; kept that way while every value fits
    bool m_bom = false;    // the file started with a UTF-8 byte order mark
};
