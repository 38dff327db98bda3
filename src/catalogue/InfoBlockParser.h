#pragma once
// Turns a description's info block (the scrambled byte range the locator
// points to) into the per-job information texts, argument summaries and
// result names of the catalogue. A description's own block fills the list
// from entry 0; a base description's block fills the entries behind its
// separator, matching each job name against the list.
#include "catalogue/JobCatalogue.h"
#include "catalogue/Utf16Builder.h"

#include <QByteArrayView>

#include <functional>

namespace kitbox {

class InfoBlockParser {
public:
    // beep is called once for every line with an unknown key.
    InfoBlockParser(JobCatalogue &catalogue, std::function<void()> beep);

    // The loaded description's own block: job j of the block is list entry j.
    // The block is unscrambled where it lies (a shared one is copied first).
    void parseDescription(QByteArray scrambled);
    // A base description's block; the current entry starts at lastFilledJob + 1,
    // the base's separator. baseName is shown upper-cased in the texts.
    void parseBase(QByteArray scrambled, const QString &baseName);

    // "Argumente: nn " CR LF "a; b; c": the summary after adding argument
    // number count (1-based) named name.
    static void addArgument(QString &summary, int count, QStringView name);

private:
    enum class Mode { Description, Base };
    void parse(QByteArray &scrambled, Mode mode);
    void handleLine(QByteArrayView line);
    // The argument summary and result names of a job are built aside and
    // handed over when its last line is read; a job whose text equals the
    // previous job's shares that string (jobs often take the same arguments
    // and give the same results).
    void flushNames();
    // The text of a job is built in one buffer and handed to the catalogue
    // as one string when another job's text is written or the block ends.
    // Returns that buffer; null for an entry outside the list.
    Utf16Builder *textOf(int job);
    void flushText();
    // Every line label is twelve characters.
    using Label = char16_t[13];
    // label, the decoded bytes and CR LF.
    void appendLine(int job, const Label &label, QByteArrayView raw);
    bool isAscii(QByteArrayView raw) const;
    void appendDecoded(Utf16Builder &to, QByteArrayView raw) const;
    // text lower-cased as QString::toLower does it.
    static void appendLowered(QString &to, QStringView text);
    // A name lower-cased onto the end of to, straight from its bytes when
    // they are ASCII.
    void appendLoweredName(QString &to, QByteArrayView raw);
    // The summary's count and separator for argument number count.
    static void beginArgument(QString &summary, int count);
    // raw decoded into a buffer that the next call reuses.
    QStringView decoded(QByteArrayView raw);
    bool valid(int job) const { return job >= 0 && job < m_catalogue.jobInfo.size(); }

    JobCatalogue &m_catalogue;
    std::function<void()> m_beep;
    Mode m_mode = Mode::Description;
    QString m_baseName;
    int m_job = -1;
    bool m_comment = false;
    int m_argumentCount = 0;
    bool m_atSeparator = false; // base block: no job of the list reached yet
    bool m_skipping = false;    // base block: the job is not in the list; its lines are dropped
    bool m_ascii = false;       // the block being parsed holds only ASCII
    const char *m_blockEnd = nullptr;
    QString m_scratch;
    Utf16Builder m_text;
    int m_textJob = -1;
    int m_namesJob = -1; // the job m_summary and m_results belong to
    QString m_summary;
    QString m_results;
    QString m_lastSummary; // as handed over last
    QString m_lastResults;
};

} // namespace kitbox
