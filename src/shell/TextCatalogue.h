#pragma once
// The bilingual text catalogue: every user-visible text by numeric id. German
// texts have ids 1..611, the program's own later texts 20000..29999; the
// English text of id n has id 10000 + n; the language offset (0 or 10000)
// selects between them.
//
// The texts live in one data file compiled into the program
// (":/texts/texts.tsv"); its format is described in its own header.
#include <kitbox/Result.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class TextCatalogue {
public:
    // Called when a text is missing, with the box's title and message; the
    // program shows an information box, tests record it.
    using MissingTextHandler = std::function<void(const QString &title, const QString &message)>;

    // An empty catalogue; load() or loadBuiltIn() fills it.
    TextCatalogue() = default;

    // The program's catalogue, loaded from the built-in data on first use.
    static TextCatalogue &shared();

    kitbox::Status loadBuiltIn();
    // Parses catalogue data; on any malformed line the catalogue keeps what it
    // held before and the error names the line.
    kitbox::Status load(const QByteArray &data);

    // The text at offset + id. A missing id reports through the handler
    // (except for ids 3 and 4 themselves) and yields an empty text.
    QString text(int id) const;
    // The text at exactly this id, without offset and without a report.
    bool contains(int absoluteId) const { return m_texts.contains(absoluteId); }
    QString rawText(int absoluteId) const { return m_texts.value(absoluteId); }
    int size() const { return int(m_texts.size()); }
    QList<int> ids() const;

    // "E" (first letter, any case) selects English: the offset becomes the
    // numeric value of text 1; any other letter selects German (offset 0).
    void selectLanguage(const QString &languageLetter);
    int languageOffset() const { return m_offset; }
    bool isEnglish() const { return m_offset != 0; }

    void setMissingTextHandler(MissingTextHandler handler) { m_missingHandler = std::move(handler); }

    // Context help file: program directory + (base name + text 2 trimmed +
    // ".CHM") upper-cased; the directory keeps its case.
    QString helpFileName(const QString &programDirectory, const QString &executableBaseName) const;

private:
    QHash<int, QString> m_texts;
    int m_offset = 0;
    MissingTextHandler m_missingHandler;
};
